// The central directory reader: decides whether a file is an archive we can
// open, finds the end of central directory record, and walks the central
// file headers. State lives only in the caller's TZipDirectory (buffer,
// cursor, and in large-directory mode the open file). Every read of archive
// bytes is checked against what the buffer holds; a damaged or hostile
// directory ends the enumeration at the first record that does not check out,
// keeping the entries before it.
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

// Reads the central header at Position into Entry and moves past it.
// Returns 0 for an entry, 1 at the end of the directory or at the first
// record that is cut short or lacks its signature.
int ReadRecord(TZipDirectory& directory)
{
    if (directory.LargeDirectoryFile) {
        const uint32_t leftBytes = directory.BufferLength - directory.Position;
        const uint8_t* p = directory.Buffer.get() + directory.Position;
        if ((leftBytes < CentralHeaderBytes || RecordBytes(p) > leftBytes) && directory.Position > 0
            && !RefillLargeDirectory(directory))
            return 1;
    }
    const uint32_t leftBytes = directory.BufferLength - directory.Position;
    const uint8_t* p = directory.Buffer.get() + directory.Position;
    if (leftBytes >= SignatureBytes && Le32(p) == EndSignature)
        return 1;
    // A record longer than the buffer (up to 46 + 3 * 65535 bytes) can never
    // fit, even after a refill; it ends the enumeration here.
    if (leftBytes < CentralHeaderBytes || Le32(p) != CentralSignature || RecordBytes(p) > leftBytes)
        return 1;

    TZipEntry& entry = directory.Entry;
    const uint8_t hostSystem = p[5];
    entry.Flags = Le16(p + 8);
    entry.Method = Le16(p + 10);
    entry.DosDateTime = Le32(p + 12);
    entry.Crc32 = Le32(p + 16);
    entry.CompressedSize = Le32(p + 20);
    entry.UncompressedSize = Le32(p + 24);
    entry.Attributes = hostSystem == hsMsDos ? p[38] : 0;
    entry.LocalHeaderOffset = Le32(p + 42);
    entry.FileName = DecodeEntryName(p + CentralHeaderBytes, Le16(p + 28), entry.Flags, hostSystem, MaxEntryNameBytes);
    directory.Position += RecordBytes(p);
    return 0;
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

int OpenZipDirectory(const std::string& fileName, TZipDirectory& directory)
{
    CloseZipDirectory(directory);
    off_t fileBytes = 0;
    FileHandle file = OpenRegularFile(fileName, fileBytes);
    if (!file || fileBytes == 0)
        return -1;
    const off_t endRecord = FindEndRecord(file.get(), fileBytes);
    if (endRecord < 0)
        return -1;
    uint8_t offsetField[4];
    if (ReadAt(file.get(), endRecord + 16, offsetField, sizeof offsetField) != 4)
        return -1;
    const off_t directoryStart = Le32(offsetField);
    if (endRecord < off_t(CentralHeaderBytes))
        return -2;
    // A directory said to start behind its own end record is corrupt: nothing to list.
    if (directoryStart > endRecord)
        return 1;

    // The loaded bytes end with the end record's signature, which stops the enumeration.
    off_t directoryBytes = endRecord - directoryStart + SignatureBytes;
    const bool largeDirectory = directoryBytes >= off_t(DirectoryBufferSize);
    if (largeDirectory)
        directoryBytes = DirectoryBufferSize;
    directory.Buffer = std::make_unique<uint8_t[]>(size_t(directoryBytes) + 1);
    if (ReadAt(file.get(), directoryStart, directory.Buffer.get(), size_t(directoryBytes)) != long(directoryBytes)) {
        directory.Buffer.reset();
        return -1;
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

void ListZipEntries(const std::string& fileName, std::vector<TZipEntry>& list)
{
    if (!IsZipArchive(fileName))
        return;
    TZipDirectory directory;
    for (int result = OpenZipDirectory(fileName, directory); result == 0; result = NextZipEntry(directory))
        list.push_back(directory.Entry);
    CloseZipDirectory(directory);
}

}  // namespace valbrix
