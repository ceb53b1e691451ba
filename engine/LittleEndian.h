// Reads of the archive's little-endian integers (and the one store the
// engine needs), whatever the host's byte order, each one unaligned load.
// Header fields get theirs too: read byte by byte, each field cost four
// checked loads and a call in the sanitizer build, where the directory
// reader's fuzz target spent much of its time in them.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace valbrix {

inline uint16_t Le16(const uint8_t* bytes)
{
    uint16_t value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::big)
        value = __builtin_bswap16(value);
    return value;
}

inline uint32_t Le32(const uint8_t* bytes)
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
