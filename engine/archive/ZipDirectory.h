// Reader of a ZIP archive's central directory. Finds the end record (and,
// where its fields are saturated, the ZIP64 end record through its locator),
// accepts plain archives and MS-DOS self-extractors, and enumerates the
// central file headers through a bounded buffer, so any number of entries
// costs the same memory. Nothing here throws for bad archive data; a
// directory that ends early, cannot be read or holds unreadable records is
// told through the directory's status, never passed off as complete.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/archive/ArchiveReader.h"
#include "engine/archive/ExtraFields.h"
#include "engine/archive/ZipFormat.h"

namespace valbrix {

// Why an entry cannot be extracted although it is listed.
enum TEntryDamage : uint8_t {
    edNone,
    edCut,          // its data runs past the end of the file
    edMissingPart,  // its data lies in a part of a split set that is missing
};

// One central directory entry. Sizes and offsets are 64-bit: a ZIP64 extra
// field supplies those whose 32-bit fields are saturated.
struct TZipEntry {
    uint32_t DosDateTime = 0;       // MS-DOS time in the low 16 bits, date in the high 16 bits
    uint64_t UncompressedSize = 0;
    uint64_t CompressedSize = 0;
    uint64_t LocalHeaderOffset = 0; // absolute position of the local header in the file
    uint32_t Crc32 = 0;
    std::string FileName;           // UTF-8, '/' as delimiter, at most MaxEntryNameBytes bytes
    uint16_t Method = 0;
    uint16_t Attributes = 0;        // MS-DOS attributes; 0 for entries from other hosts
    uint16_t Flags = 0;             // general purpose bit flags
    TAesInfo Aes;                   // for method 99: AE version, key strength, real method
    uint8_t Damage = edNone;        // a TEntryDamage
    uint16_t UnixMode = 0;          // type and permission bits from a Unix-like host; 0: none
    // From the extended timestamp field, else the NTFS field; none: only DosDateTime tells the time.
    std::optional<TExactTime> Modified;
    std::string Comment;            // the entry's comment as UTF-8; empty for most entries
};

// The method of the entry's data: for an AES entry (method 99 with its
// field), the one under the encryption.
inline uint16_t EntryMethod(const TZipEntry& entry)
{
    return entry.Method == zmAes && entry.Aes.Version != 0 ? entry.Aes.Method : entry.Method;
}

// Longest entry name kept, in bytes; longer names are cut at a character boundary.
constexpr size_t MaxEntryNameBytes = 259;
// Directories of this size and more are streamed through a buffer of this size.
constexpr uint32_t DirectoryBufferSize = 64000;

// How far an enumeration got.
enum TDirectoryStatus : uint8_t {
    dsNone,      // not opened: no end record, or the file cannot be read
    dsReading,   // open, entries are being read
    dsComplete,  // every record up to the end of the directory was read
    dsDamaged,   // the directory ended early, could not be read, a record was unreadable,
                 // or its records did not fill the size its end record gives
};

// What OpenZipDirectory and NextZipEntry return.
enum TDirectoryResult : int {
    drEntry = 0,               // an entry was read into the working record
    drNoEntry = 1,             // no (more) entries; the directory is closed and Status tells why
    drCannotOpen = -1,         // OpenZipDirectory: cannot open or read, empty, or no end record
    drEndRecordTooEarly = -2,  // OpenZipDirectory: the end record lies too close to the start
    drNotOpen = -2,            // NextZipEntry: the directory is not open
};

// The working record: the directory cursor plus the current entry. Closing
// on destruction keeps an abandoned large-directory listing from leaking its file.
void CloseZipDirectory(struct TZipDirectory& directory);
struct TZipDirectory {
    TZipDirectory() = default;
    TZipDirectory(const TZipDirectory&) = delete;
    TZipDirectory& operator=(const TZipDirectory&) = delete;
    ~TZipDirectory() { CloseZipDirectory(*this); }

    std::unique_ptr<uint8_t[]> Buffer;  // loaded directory bytes; null when closed
    uint32_t BufferLength = 0;          // directory bytes held in Buffer
    uint32_t Position = 0;              // offset in Buffer of the next central file header
    // Open only in large-directory mode, with the archive position of the next bytes to load.
    std::unique_ptr<TArchiveReader> LargeDirectoryReader;
    uint64_t ReadPosition = 0;
    // The directory's size as its end record says (none: saturated with no
    // ZIP64 end record), held against the bytes of the records read so far
    // when the directory ends.
    std::optional<uint64_t> DirectoryBytes;
    uint64_t RecordBytesRead = 0;
    // Added to each stored local header offset: the length of a prefix
    // (a program stub) that the archive's writer did not count.
    uint64_t OffsetShift = 0;
    // Where each part of a spanned set starts (empty for one file): a
    // central header's offset is on the part its disk number names.
    std::vector<uint64_t> DiskStarts;
    TZipEntry Entry;                    // the current entry
    // Records are checked and counted as usual, but Entry gets only the
    // fixed fields: no name, times, AES facts or comment. For a walk that
    // only needs the verdict (an opening that lists nothing); set before
    // opening, kept across closes.
    bool HeadersOnly = false;
    // Kept when the directory closes, so the caller can ask after the last entry.
    TDirectoryStatus Status = dsNone;
};

// Whether the content makes the file an archive with entries: an end
// record leading to a directory (whatever stands in front: a program stub,
// a script), or local headers to recover the entries from. Folders and a
// file with neither are refused; the name plays no part. (ZipArchive.cpp:
// the archive object decides.)
bool IsZipArchive(const std::string& fileName);
bool IsZipArchive(TArchiveReader& archive);
// True for a file whose end record (or ZIP64 end record) says the archive has
// no entries and no directory bytes: an empty archive, which IsZipArchive
// refuses because it starts with the end record.
bool IsEmptyZipArchive(const std::string& fileName);
bool IsEmptyZipArchive(TArchiveReader& archive);
// The archive comment's bytes as stored behind the end record that leads to
// the directory; empty when there is none or no such end record.
std::string ReadArchiveComment(TArchiveReader& archive);
// The number of the last part ("disk") of the set the file ends, as its
// end record (or ZIP64 locator) says: 0 for an archive in one file, and for
// a file without an end record.
uint32_t LastDiskNumber(TArchiveReader& archive);
// drEntry, drNoEntry (Status tells complete or damaged), drCannotOpen or drEndRecordTooEarly.
int OpenZipDirectory(const std::string& fileName, TZipDirectory& directory);
// The same over an archive already open (a file, or bytes in memory); the
// directory keeps the reader while it needs it.
int OpenZipDirectory(std::unique_ptr<TArchiveReader> archive, TZipDirectory& directory);
// drEntry, drNoEntry (directory closed, Status tells why) or drNotOpen.
int NextZipEntry(TZipDirectory& directory);
void CloseZipDirectory(TZipDirectory& directory);
// Appends one item per entry read. Returns dsNone (list untouched) when the
// file is not an archive, else dsComplete or dsDamaged. (ZipArchive.cpp: a
// short way through TZipArchive.)
TDirectoryStatus ListZipEntries(const std::string& fileName, std::vector<TZipEntry>& list);

}  // namespace valbrix
