// Recovery of an archive whose end record or central directory is lost (a
// download cut short, a directory overwritten): the entries are rebuilt by
// walking the local headers from the first one on, each entry's data
// skipped by the sizes its header gives, or, for an entry whose sizes
// follow its data (flag bit 3), by finding the data descriptor whose size
// matches the distance walked. State is the walk's own; it reads through
// TArchiveReader and holds one entry at a time.
// Bounds for hostile input: entries are at least 30 bytes apart, so no
// more than bytes / 30 come out; all scans together read, and search, at
// most a small multiple of the file, so the cost stays linear. A header
// found by scanning (behind a program stub, or past a damaged stretch) is
// taken only when its data ends where a record starts
// or the file ends; an entry cut off by the end of the file is handed out
// marked edCut and ends the walk.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/archive/ArchiveReader.h"
#include "engine/archive/ZipDirectory.h"

namespace valbrix {

class TLocalHeaderWalk {
public:
    explicit TLocalHeaderWalk(TArchiveReader& archive);
    TLocalHeaderWalk(const TLocalHeaderWalk&) = delete;
    TLocalHeaderWalk& operator=(const TLocalHeaderWalk&) = delete;

    // The next entry in file order, valid until the next call; null at the end.
    const TZipEntry* Next();

    // Where the first local header is looked for: a program stub in front
    // of an archive is rarely larger.
    static constexpr uint64_t FirstHeaderReach = 16u << 20;

private:
    enum THeaderRead { hrEntry, hrNoHeader, hrEnd };
    THeaderRead ReadEntry(uint64_t at, bool foundByScan);
    bool FindDescriptor(uint64_t dataStart, bool zip64);
    bool DescriptorChecksOut(uint64_t at, bool signature, bool zip64, uint64_t dataStart);
    bool RecordOrEndAt(uint64_t at);
    bool StoredCrcMatches(uint64_t dataStart, uint64_t bytes, uint32_t crc);
    // The position of the next signature at or after `from` that `wanted`
    // accepts, below `limit`; false when there is none or the scan budget is spent.
    template <typename TWanted>
    bool FindSignature(uint64_t from, uint64_t limit, TWanted wanted, uint64_t& found);
    // Copies count bytes at position through the chunk buffer; false when the file ends first.
    bool Read(uint64_t position, uint8_t* out, size_t count);
    const uint8_t* Chunk(uint64_t position, size_t count);

    TArchiveReader& FArchive;
    const uint64_t FFileBytes;
    std::unique_ptr<uint8_t[]> FChunk;
    uint64_t FChunkStart = 0;
    size_t FChunkBytes = 0;
    // Bytes all scans together may still read: twice the file, and a little.
    uint64_t FScanBudget;
    // Bytes all signature searches together may still look at, held bytes
    // included: twice the file, and a little.
    uint64_t FSearchBudget;
    uint64_t FMaxEntries;
    uint64_t FCount = 0;
    uint64_t FNext = 0;       // where the next local header should stand
    bool FNextByScan = false; // FNext was found by scanning, not by walking
    bool FStarted = false;
    bool FDone = false;
    TZipEntry FEntry;
    uint64_t FEntryEnd = 0;   // behind the current entry's data (and descriptor)
};

}  // namespace valbrix
