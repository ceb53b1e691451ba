// The ZIP64 field's values; see the header.
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

}  // namespace valbrix
