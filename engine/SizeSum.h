// Sums of entry sizes. A hostile directory may give every entry a ZIP64 size
// near 2^64, so every total of sizes (listing, progress, extraction)
// saturates here instead of wrapping or overflowing.
#pragma once

#include <cstdint>

namespace valbrix {

constexpr uint64_t AddSizeSaturated(uint64_t total, uint64_t size)
{
    return size > UINT64_MAX - total ? UINT64_MAX : total + size;
}

// For totals kept signed (the window's, which formats them as file sizes); a negative total counts as 0.
constexpr int64_t AddSizeSaturated(int64_t total, uint64_t size)
{
    const uint64_t sum = AddSizeSaturated(uint64_t(total < 0 ? 0 : total), size);
    return sum > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(sum);
}

}  // namespace valbrix
