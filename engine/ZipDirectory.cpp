// The central directory reader: decides whether a file is an archive we can
// open, finds the end of central directory record (and the ZIP64 end record
// where the plain one is saturated), and walks the central file headers.
// State lives only in the caller's TZipDirectory (buffer, cursor, status, and
// in large-directory mode the open file). Every read of archive bytes is
// checked against what the buffer holds; a damaged or hostile directory ends
// the enumeration at the first record that does not check out, keeping the
// entries before it and marking the directory damaged. A record whose ZIP64
// field lacks a value is skipped, and marks it damaged too.
#include "ZipDirectory.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "EntryName.h"
#include "LittleEndian.h"

namespace valbrix {

namespace {

constexpr uint32_t LocalSignature = 0x04034B50;    // "PK" 03 04
constexpr uint32_t CentralSignature = 0x02014B50;  // "PK" 01 02
constexpr uint32_t EndSignature = 0x06054B50;      // "PK" 05 06
constexpr uint32_t Zip64EndSignature = 0x06064B50;     // "PK" 06 06
constexpr uint32_t Zip64LocatorSignature = 0x07064B50; // "PK" 06 07
constexpr uint32_t DigitalSignatureSignature = 0x05054B50; // "PK" 05 05, the directory's optional last record
constexpr uint32_t Zip64LocatorBytes = 20;
constexpr uint32_t Zip64EndRecordBytes = 56;            // without its extensible data
constexpr uint32_t Saturated32 = 0xFFFFFFFFu;           // "the value is in the ZIP64 record or field"
constexpr uint16_t Saturated16 = 0xFFFF;
constexpr uint16_t Zip64ExtraId = 0x0001;
constexpr uint16_t UnicodePathExtraId = 0x7075;
constexpr uint32_t CentralHeaderBytes = 46;
constexpr uint32_t EndRecordBytes = 22;
constexpr uint32_t SignatureBytes = 4;
constexpr uint32_t EndSearchWindowBytes = 4096;
constexpr long DosPageBytes = 512;

// Every buffer index below stays under 2^32 only because a directory
// buffer never holds more than this.
static_assert(DirectoryBufferSize >= CentralHeaderBytes && DirectoryBufferSize < 0x10000000);


struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading. Folders, pipes and devices are refused:
// a pipe would block the open or the reads, a device may never end.
FileHandle OpenRegularFile(const std::string& fileName, off_t& fileBytes)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return nullptr;
    }
    fileBytes = info.st_size;
    return FileHandle(file);
}

// Reads up to count bytes at position; returns the number read, or -1 when the seek fails.
long ReadAt(std::FILE* file, off_t position, uint8_t* buffer, size_t count)
{
    if (position < 0 || ::fseeko(file, position, SEEK_SET) != 0)
        return -1;
    return long(std::fread(buffer, 1, count, file));
}

// The MS-DOS self-extractor test: does "PK" 03 04 stand where the header
// says the executable image ends, or one byte later?
bool HasZipBehindDosImage(std::FILE* file, const uint8_t* header)
{
    const long lastPageBytes = Le16(header + 2);
    const long pages = Le16(header + 4);
    const long imageEnd = lastPageBytes == 0 ? pages * DosPageBytes : (pages - 1) * DosPageBytes + lastPageBytes;
    if (imageEnd <= 0)
        return false;
    uint8_t probe[10] = {};
    const long probeBytes = ReadAt(file, imageEnd, probe, sizeof probe);
    if (probeBytes < 4)
        return false;
    return Le32(probe) == LocalSignature || (probeBytes >= 5 && Le32(probe + 1) == LocalSignature);
}

// Finds the end of central directory record nearest the end of the file,
// searching backwards in overlapping windows. Returns its file position,
// or -1 when there is none or the file cannot be read.
off_t FindEndRecord(std::FILE* file, off_t fileBytes)
{
    uint8_t window[EndSearchWindowBytes];
    off_t windowBytes = fileBytes > off_t(EndSearchWindowBytes) ? off_t(EndSearchWindowBytes) : fileBytes;
    off_t windowStart = fileBytes - windowBytes;
    for (;;) {
        if (ReadAt(file, windowStart, window, size_t(windowBytes)) != long(windowBytes))
            return -1;
        for (off_t i = windowBytes - off_t(EndRecordBytes); i >= 0; --i)
            if (window[i] == 'P' && Le32(window + i) == EndSignature)
                return windowStart + i;
        // Windows overlap by one end record, so a record across a window
        // border is still found; a window shorter than that ends the search.
        if (windowStart == 0 || windowBytes <= off_t(EndRecordBytes))
            return -1;
        windowStart -= windowBytes - off_t(EndRecordBytes);
        if (windowStart < 0)
            windowStart = 0;
    }
}

