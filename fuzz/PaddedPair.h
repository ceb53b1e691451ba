// How the deflate targets feed their fast-against-careful comparison: the
// fast loop only runs with plenty of input in hand, which a short input
// never has, so a short input is compared again with zero bytes behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace valbrix::fuzz {

constexpr size_t Padding = 1024;
// A longer input gives the fast loop all but its last few bytes already;
// decoding it twice more doubled the cost of the runs that cost most.
constexpr size_t PaddedBelow = 256;

inline void CompareAsGivenAndPadded(const uint8_t* data, size_t size, void (*compare)(const uint8_t*, size_t))
{
    compare(data, size);
    if (size >= PaddedBelow)
        return;
    std::vector<uint8_t> padded(data, data + size);
    padded.resize(size + Padding);
    compare(padded.data(), padded.size());
}

}  // namespace valbrix::fuzz
