// The ZIP64, AES and time fields' values; see the header.
#include "engine/archive/ExtraFields.h"

#include "engine/archive/ZipFormat.h"

namespace valbrix {

bool TakeZip64Values(const uint8_t* field, size_t fieldBytes, std::initializer_list<uint64_t*> values)
{
    size_t at = 0;
    for (uint64_t* value : values) {
        if (*value != SizeKeptElsewhere)
            continue;
        if (fieldBytes - at < 8)
            return false;
        *value = LoadLe64(field + at);
        at += 8;
    }
    return true;
}

bool TakeAesField(const uint8_t* field, size_t fieldBytes, TAesInfo& info)
{
    if (fieldBytes < AesField::Bytes || field[AesField::Vendor] != 'A' || field[AesField::Vendor + 1] != 'E')
        return false;
    info.Version = Le16(field + AesField::Version);
    info.Strength = field[AesField::Strength];
    info.Method = Le16(field + AesField::Method);
    return true;
}

bool TakeUnixTimeField(const uint8_t* field, size_t fieldBytes, TExactTime& modified)
{
    constexpr uint8_t HasModified = 0x01;
    if (fieldBytes < 5 || !(field[0] & HasModified))
        return false;
    modified = {int64_t(Le32(field + 1)), 0};
    return true;
}

bool TakeNtfsTimeField(const uint8_t* field, size_t fieldBytes, TExactTime& modified)
{
    constexpr uint16_t TimesTag = 1;
    constexpr size_t TimesBytes = 24;
    constexpr uint64_t TicksPerSecond = 10000000;
    constexpr uint64_t TicksTo1970 = 116444736000000000ull;  // 1601-01-01 to 1970-01-01
    for (size_t at = 4; at + 4 <= fieldBytes;) {
        const uint16_t tag = Le16(field + at);
        const size_t tagBytes = Le16(field + at + 2);
        if (tagBytes > fieldBytes - at - 4)
            return false;
        if (tag == TimesTag && tagBytes >= TimesBytes) {
            const uint64_t ticks = LoadLe64(field + at + 4);
            if (ticks < TicksTo1970)
                return false;
            const uint64_t since1970 = ticks - TicksTo1970;
            modified = {int64_t(since1970 / TicksPerSecond), uint32_t(since1970 % TicksPerSecond) * 100};
            return true;
        }
        at += 4 + tagBytes;
    }
    return false;
}

}  // namespace valbrix