// Where the central directory lies: from Start up to End, the first byte
// behind it (the ZIP64 end record when there is one, else the end record).
struct TDirectoryPlace {
    uint64_t EndRecord = 0;  // file position of the plain end record
    uint64_t Start = 0;
    uint64_t End = 0;
    uint64_t Entries = 0;    // total entries, as the end record says
};

enum TLocateResult { lrNoEndRecord = -1, lrFound = 0, lrDamaged = 1 };

// Finds the end record and, when any of its fields is saturated, the ZIP64
// end record through the locator right before it. A locator whose record is
// missing or outside the file, or a saturated directory offset with no
// locator, leaves the directory unreadable: damaged, since an end record
// says there is one.
TLocateResult LocateDirectory(std::FILE* file, off_t fileBytes, TDirectoryPlace& place)
{
    const off_t endRecord = FindEndRecord(file, fileBytes);
    uint8_t end[EndRecordBytes];
    if (endRecord < 0 || ReadAt(file, endRecord, end, sizeof end) != long(sizeof end))
        return lrNoEndRecord;
    place.EndRecord = uint64_t(endRecord);
    place.Start = Le32(end + 16);
    place.End = uint64_t(endRecord);
    place.Entries = Le16(end + 10);
    const bool saturated = Le16(end + 4) == Saturated16 || Le16(end + 6) == Saturated16 || Le16(end + 8) == Saturated16
        || Le16(end + 10) == Saturated16 || Le32(end + 12) == Saturated32 || Le32(end + 16) == Saturated32;
    if (saturated) {
        uint8_t locator[Zip64LocatorBytes];
        const bool haveLocator = endRecord >= off_t(Zip64LocatorBytes)
            && ReadAt(file, endRecord - off_t(Zip64LocatorBytes), locator, sizeof locator) == long(sizeof locator)
            && Le32(locator) == Zip64LocatorSignature;
        if (haveLocator) {
            const uint64_t recordAt = LoadLe64(locator + 8);
            const uint64_t locatorAt = uint64_t(endRecord) - Zip64LocatorBytes;
            uint8_t record[Zip64EndRecordBytes];
            if (locatorAt < Zip64EndRecordBytes || recordAt > locatorAt - Zip64EndRecordBytes
                || ReadAt(file, off_t(recordAt), record, sizeof record) != long(sizeof record)
                || Le32(record) != Zip64EndSignature)
                return lrDamaged;
            place.Start = LoadLe64(record + 48);
            place.End = recordAt;
            place.Entries = LoadLe64(record + 32);
        } else if (Le32(end + 16) == Saturated32) {
            return lrDamaged;
        }
    }
    // A directory said to start behind its own end is corrupt.
    return place.Start > place.End ? lrDamaged : lrFound;
}

// Large-directory mode: moves the unread tail to the front of the buffer and
// fills the rest from the archive. A short read is not a failure: near the
// end of the file fewer bytes remain than the buffer has room for, and the
// last entries are still to be listed. Returns false only on a read error.
bool RefillLargeDirectory(TZipDirectory& directory)
{
    uint8_t* buffer = directory.Buffer.get();
    const uint32_t tailBytes = directory.BufferLength - directory.Position;
    std::memmove(buffer, buffer + directory.Position, tailBytes);
    const size_t wanted = DirectoryBufferSize - tailBytes;
    const size_t got = std::fread(buffer + tailBytes, 1, wanted, directory.LargeDirectoryFile);
    if (got < wanted && std::ferror(directory.LargeDirectoryFile))
        return false;
    directory.BufferLength = tailBytes + uint32_t(got);
    directory.Position = 0;
    return true;
}

