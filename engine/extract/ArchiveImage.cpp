// The archive's image for a scattered job; see the header.
#include "engine/extract/ArchiveImage.h"

#include <algorithm>
#include <new>

namespace valbrix {

bool TArchiveImage::Worth(uint64_t archiveBytes, uint64_t entries, bool scattered, bool spanned)
{
    return scattered && !spanned && entries >= MinEntries && archiveBytes <= MaxBytes &&
           archiveBytes / entries <= MaxBytesPerEntry;
}

bool TArchiveImage::Load(TArchiveReader& source)
{
    FReader.reset();
    const uint64_t size = source.Size();
    if (size > MaxBytes)
        return false;
    FBytes.reset(new (std::nothrow) uint8_t[size_t(std::max<uint64_t>(size, 1))]);
    if (!FBytes)
        return false;
    constexpr size_t Piece = size_t(1) << 20;
    for (uint64_t done = 0; done < size;) {
        const long got = source.ReadAt(done, FBytes.get() + done, size_t(std::min<uint64_t>(Piece, size - done)));
        if (got <= 0) {
            FBytes.reset();
            return false;
        }
        done += uint64_t(got);
    }
    FReader = std::make_unique<TMemoryArchiveReader>(FBytes.get(), size_t(size));
    return true;
}

void TArchiveImage::Release()
{
    FReader.reset();
    FBytes.reset();
}

}  // namespace valbrix
