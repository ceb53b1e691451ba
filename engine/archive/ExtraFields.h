// The extra fields of ZIP headers that the engine reads: walking a header's
// extra area field by field, taking the ZIP64 field's 64-bit values for the
// 32-bit fields that are saturated, the AES field's facts, and the exact
// modification times of the extended timestamp and NTFS fields. Pure
// functions over the bytes given; an area whose last field claims more
// bytes than it holds ends the walk there, so nothing is read outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "engine/LittleEndian.h"

namespace valbrix {

// Calls visit(id, data, dataBytes) for each field of the extra area in
// order, until visit returns false or the area ends.
template <class Visit>
void ForEachExtraField(const uint8_t* extra, size_t extraBytes, Visit visit)
{
    for (size_t at = 0; extraBytes - at >= 4;) {
        const uint16_t id = Le16(extra + at);
        const size_t dataBytes = Le16(extra + at + 2);
        if (dataBytes > extraBytes - at - 4 || !visit(id, extra + at + 4, dataBytes))
            return;
        at += 4 + dataBytes;
    }
}

// The ZIP64 field holds a 64-bit value for each saturated (0xFFFFFFFF)
// value, in the order the header's format lists them, and only for those.
// Replaces each saturated value; false when the field lacks one.
bool TakeZip64Values(const uint8_t* field, size_t fieldBytes, std::initializer_list<uint64_t*> values);

// What the AES field says about an entry with method 99.
struct TAesInfo {
    uint16_t Version = 0;   // 1 (AE-1: CRC kept) or 2 (AE-2: no CRC); 0 = no valid field
    uint8_t Strength = 0;   // 1, 2, 3 for 128-, 192-, 256-bit keys (other values are kept as read)
    uint16_t Method = 0;    // the method of the data under the encryption
};
// False (info untouched) for a field too short or without the vendor mark.
bool TakeAesField(const uint8_t* field, size_t fieldBytes, TAesInfo& info);

// A moment in UTC, to the nanosecond.
struct TExactTime {
    int64_t Seconds = 0;       // since 1970-01-01 00:00:00 UTC
    uint32_t Nanoseconds = 0;  // 0..999,999,999
    bool operator==(const TExactTime&) const = default;
};

// The extended timestamp field (0x5455): a flags byte whose bit 0 says the
// modification time follows, as 32-bit seconds since the epoch, taken as
// unsigned (through 2106: a signed reading would put every such time after
// 2038 before 1970). False when the field holds none.
bool TakeUnixTimeField(const uint8_t* field, size_t fieldBytes, TExactTime& modified);
// The NTFS field (0x000a): four reserved bytes, then tagged attributes; tag
// 1 (24 bytes) holds the modification, access and creation times in 100 ns
// since 1601-01-01 UTC. False when the field holds no modification time or
// one before 1970.
bool TakeNtfsTimeField(const uint8_t* field, size_t fieldBytes, TExactTime& modified);

}  // namespace valbrix
