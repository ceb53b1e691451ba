// The archive readers over a file and over memory, and the buffered stream
// the decoders read from.
#include "engine/archive/ArchiveReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace valbrix {

int TFileArchiveReader::Open(const std::string& path)
{
    const int error = FFile.OpenRegularRead(path);
    if (error != 0)
        return error;
    if (!FFile.Identity(FIdentity)) {
        FFile.Close();
        return EIO;
    }
    return 0;
}

long TFileArchiveReader::ReadAt(uint64_t position, uint8_t* buffer, size_t count)
{
    return FFile.ReadAt(position, buffer, count);
}

long TMemoryArchiveReader::ReadAt(uint64_t position, uint8_t* buffer, size_t count)
{
    if (position >= FSize)
        return 0;
    const size_t n = size_t(std::min<uint64_t>(count, FSize - position));
    std::memcpy(buffer, FData + position, n);
    return long(n);
}

TArchiveStream::TArchiveStream(TArchiveReader& reader)
    : FReader(reader), FBuffer(std::make_unique_for_overwrite<uint8_t[]>(BufferSize))
{
}

void TArchiveStream::Seek(uint64_t position)
{
    const uint64_t bufferStart = FNextRead - FLength;
    if (position >= bufferStart && position <= FNextRead) {
        FPos = size_t(position - bufferStart);
        return;
    }
    FNextRead = position;
    FPos = FLength = 0;
}

void TArchiveStream::Restart(uint64_t position, size_t readAheadBytes)
{
    // Entries taken in archive order lie close together: one read serves a
    // run of small ones, so what the buffer holds is kept.
    const uint64_t bufferStart = FNextRead - FLength;
    if (position >= bufferStart && position < FNextRead) {
        FPos = size_t(position - bufferStart);
        FFillBytes = BufferSize;
        return;
    }
    // A fuller read only near the last one, where entries follow each
    // other: taken in another order (a sorted list), each entry would pay
    // for bytes it never uses.
    const bool following = position + BufferSize >= bufferStart && position < FNextRead + BufferSize;
    FNextRead = position;
    FPos = FLength = 0;
    FFillBytes = std::clamp<size_t>(following ? std::max(readAheadBytes, MinimumFill) : readAheadBytes, 1, BufferSize);
}

long TArchiveStream::Read(uint8_t* buffer, size_t count)
{
    size_t done = 0;
    while (done < count) {
        if (FPos == FLength) {
            if (count - done >= BufferSize) {  // large reads skip the extra copy
                FPos = FLength = 0;
                const long n = FReader.ReadAt(FNextRead, buffer + done, count - done);
                if (n > 0)
                    FNextRead += uint64_t(n);
                return n < 0 && done == 0 ? -1 : long(done + size_t(std::max(n, 0L)));
            }
            const long n = FReader.ReadAt(FNextRead, FBuffer.get(), FFillBytes);
            FFillBytes = BufferSize;
            if (n <= 0)
                return done > 0 ? long(done) : n;
            FNextRead += uint64_t(n);
            FPos = 0;
            FLength = size_t(n);
        }
        const size_t n = std::min(count - done, FLength - FPos);
        std::memcpy(buffer + done, FBuffer.get() + FPos, n);
        FPos += n;
        done += n;
    }
    return long(done);
}

}  // namespace valbrix
