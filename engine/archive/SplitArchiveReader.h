// Archives in several files, read as one byte range behind the reader
// interface. A spanned set (NAME.z01 ... NAME.zNN, then NAME.zip) keeps
// its offsets per part ("disk"): the directory reader maps (disk, offset)
// pairs through DiskStarts. A byte-split set (NAME.zip.001, .002 ...) is
// one archive cut into pieces, read as their concatenation. Part names are
// matched without regard to ASCII case. A missing part is kept as a hole
// of the parts' common size, whose reads fail, so the entries in the parts
// that are there still list; parts whose sizes disagree refuse the set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/archive/ArchiveReader.h"

namespace valbrix {

enum TSetProblem : uint8_t {
    spNone,
    spMissingPart,     // a part of the set is not there (ProblemPart names it)
    spPartsDisagree,   // a part other than the last differs in size from the first (ProblemPart)
};

class TSplitArchiveReader : public TArchiveReader {
public:
    struct TPart {
        std::string Name;  // the file name, without its folder
        uint64_t Start = 0;
        uint64_t Bytes = 0;
        std::unique_ptr<TFileArchiveReader> File;  // null for a missing part
    };

    // The parts in order; a null File is a missing part, taken to be as
    // long as the first part that is there. Spanned: offsets are per part.
    TSplitArchiveReader(std::vector<TPart> parts, bool spanned);

    long ReadAt(uint64_t position, uint8_t* buffer, size_t count) override;
    uint64_t Size() const override { return FSize; }
    std::vector<uint64_t> DiskStarts() const override;
    bool Holds(uint64_t from, uint64_t to) const override;

    TSetProblem Problem() const { return FProblem; }
    const std::string& ProblemPart() const { return FProblemPart; }

private:
    std::vector<TPart> FParts;
    bool FSpanned;
    uint64_t FSize = 0;
    TSetProblem FProblem = spNone;
    std::string FProblemPart;
};

// What the name (and, for NAME.zip, the end record's disk number) says of
// the file at `path`.
struct TSetOpening {
    std::unique_ptr<TArchiveReader> Reader;  // null when the file cannot be opened or the set is refused
    int Error = 0;                           // errno of a file that cannot be opened
    TSetProblem Problem = spNone;
    std::string ProblemPart;
};

// Opens the file, or the whole set it belongs to: NAME.zip whose end record
// names a disk above 0 with its NAME.z01 ...; NAME.z01 (any .zNN) with its
// NAME.zip; NAME.001 (any .NNN) with every .NNN beside it.
TSetOpening OpenArchiveFiles(const std::string& path);

}  // namespace valbrix
