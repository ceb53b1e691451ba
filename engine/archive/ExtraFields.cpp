// The ZIP64 and AES fields' values; see the header.
#include "engine/archive/ExtraFields.h"

namespace valbrix {

bool TakeZip64Values(const uint8_t* field, size_t fieldBytes, std::initializer_list<uint64_t*> values)
{
    constexpr uint64_t Saturated = 0xFFFFFFFFu;
    size_t at = 0;
    for (uint64_t* value : values) {
        if (*value != Saturated)
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
    constexpr size_t FieldBytes = 7;  // version 2, vendor 2, strength 1, method 2
    if (fieldBytes < FieldBytes || field[2] != 'A' || field[3] != 'E')
        return false;
    info.Version = Le16(field);
    info.Strength = field[4];
    info.Method = Le16(field + 5);
    return true;
}

}  // namespace valbrix
