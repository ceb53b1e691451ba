// The central directory reader: decides whether a file is an archive we can
// open, finds the end of central directory record (the one nearest the end
// of the file whose offset leads to a directory, since a comment may hold
// lookalikes; and the ZIP64 end record where the plain one is saturated),
// and walks the central file headers.
// State lives only in the caller's TZipDirectory (buffer, cursor, status, and
// in large-directory mode the open archive). It reads through TArchiveReader,
// so a file (opened through platform/) and bytes in memory take the same path. Every read of archive bytes is
// checked against what the buffer holds; a damaged or hostile directory ends
// the enumeration at the first record that does not check out, keeping the
// entries before it and marking the directory damaged. A record whose ZIP64
// field lacks a value is skipped, and marks it damaged too, as do records
// that do not add up to the directory size the end record gives.
#include "engine/archive/ZipDirectory.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "engine/archive/EntryName.h"
#include "engine/archive/ExtraFields.h"
#include "engine/LittleEndian.h"
#include "engine/archive/ZipFormat.h"
#include "engine/NoCoverage.h"

namespace valbrix {

namespace {

constexpr uint32_t EndSearchWindowBytes = 4096;
static_assert(EndSearchWindowBytes <= 0x10000, "window positions are kept in 16 bits");

// Every buffer index below stays under 2^32 only because a directory
// buffer never holds more than this.
static_assert(DirectoryBufferSize >= CentralHeaderBytes && DirectoryBufferSize < 0x10000000);


// A search window: file bytes [Start, Start + Bytes), read once for every
// candidate in it.
struct TSearchWindow {
    const uint8_t* Data = nullptr;
    uint64_t Start = 0;
    size_t Bytes = 0;
};

// Reads count bytes at position, from the window when it holds them all:
// a candidate's locator lies right in front of it, and reading it from the
// file for each of thousands of lookalikes cost more than judging them.
bool ReadWhole(TArchiveReader& archive, const TSearchWindow& window, uint64_t position, uint8_t* out, size_t count)
{
    if (position >= window.Start && count <= window.Bytes && position - window.Start <= window.Bytes - count) {
        std::memcpy(out, window.Data + (position - window.Start), count);
        return true;
    }
    return archive.ReadAt(position, out, count) == long(count);
}

// Inlined into the search's untraced filter below, where a call per signature would be traced.
[[gnu::always_inline]] inline bool HasSaturatedField(const uint8_t* end)
{
    return Le16(end + EndField::DiskNumber) == CountKeptElsewhere
        || Le16(end + EndField::DirectoryDisk) == CountKeptElsewhere
        || Le16(end + EndField::DiskEntries) == CountKeptElsewhere
        || Le16(end + EndField::TotalEntries) == CountKeptElsewhere
        || Le32(end + EndField::DirectoryBytes) == SizeKeptElsewhere
        || Le32(end + EndField::DirectoryOffset) == SizeKeptElsewhere;
}

// What the search has learnt once past its nearest candidate, which lets
// it pass over a lookalike without judging it in full. Plain fields, not
// optionals: the filter reads them for every signature, and an optional's
// members were traced calls in the fuzz build.
struct TPassedOver {
    bool NearestJudged = false;
    // Once the nearest candidate is judged: the first position a candidate
    // may start at, as far back as the longest comment reaches.
    uint64_t ReachFrom = 0;
    // The last directory offset found to hold no central header (the
    // copies of a lookalike that a comment repeats all lead there); no
    // file reaches the initial value.
    uint64_t NoDirectoryAt = UINT64_MAX;
};

// Whether the end record at index i of the window (file position at) leads
// nowhere for certain, from its own bytes and what the search has learnt:
// its directory would start behind it, or where one was found not to start,
// or its saturated offset has no locator in front. One with a locator in
// front, or whose locator the window does not hold, is left to the full
// judgement, which this must agree with.
VALBRIX_NO_COVERAGE bool SurelyLeadsNowhere(const TSearchWindow& window, size_t i, const TPassedOver& passed)
{
    const uint8_t* end = window.Data + i;
    const uint64_t at = window.Start + i;
    const uint64_t start = Le32(end + EndField::DirectoryOffset);
    if (HasSaturatedField(end)) {
        if (at >= Zip64LocatorBytes && (i < Zip64LocatorBytes || Le32(end - Zip64LocatorBytes) == Zip64LocatorSignature))
            return false;
        if (start == SizeKeptElsewhere)
            return true;
    }
    return start > at || (start != at && start == passed.NoDirectoryAt);
}

// The positions of the end record signatures in a search window of at
// least one end record, front to back, each with a whole record behind it,
// found from the C library's search for their first byte: a file without an
// end record is scanned to its start, and a byte at a time this was most of
// the cost of opening one. (A search for the whole signature starts over
// for each hit, which made a window full of lookalikes cost its square.)
// Once the search is past its nearest candidate, the lookalikes that surely
// lead nowhere are left out here, where they cost no coverage tracing:
// thousands of them per fuzz input made the search most of a run.
VALBRIX_NO_COVERAGE size_t FindEndSignatures(const TSearchWindow& window, const TPassedOver& passed, uint16_t* hits)
{
    static_assert(EndRecordSignature == 0x06054B50u);
    const size_t lastStart = window.Bytes - EndRecordBytes;
    size_t hitCount = 0;
    for (size_t i = 0; i <= lastStart;) {
        const void* hit = std::memchr(window.Data + i, 'P', lastStart + 1 - i);
        if (!hit)
            break;
        i = size_t(static_cast<const uint8_t*>(hit) - window.Data);
        if (Le32(window.Data + i) == EndRecordSignature) {
            if (!passed.NearestJudged || !SurelyLeadsNowhere(window, i, passed))
                hits[hitCount++] = uint16_t(i);
            i += SignatureBytes;
        } else {
            ++i;
        }
    }
    return hitCount;
}

// Offers each end record signature to stop(position, its window), from the
// end of the file backwards, searching in overlapping windows, until stop
// returns true, the search reaches the start of the file or cannot read it,
// or a window lies wholly before the reach of the nearest candidate.
// Signatures that passed says lead nowhere are not offered.
template <typename TStop>
void ScanEndRecords(TArchiveReader& archive, const TPassedOver& passed, TStop stop)
{
    const int64_t fileBytes = int64_t(archive.Size());
    uint8_t bytes[EndSearchWindowBytes];
    uint16_t hits[EndSearchWindowBytes / SignatureBytes];  // signatures cannot overlap
    int64_t windowBytes = fileBytes > int64_t(EndSearchWindowBytes) ? int64_t(EndSearchWindowBytes) : fileBytes;
    int64_t windowStart = fileBytes - windowBytes;
    int64_t offeredBelow = fileBytes;  // the overlap would offer a record twice
    for (;;) {
        if (passed.NearestJudged && uint64_t(windowStart + windowBytes) < passed.ReachFrom + EndRecordBytes)
            return;
        if (archive.ReadAt(uint64_t(windowStart), bytes, size_t(windowBytes)) != long(windowBytes))
            return;
        const TSearchWindow window{bytes, uint64_t(windowStart), size_t(windowBytes)};
        size_t hitCount = windowBytes >= int64_t(EndRecordBytes) ? FindEndSignatures(window, passed, hits) : 0;
        while (hitCount > 0) {
            const int64_t at = windowStart + hits[--hitCount];
            if (at < offeredBelow) {
                offeredBelow = at;
                if (stop(at, window))
                    return;
            }
        }
        // Windows overlap by one end record, so a record across a window
        // border is still found; a window shorter than that ends the search.
        if (windowStart == 0 || windowBytes <= int64_t(EndRecordBytes))
            return;
        windowStart -= windowBytes - int64_t(EndRecordBytes);
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
    uint64_t Shift = 0;      // length of a prefix the stored offsets do not count
    // The directory's size, as the end record says; none when saturated
    // with no ZIP64 end record to say it.
    std::optional<uint64_t> Bytes;
};

enum TLocateResult { lrNoEndRecord = -1, lrFound = 0, lrDamaged = 1 };

// An offset on a part ("disk") of a spanned set as a position in its byte
// range; one file's disk numbers are not looked at. A disk the set does not
// have leads nowhere.
uint64_t OnDisk(const std::vector<uint64_t>& diskStarts, uint32_t disk, uint64_t offset)
{
    if (diskStarts.empty())
        return offset;
    return disk < diskStarts.size() ? diskStarts[disk] + offset : UINT64_MAX;
}

// Takes the end record found at endRecord from its search window (reading
// it again for each of thousands of lookalikes was most of opening such a
// file) and, when any of its fields is saturated, reads the ZIP64 end record
// through the locator right before it. A locator whose record is missing or
// outside the file, or a saturated directory offset with no locator, leaves
// the directory unreadable: damaged, since an end record says there is one.
TLocateResult ReadEndRecord(TArchiveReader& archive, const TSearchWindow& window, uint64_t endRecord,
                            const std::vector<uint64_t>& diskStarts, TDirectoryPlace& place)
{
    const uint8_t* end = window.Data + (endRecord - window.Start);
    place.EndRecord = endRecord;
    place.Start = OnDisk(diskStarts, Le16(end + EndField::DirectoryDisk), Le32(end + EndField::DirectoryOffset));
    place.End = endRecord;
    place.Entries = Le16(end + EndField::TotalEntries);
    place.Bytes.reset();
    if (Le32(end + EndField::DirectoryBytes) != SizeKeptElsewhere)
        place.Bytes = Le32(end + EndField::DirectoryBytes);
    if (HasSaturatedField(end)) {
        uint8_t locator[Zip64LocatorBytes];
        const bool haveLocator = endRecord >= Zip64LocatorBytes
            && ReadWhole(archive, window, endRecord - Zip64LocatorBytes, locator, sizeof locator)
            && Le32(locator) == Zip64LocatorSignature;
        if (haveLocator) {
            const uint64_t recordAt = OnDisk(diskStarts, Le32(locator + Zip64LocatorField::EndRecordDisk),
                                             LoadLe64(locator + Zip64LocatorField::EndRecordOffset));
            const uint64_t locatorAt = endRecord - Zip64LocatorBytes;
            if (locatorAt < Zip64EndRecordBytes)
                return lrDamaged;
            // One writer's locator points 14 bytes early; a record that is
            // not where it says is looked for right before the locator.
            uint8_t record[Zip64EndRecordBytes];
            const auto recordStandsAt = [&](uint64_t at) {
                return at <= locatorAt - Zip64EndRecordBytes && ReadWhole(archive, window, at, record, sizeof record)
                    && Le32(record) == Zip64EndSignature;
            };
            uint64_t foundAt = recordAt;
            if (!recordStandsAt(foundAt)) {
                foundAt = locatorAt - Zip64EndRecordBytes;
                if (!recordStandsAt(foundAt))
                    return lrDamaged;
            }
            place.Start = OnDisk(diskStarts, Le32(record + Zip64EndField::DirectoryDisk),
                                 LoadLe64(record + Zip64EndField::DirectoryOffset));
            place.End = foundAt;
            place.Entries = LoadLe64(record + Zip64EndField::TotalEntries);
            place.Bytes = LoadLe64(record + Zip64EndField::DirectoryBytes);
        } else if (Le32(end + EndField::DirectoryOffset) == SizeKeptElsewhere) {
            return lrDamaged;
        }
    }
    // A directory said to start behind its own end is corrupt.
    return place.Start > place.End ? lrDamaged : lrFound;
}

bool HoldsCentralHeader(TArchiveReader& archive, const TSearchWindow& window, uint64_t at)
{
    uint8_t signature[SignatureBytes];
    return ReadWhole(archive, window, at, signature, sizeof signature) && Le32(signature) == CentralHeaderSignature;
}

// Whether the directory offset leads to a directory: a central header
// there, or an empty directory that starts where it ends. Failing that, an
// archive behind a prefix its writer did not count (a program stub, a
// shell script) has its directory right in front of the end record: the
// prefix's length is then added to every stored offset. Only the nearest
// candidate is shifted so; a lookalike behind it leads where it says or
// nowhere, which keeps the search's filter in agreement. An offset found
// to lead nowhere is remembered for the lookalikes behind.
bool LeadsToDirectory(TArchiveReader& archive, const TSearchWindow& window, TDirectoryPlace& place,
                      TPassedOver& passed)
{
    if (place.Start == place.End)
        return true;
    if (place.Start == passed.NoDirectoryAt)
        return false;
    if (HoldsCentralHeader(archive, window, place.Start))
        return true;
    if (!passed.NearestJudged && place.Bytes && *place.Bytes < place.End && place.End - *place.Bytes > place.Start
        && HoldsCentralHeader(archive, window, place.End - *place.Bytes)) {
        place.Shift = place.End - *place.Bytes - place.Start;
        place.Start += place.Shift;
        return true;
    }
    passed.NoDirectoryAt = place.Start;
    return false;
}

// Takes the end record nearest the end of the file that leads to a
// directory. An archive comment may hold bytes that look like an end record
// (or a locator and one) and lead nowhere; the search goes back past them,
// but no further than the longest comment reaches from the nearest
// candidate, so a file full of signatures costs a bounded number of reads.
// When no candidate leads anywhere, the nearest one decides as it always
// did: damaged, or no end record at all.
TLocateResult LocateDirectory(TArchiveReader& archive, TDirectoryPlace& place)
{
    const std::vector<uint64_t> diskStarts = archive.DiskStarts();
    TPassedOver passed;
    TLocateResult nearestResult = lrNoEndRecord;
    bool led = false;
    ScanEndRecords(archive, passed, [&](int64_t at, const TSearchWindow& window) {
        if (passed.NearestJudged && uint64_t(at) < passed.ReachFrom)
            return true;
        TDirectoryPlace candidate;
        const TLocateResult result = ReadEndRecord(archive, window, uint64_t(at), diskStarts, candidate);
        led = result == lrFound && LeadsToDirectory(archive, window, candidate, passed);
        // The nearest candidate is the verdict when none leads anywhere.
        if (led || !passed.NearestJudged)
            place = candidate;
        if (!passed.NearestJudged) {
            passed.NearestJudged = true;
            nearestResult = result;
            const uint64_t reach = EndRecordBytes + MaxArchiveCommentBytes;
            passed.ReachFrom = uint64_t(at) > reach ? uint64_t(at) - reach : 0;
        }
        return led;
    });
    return led ? lrFound : nearestResult;
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
    const long got = directory.LargeDirectoryReader->ReadAt(directory.ReadPosition, buffer + tailBytes, wanted);
    if (got < 0)
        return false;
    directory.ReadPosition += uint64_t(got);
    directory.BufferLength = tailBytes + uint32_t(got);
    directory.Position = 0;
    return true;
}

// Bytes the central header at p occupies; p must hold at least 46 bytes.
uint32_t RecordBytes(const uint8_t* p)
{
    return uint32_t(CentralHeaderBytes) + Le16(p + CentralField::NameLength) + Le16(p + CentralField::ExtraLength) +
           Le16(p + CentralField::CommentLength);
}

// The signatures that may follow the last central header: the end record,
// the ZIP64 end record, or the directory's digital signature.
bool IsDirectoryEnd(uint32_t signature)
{
    return signature == EndRecordSignature || signature == Zip64EndSignature || signature == DigitalSignatureSignature;
}

// The end record's directory size against the records read, at the record
// behind the last central header (p, with leftBytes in the buffer). A size
// that disagrees means a miscounting writer or a directory cut or patched
// since: what was read is listed, but not as the whole directory. The
// digital signature, where there is one, is part of the directory.
bool DirectorySizeAgrees(const TZipDirectory& directory, const uint8_t* p, uint32_t leftBytes)
{
    if (!directory.DirectoryBytes)
        return true;
    uint64_t bytes = directory.RecordBytesRead;
    if (Le32(p) == DigitalSignatureSignature && leftBytes >= DigitalSignatureHeaderBytes)
        bytes += DigitalSignatureHeaderBytes + Le16(p + SignatureBytes);
    return bytes == *directory.DirectoryBytes;
}

// Takes the ZIP64 field's values for the entry's saturated fields, as the
// full reading does; false when the field lacks one. Without a saturated
// field there is nothing to look for.
bool TakeZip64Fields(const uint8_t* p, TZipEntry& entry)
{
    if (entry.UncompressedSize != SizeKeptElsewhere && entry.CompressedSize != SizeKeptElsewhere
        && entry.LocalHeaderOffset != SizeKeptElsewhere)
        return true;
    bool complete = true;
    ForEachExtraField(p + CentralHeaderBytes + Le16(p + CentralField::NameLength), Le16(p + CentralField::ExtraLength),
                      [&](uint16_t id, const uint8_t* field, size_t fieldBytes) {
                          if (id == Zip64ExtraId)
                              complete = TakeZip64Values(
                                  field, fieldBytes, {&entry.UncompressedSize, &entry.CompressedSize, &entry.LocalHeaderOffset});
                          return complete;
                      });
    return complete;
}

// Fills Entry from the central header at p, which fits in the buffer (with
// headersOnly, only its fixed fields). False when its ZIP64 field lacks a
// value a saturated field needs: the entry's size or position is unknown,
// and it is not listed.
bool TakeRecord(const uint8_t* p, TZipEntry& entry, bool headersOnly)
{
    const uint8_t hostSystem = p[CentralField::HostSystem];
    const uint16_t nameBytes = Le16(p + CentralField::NameLength);
    const uint8_t* name = p + CentralHeaderBytes;
    entry.Flags = Le16(p + CentralField::Flags);
    entry.Method = Le16(p + CentralField::Method);
    entry.DosDateTime = Le32(p + CentralField::DosDateTime);
    entry.Crc32 = Le32(p + CentralField::Crc32);
    entry.CompressedSize = Le32(p + CentralField::CompressedSize);
    entry.UncompressedSize = Le32(p + CentralField::UncompressedSize);
    entry.Attributes = hostSystem == hsMsDos ? p[CentralField::DosAttributes] : 0;
    entry.UnixMode = HostKeepsUnixMode(hostSystem) ? Le16(p + CentralField::UnixMode) : 0;
    entry.LocalHeaderOffset = Le32(p + CentralField::LocalHeaderOffset);
    entry.Aes = TAesInfo();
    entry.Damage = edNone;
    if (headersOnly)
        return TakeZip64Fields(p, entry);

    // A saturated field with no ZIP64 field at all keeps its value, as a
    // writer from before ZIP64 meant it.
    bool unicodeName = false;
    bool zip64Complete = true;
    std::optional<TExactTime> unixTime, ntfsTime;
    TExactTime time;
    ForEachExtraField(name + nameBytes, Le16(p + CentralField::ExtraLength),
                      [&](uint16_t id, const uint8_t* field, size_t fieldBytes) {
                          if (id == Zip64ExtraId)
                              zip64Complete = TakeZip64Values(
                                  field, fieldBytes, {&entry.UncompressedSize, &entry.CompressedSize, &entry.LocalHeaderOffset});
                          else if (id == UnicodePathExtraId && !unicodeName)
                              unicodeName = TakeUnicodePathName(field, fieldBytes, name, nameBytes, MaxEntryNameBytes,
                                                                entry.FileName);
                          else if (id == AesExtraId && entry.Method == zmAes)
                              TakeAesField(field, fieldBytes, entry.Aes);
                          else if (id == UnixTimeExtraId && !unixTime && TakeUnixTimeField(field, fieldBytes, time))
                              unixTime = time;
                          else if (id == NtfsTimeExtraId && !ntfsTime && TakeNtfsTimeField(field, fieldBytes, time))
                              ntfsTime = time;
                          return zip64Complete;
                      });
    if (!zip64Complete)
        return false;
    entry.Modified = unixTime ? unixTime : ntfsTime;
    if (!unicodeName)
        DecodeEntryNameInto(entry.FileName, name, nameBytes, entry.Flags, hostSystem, MaxEntryNameBytes);
    // The record's length was checked against the buffer before, comment included.
    if (const uint16_t commentBytes = Le16(p + CentralField::CommentLength))
        entry.Comment = DecodeCommentText(name + nameBytes + Le16(p + CentralField::ExtraLength), commentBytes);
    else
        entry.Comment.clear();
    return true;
}

// Reads the next listable central header at Position into Entry and moves
// past it. Returns drEntry, or drNoEntry at the end of the directory (Status
// complete, or damaged when a record was skipped) or at the first record
// that is cut short or lacks its signature (Status damaged).
int ReadRecord(TZipDirectory& directory)
{
    for (;;) {
        if (directory.LargeDirectoryReader) {
            const uint32_t leftBytes = directory.BufferLength - directory.Position;
            const uint8_t* p = directory.Buffer.get() + directory.Position;
            if ((leftBytes < CentralHeaderBytes || RecordBytes(p) > leftBytes) && directory.Position > 0
                && !RefillLargeDirectory(directory)) {
                directory.Status = dsDamaged;
                return drNoEntry;
            }
        }
        const uint32_t leftBytes = directory.BufferLength - directory.Position;
        const uint8_t* p = directory.Buffer.get() + directory.Position;
        if (leftBytes >= SignatureBytes && IsDirectoryEnd(Le32(p))) {
            if (directory.Status == dsReading)
                directory.Status = DirectorySizeAgrees(directory, p, leftBytes) ? dsComplete : dsDamaged;
            return drNoEntry;
        }
        // A record longer than the buffer (up to 46 + 3 * 65535 bytes) can never
        // fit, even after a refill; it ends the enumeration here.
        if (leftBytes < CentralHeaderBytes || Le32(p) != CentralHeaderSignature || RecordBytes(p) > leftBytes) {
            directory.Status = dsDamaged;
            return drNoEntry;
        }
        const bool listed = TakeRecord(p, directory.Entry, directory.HeadersOnly);
        directory.Entry.LocalHeaderOffset += directory.OffsetShift;
        if (!directory.DiskStarts.empty()) {
            const uint16_t disk = Le16(p + CentralField::DiskStart);
            if (disk < directory.DiskStarts.size())
                directory.Entry.LocalHeaderOffset += directory.DiskStarts[disk];
            else
                directory.Entry.Damage = edMissingPart;
        }
        directory.RecordBytesRead += RecordBytes(p);
        directory.Position += RecordBytes(p);
        if (listed)
            return drEntry;
        directory.Status = dsDamaged;
    }
}

}  // namespace

bool IsEmptyZipArchive(const std::string& fileName)
{
    TFileArchiveReader file;
    return file.Open(fileName) == 0 && IsEmptyZipArchive(file);
}

bool IsEmptyZipArchive(TArchiveReader& archive)
{
    TDirectoryPlace place;
    return archive.Size() > 0 && LocateDirectory(archive, place) == lrFound && place.Entries == 0 &&
           place.Start == place.End;
}

int OpenZipDirectory(const std::string& fileName, TZipDirectory& directory)
{
    CloseZipDirectory(directory);
    directory.Status = dsNone;
    auto file = std::make_unique<TFileArchiveReader>();
    if (file->Open(fileName) != 0)
        return drCannotOpen;
    return OpenZipDirectory(std::move(file), directory);
}

int OpenZipDirectory(std::unique_ptr<TArchiveReader> archive, TZipDirectory& directory)
{
    CloseZipDirectory(directory);
    directory.Status = dsNone;
    if (archive->Size() == 0)
        return drCannotOpen;
    TDirectoryPlace place;
    const TLocateResult located = LocateDirectory(*archive, place);
    if (located == lrNoEndRecord)
        return drCannotOpen;
    if (place.EndRecord < CentralHeaderBytes)
        return drEndRecordTooEarly;
    directory.Status = located == lrFound ? dsReading : dsDamaged;
    if (located != lrFound)
        return drNoEntry;

    // The loaded bytes end with the signature behind the directory, which stops the enumeration.
    uint64_t directoryBytes = place.End - place.Start + SignatureBytes;
    const bool largeDirectory = directoryBytes >= DirectoryBufferSize;
    if (largeDirectory)
        directoryBytes = DirectoryBufferSize;
    // Not zeroed: the read below fills what is used, and zeroing 64 KB for
    // every opening of a large directory was a large part of listing one.
    directory.Buffer = std::make_unique_for_overwrite<uint8_t[]>(size_t(directoryBytes) + 1);
    if (archive->ReadAt(place.Start, directory.Buffer.get(), size_t(directoryBytes)) != long(directoryBytes)) {
        directory.Buffer.reset();
        directory.Status = dsDamaged;
        return drNoEntry;
    }
    directory.BufferLength = uint32_t(directoryBytes);
    directory.Position = 0;
    directory.DirectoryBytes = place.Bytes;
    directory.OffsetShift = place.Shift;
    directory.DiskStarts = archive->DiskStarts();
    if (largeDirectory) {
        directory.ReadPosition = place.Start + directoryBytes;
        directory.LargeDirectoryReader = std::move(archive);
    }

    const int result = ReadRecord(directory);
    if (result != drEntry)
        CloseZipDirectory(directory);
    return result;
}

int NextZipEntry(TZipDirectory& directory)
{
    if (!directory.Buffer)
        return drNotOpen;
    const int result = ReadRecord(directory);
    if (result != drEntry)
        CloseZipDirectory(directory);
    return result;
}

void CloseZipDirectory(TZipDirectory& directory)
{
    directory.Buffer.reset();
    directory.BufferLength = 0;
    directory.Position = 0;
    directory.LargeDirectoryReader.reset();
    directory.ReadPosition = 0;
    directory.DirectoryBytes.reset();
    directory.RecordBytesRead = 0;
    directory.OffsetShift = 0;
    directory.DiskStarts.clear();
}

std::string ReadArchiveComment(TArchiveReader& archive)
{
    TDirectoryPlace place;
    uint8_t end[EndRecordBytes];
    if (LocateDirectory(archive, place) != lrFound || archive.ReadAt(place.EndRecord, end, sizeof end) != long(sizeof end))
        return {};
    // A comment cut by the end of the file is shown as far as it goes.
    std::string comment(Le16(end + EndField::CommentLength), '\0');
    const long got = archive.ReadAt(place.EndRecord + EndRecordBytes, reinterpret_cast<uint8_t*>(comment.data()),
                                    comment.size());
    comment.resize(got > 0 ? size_t(got) : 0);
    return comment;
}

uint32_t LastDiskNumber(TArchiveReader& archive)
{
    uint32_t disk = 0;
    TPassedOver passed;
    ScanEndRecords(archive, passed, [&](int64_t at, const TSearchWindow& window) {
        const uint8_t* end = window.Data + (uint64_t(at) - window.Start);
        disk = Le16(end + EndField::DiskNumber);
        uint8_t locator[Zip64LocatorBytes];
        if (disk == CountKeptElsewhere && uint64_t(at) >= Zip64LocatorBytes
            && ReadWhole(archive, window, uint64_t(at) - Zip64LocatorBytes, locator, sizeof locator)
            && Le32(locator) == Zip64LocatorSignature)
            disk = std::max<uint32_t>(Le32(locator + Zip64LocatorField::TotalDisks), 1) - 1;
        return true;
    });
    return disk;
}

}  // namespace valbrix
