// Reads of the archive's little-endian integers (and the one store the
// engine needs), whatever the host's byte order. The byte-wise forms suit
// header fields; the word loads feed the hot loops (CRC slices, the inflate
// bit refill) with one unaligned load each.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace valbrix {

inline uint16_t Le16(const uint8_t* bytes)
{
    return uint16_t(bytes[0] | bytes[1] << 8);
}

inline uint32_t Le32(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

inline uint32_t LoadLe32(const uint8_t* bytes)
{
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::big)
        value = __builtin_bswap32(value);
    return value;
}

inline uint64_t LoadLe64(const uint8_t* bytes)
{
    uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::big)
        value = __builtin_bswap64(value);
    return value;
}

// The counter blocks of the AES entries are little-endian too.
inline void StoreLe64(uint8_t* bytes, uint64_t value)
{
    if constexpr (std::endian::native == std::endian::big)
        value = __builtin_bswap64(value);
    std::memcpy(bytes, &value, sizeof value);
}

}  // namespace valbrix
