// Builds ZIP archives byte by byte, so tests can state exactly what each
// header field holds: wrong signatures, sizes that lie, data descriptors with
// and without their signature, prefixes in front of the archive, and so on.
// The payload is taken as already compressed; the builder never compresses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "TestFiles.h"
#include "engine/archive/ZipArchive.h"

namespace valbrix::test {

struct CraftedEntry {
    std::string Name;
    Bytes Data;                      // the compressed bytes as stored
    uint16_t Method = 0;
    uint16_t Flags = 0;
    uint32_t Crc32 = 0;              // of the uncompressed data
    uint32_t CompressedSize = 0;     // central directory value
    uint32_t UncompressedSize = 0;   // central directory value
    uint32_t DosDateTime = 0x5A8F6C21; // 2025-04-15 13:33:02
    uint8_t HostSystem = 0;          // version-made-by high byte: 0 MS-DOS, 3 Unix
    uint32_t ExternalAttributes = 0x20;
    std::string Comment;
    Bytes Extra;
    // Local header values; each defaults to the central directory's.
    std::optional<uint32_t> LocalCrc32, LocalCompressedSize, LocalUncompressedSize;
    std::optional<uint16_t> LocalFlags, LocalMethod;
    std::optional<uint32_t> LocalSignature;
    // Written in the central header instead of the real local header offset
    // (0xFFFFFFFF with the real one in a ZIP64 extra field, say).
    std::optional<uint32_t> CentralOffsetField;
    // When set, a data descriptor follows the data; with or without "PK" 07 08.
    bool DataDescriptor = false;
    bool DescriptorSignature = true;
};

// Every entry of an open archive, in archive order.
std::vector<TZipEntry> EntriesOf(const TZipArchive& archive);

// Whether `password` passes the traditional header check of `entry` of the
// archive at `path` (false when the header cannot be read).
bool ZipCryptoHeaderPasses(const std::string& path, const TZipEntry& entry, const std::string& password);

// The first of "wrongN" whose traditional header check gives `fits` for
// `entry` of the archive at `path` ("" when none of 100,000 does). Archives
// made by tools carry a random header, so a fixed wrong password passes the
// one-byte check in one archive of 256, and then fails in the decoder as a
// final wrong password instead of being asked for again.
std::string WrongZipCryptoPassword(const std::string& path, const TZipEntry& entry, bool fits);

// A stored entry with correct sizes and CRC.
CraftedEntry StoredEntry(const std::string& name, const Bytes& content);

class CraftedZip {
public:
    void Add(const CraftedEntry& entry) { FEntries.push_back(entry); }
    // Bytes put before the first local header (a self-extractor stub, junk).
    void SetPrefix(const Bytes& prefix, bool adjustOffsets) { FPrefix = prefix; FAdjustOffsets = adjustOffsets; }
    void SetArchiveComment(const std::string& comment) { FComment = comment; }
    // Ends the directory with a ZIP64 end record and its locator, and
    // saturates every field of the plain end record.
    void SetZip64End(bool zip64End) { FZip64End = zip64End; }
    // Writes a directory size `skew` bytes off the real one in the end
    // record (or the ZIP64 end record), as a miscounting writer would.
    void SetDirectorySizeSkew(int64_t skew) { FDirectorySizeSkew = skew; }
    Bytes Build() const;
    // Offset of entry i's local header in the last Build() (including the prefix).
    uint32_t LocalHeaderOffset(size_t i) const { return FOffsets.at(i); }

private:
    std::vector<CraftedEntry> FEntries;
    Bytes FPrefix;
    bool FAdjustOffsets = true;
    std::string FComment;
    bool FZip64End = false;
    int64_t FDirectorySizeSkew = 0;
    mutable std::vector<uint32_t> FOffsets;
};

// The bytes of a plain end record as an archive comment may hold them: one
// entry, 46 directory bytes, at the given directory offset; saturated, every
// field says the ZIP64 end record holds it.
Bytes LookalikeEndRecord(uint32_t directoryOffset, bool saturated = false);
// A ZIP64 locator whose ZIP64 end record would lie at recordOffset.
Bytes LookalikeLocator(uint64_t recordOffset);

// An MS-DOS executable stub whose header says it is `size` bytes long.
Bytes DosStub(size_t size);

void PutLe16(Bytes& out, uint16_t value);
void PutLe32(Bytes& out, uint32_t value);
void PutLe64(Bytes& out, uint64_t value);

// A ZIP64 extra field (id 1) holding the given 64-bit values in order.
Bytes Zip64Extra(const std::vector<uint64_t>& values);
// A Unicode path extra field (id 0x7075): version, the CRC-32 it claims
// for the plain name, the UTF-8 name.
Bytes UnicodePathExtra(const std::string& utf8Name, uint32_t plainNameCrc, uint8_t version = 1);

}  // namespace valbrix::test
