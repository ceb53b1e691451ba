// Tests of eight bytes at once, for scans over names that are nearly always
// plain ASCII: a loop with an early exit per byte cost more than the rest
// of listing an entry.
#pragma once

#include <cstdint>
#include <cstring>

namespace valbrix {

constexpr uint64_t ByteOnes = 0x0101010101010101u;
constexpr uint64_t ByteHighs = 0x8080808080808080u;

inline uint64_t LoadWord(const void* at)
{
    uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Exact: the borrow that could fake a zero byte only runs above a real one.
inline bool HasZeroByte(uint64_t word)
{
    return ((word - ByteOnes) & ~word & ByteHighs) != 0;
}

inline bool HasByte(uint64_t word, uint8_t value)
{
    return HasZeroByte(word ^ (ByteOnes * value));
}

// For words without a byte above 0x7F only.
inline bool HasByteBelow(uint64_t word, uint8_t bound)
{
    return ((word - ByteOnes * bound) & ~word & ByteHighs) != 0;
}

}  // namespace valbrix
