// A small archive of many small entries, read into memory once when a job
// takes its entries out of the archive's order (the window's name order).
// Read from the file, each such entry cost a system call at a scattered
// position, where the archive's order lets the stream read ahead; the
// image turns those calls into copies. Bounded in bytes: a large archive,
// or one of few or large entries, is read from the file as before.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/archive/ArchiveReader.h"

namespace valbrix {

class TArchiveImage {
public:
    static constexpr uint64_t MaxBytes = uint64_t(64) << 20;
    static constexpr uint64_t MinEntries = 1024;
    // Archive bytes per selected entry: above it the entries are large
    // enough (or so few of the archive's) that a read each costs little.
    static constexpr uint64_t MaxBytesPerEntry = uint64_t(16) << 10;

    // Whether a job of `entries` out of the archive's order over an archive
    // of `archiveBytes` is worth an image. A spanned set is read from its parts.
    static bool Worth(uint64_t archiveBytes, uint64_t entries, bool scattered, bool spanned);

    // Reads all of `source`. False, with nothing held, on a read error, a
    // short read (the file shrank) or too little memory: the job then reads
    // the file as it would have.
    bool Load(TArchiveReader& source);
    void Release();
    // The image, or null when nothing is held.
    TArchiveReader* Reader() const { return FReader.get(); }

private:
    std::unique_ptr<uint8_t[]> FBytes;
    std::unique_ptr<TMemoryArchiveReader> FReader;
};

}  // namespace valbrix
