// How the engine reads an archive: positioned reads through a small
// interface, so the directory reader and the driver run the same over a file
// (through platform/) and over bytes in memory (fuzz targets, tests).
// TArchiveStream turns positioned reads into the sequential source the
// decoders pull from, through a 64 KB buffer, so that the engine's 2 KB
// refills cost a copy rather than a system call each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineState.h"
#include "platform/FileServices.h"

namespace valbrix {

class TArchiveReader {
public:
    virtual ~TArchiveReader() = default;
    // Reads up to count bytes at position: all of them unless the archive
    // ends first; -1 on an I/O error.
    virtual long ReadAt(uint64_t position, uint8_t* buffer, size_t count) = 0;
    virtual uint64_t Size() const = 0;
    // Where each part ("disk") of a spanned set starts in the byte range;
    // empty for one file, whose disk numbers are not looked at.
    virtual std::vector<uint64_t> DiskStarts() const { return {}; }
    // False when some of the bytes [from, to) lie in a part that is missing.
    virtual bool Holds(uint64_t /*from*/, uint64_t /*to*/) const { return true; }
};

// A regular file, opened read-only. Folders, pipes and devices are refused.
class TFileArchiveReader : public TArchiveReader {
public:
    // 0 or the errno value of the failure.
    int Open(const std::string& path);
    long ReadAt(uint64_t position, uint8_t* buffer, size_t count) override;
    uint64_t Size() const override { return FIdentity.Bytes; }
    // The identity the file had when it was opened.
    const platform::TFileIdentity& Identity() const { return FIdentity; }

private:
    platform::TFile FFile;
    platform::TFileIdentity FIdentity;
};

// Bytes held by the caller, who keeps them alive as long as the reader.
class TMemoryArchiveReader : public TArchiveReader {
public:
    TMemoryArchiveReader(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    long ReadAt(uint64_t position, uint8_t* buffer, size_t count) override;
    uint64_t Size() const override { return FSize; }

private:
    const uint8_t* FData;
    size_t FSize;
};

// Sequential reads from a position in an archive. Reads fill the whole
// request unless the archive ends, as a plain file read would.
class TArchiveStream : public TInputSource {
public:
    explicit TArchiveStream(TArchiveReader& reader);
    // Moves to a position; one that lies in the buffered bytes costs no read.
    void Seek(uint64_t position);
    // Moves to a position where an entry starts. Bytes already buffered
    // there are kept; otherwise the next fill reads only `readAheadBytes`
    // (at most the buffer; at least a few KB when the entry lies just
    // behind the buffer), so a small entry costs one small read and, in
    // archive order, its neighbours none; later fills read whole buffers.
    void Restart(uint64_t position, size_t readAheadBytes);
    long Read(uint8_t* buffer, size_t count) override;

private:
    static constexpr size_t BufferSize = 64 * 1024;
    static constexpr size_t MinimumFill = 16 * 1024;
    TArchiveReader& FReader;
    std::unique_ptr<uint8_t[]> FBuffer;
    uint64_t FNextRead = 0;  // archive position of the byte behind the buffer's contents
    // The buffer holds archive bytes [FNextRead - FLength, FNextRead); FPos indexes the next one.
    size_t FPos = 0;
    size_t FLength = 0;
    size_t FFillBytes = BufferSize;  // bytes the next fill asks for
};

}  // namespace valbrix