// Bytes the central header at p occupies; p must hold at least 46 bytes.
uint32_t RecordBytes(const uint8_t* p)
{
    return CentralHeaderBytes + uint32_t(Le16(p + 28)) + Le16(p + 30) + Le16(p + 32);
}

// The signatures that may follow the last central header: the end record,
// the ZIP64 end record, or the directory's digital signature.
bool IsDirectoryEnd(uint32_t signature)
{
    return signature == EndSignature || signature == Zip64EndSignature || signature == DigitalSignatureSignature;
}

// The ZIP64 extra field holds a 64-bit value for each saturated 32-bit field,
// in this order and only for those. False when it lacks one the entry needs.
bool TakeZip64Values(const uint8_t* field, size_t fieldBytes, TZipEntry& entry)
{
    size_t at = 0;
    for (uint64_t* value : {&entry.UncompressedSize, &entry.CompressedSize, &entry.LocalHeaderOffset}) {
        if (*value != Saturated32)
            continue;
        if (fieldBytes - at < 8)
            return false;
        *value = LoadLe64(field + at);
        at += 8;
    }
    return true;
}

// Fills Entry from the central header at p, which fits in the buffer.
// False when its ZIP64 field lacks a value a saturated field needs: the
// entry's size or position is unknown, and it is not listed.
bool TakeRecord(const uint8_t* p, TZipEntry& entry)
{
    const uint8_t hostSystem = p[5];
    const uint16_t nameBytes = Le16(p + 28);
    const uint8_t* name = p + CentralHeaderBytes;
    entry.Flags = Le16(p + 8);
    entry.Method = Le16(p + 10);
    entry.DosDateTime = Le32(p + 12);
    entry.Crc32 = Le32(p + 16);
    entry.CompressedSize = Le32(p + 20);
    entry.UncompressedSize = Le32(p + 24);
    entry.Attributes = hostSystem == hsMsDos ? p[38] : 0;
    entry.LocalHeaderOffset = Le32(p + 42);

    // A saturated field with no ZIP64 field at all keeps its value, as a
    // writer from before ZIP64 meant it.
    bool unicodeName = false;
    const uint8_t* extra = name + nameBytes;
    const size_t extraBytes = Le16(p + 30);
    for (size_t at = 0; extraBytes - at >= 4;) {
        const uint16_t id = Le16(extra + at);
        const size_t fieldBytes = Le16(extra + at + 2);
        const uint8_t* field = extra + at + 4;
        if (fieldBytes > extraBytes - at - 4)
            break;  // a field running past the extra area: nothing more in it is trusted
        if (id == Zip64ExtraId && !TakeZip64Values(field, fieldBytes, entry))
            return false;
        if (id == UnicodePathExtraId && !unicodeName)
            unicodeName = TakeUnicodePathName(field, fieldBytes, name, nameBytes, MaxEntryNameBytes, entry.FileName);
        at += 4 + fieldBytes;
    }
    if (!unicodeName)
        entry.FileName = DecodeEntryName(name, nameBytes, entry.Flags, hostSystem, MaxEntryNameBytes);
    return true;
}

// Reads the next listable central header at Position into Entry and moves
// past it. Returns 0 for an entry, 1 at the end of the directory (Status
// complete, or damaged when a record was skipped) or at the first record
// that is cut short or lacks its signature (Status damaged).
int ReadRecord(TZipDirectory& directory)
{
    for (;;) {
        if (directory.LargeDirectoryFile) {
            const uint32_t leftBytes = directory.BufferLength - directory.Position;
            const uint8_t* p = directory.Buffer.get() + directory.Position;
            if ((leftBytes < CentralHeaderBytes || RecordBytes(p) > leftBytes) && directory.Position > 0
                && !RefillLargeDirectory(directory)) {
                directory.Status = dsDamaged;
                return 1;
            }
        }
        const uint32_t leftBytes = directory.BufferLength - directory.Position;
        const uint8_t* p = directory.Buffer.get() + directory.Position;
        if (leftBytes >= SignatureBytes && IsDirectoryEnd(Le32(p))) {
            if (directory.Status == dsReading)
                directory.Status = dsComplete;
            return 1;
        }
        // A record longer than the buffer (up to 46 + 3 * 65535 bytes) can never
        // fit, even after a refill; it ends the enumeration here.
        if (leftBytes < CentralHeaderBytes || Le32(p) != CentralSignature || RecordBytes(p) > leftBytes) {
            directory.Status = dsDamaged;
            return 1;
        }
        const bool listed = TakeRecord(p, directory.Entry);
        directory.Position += RecordBytes(p);
        if (listed)
            return 0;
        directory.Status = dsDamaged;
    }
}

}  // namespace

bool IsZipArchive(const std::string& fileName)
{
    if (fileName.find('.') == std::string::npos)
        return false;
    std::string path = fileName;
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    // A folder is refused; like the program always did, it stays the current directory.
    if (::chdir(path.c_str()) == 0)
        return false;
    off_t fileBytes = 0;
    FileHandle file = OpenRegularFile(path, fileBytes);
    if (!file)
        return false;
    uint8_t header[10] = {};
    const size_t headerBytes = std::fread(header, 1, sizeof header, file.get());
    if (headerBytes == sizeof header && Le32(header) == LocalSignature)
        return true;
    if (headerBytes > 2 && header[0] == 'M' && header[1] == 'Z')
        return HasZipBehindDosImage(file.get(), header);
    return false;
}

bool IsEmptyZipArchive(const std::string& fileName)
{
    off_t fileBytes = 0;
    FileHandle file = OpenRegularFile(fileName, fileBytes);
    TDirectoryPlace place;
    return file && fileBytes > 0 && LocateDirectory(file.get(), fileBytes, place) == lrFound && place.Entries == 0
        && place.Start == place.End;
}

int OpenZipDirectory(const std::string& fileName, TZipDirectory& directory)
{
    CloseZipDirectory(directory);
    directory.Status = dsNone;
    off_t fileBytes = 0;
    FileHandle file = OpenRegularFile(fileName, fileBytes);
    if (!file || fileBytes == 0)
        return -1;
    TDirectoryPlace place;
    const TLocateResult located = LocateDirectory(file.get(), fileBytes, place);
    if (located == lrNoEndRecord)
        return -1;
    if (place.EndRecord < CentralHeaderBytes)
        return -2;
    directory.Status = located == lrFound ? dsReading : dsDamaged;
    if (located != lrFound)
        return 1;

    // The loaded bytes end with the signature behind the directory, which stops the enumeration.
    uint64_t directoryBytes = place.End - place.Start + SignatureBytes;
    const bool largeDirectory = directoryBytes >= DirectoryBufferSize;
    if (largeDirectory)
        directoryBytes = DirectoryBufferSize;
    directory.Buffer = std::make_unique<uint8_t[]>(size_t(directoryBytes) + 1);
    if (ReadAt(file.get(), off_t(place.Start), directory.Buffer.get(), size_t(directoryBytes)) != long(directoryBytes)) {
        directory.Buffer.reset();
        directory.Status = dsDamaged;
        return 1;
    }
    directory.BufferLength = uint32_t(directoryBytes);
    directory.Position = 0;
    if (largeDirectory)
        directory.LargeDirectoryFile = file.release();

    const int result = ReadRecord(directory);
    if (result != 0)
        CloseZipDirectory(directory);
    return result;
}

int NextZipEntry(TZipDirectory& directory)
{
    if (!directory.Buffer)
        return -2;
    const int result = ReadRecord(directory);
    if (result != 0)
        CloseZipDirectory(directory);
    return result;
}

void CloseZipDirectory(TZipDirectory& directory)
{
    directory.Buffer.reset();
    directory.BufferLength = 0;
    directory.Position = 0;
    if (directory.LargeDirectoryFile) {
        std::fclose(directory.LargeDirectoryFile);
        directory.LargeDirectoryFile = nullptr;
    }
}

TDirectoryStatus ListZipEntries(const std::string& fileName, std::vector<TZipEntry>& list)
{
    if (!IsZipArchive(fileName))
        return dsNone;
    TZipDirectory directory;
    int result = OpenZipDirectory(fileName, directory);
    for (; result == 0; result = NextZipEntry(directory))
        list.push_back(directory.Entry);
    CloseZipDirectory(directory);
    return result < 0 ? dsNone : directory.Status;
}

}  // namespace valbrix
