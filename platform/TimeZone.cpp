// The local time zone's name; see the header.
#include "platform/TimeZone.h"

#include <ctime>

namespace valbrix::platform {

std::string LocalZoneName()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char name[64] = {};
    if (!localtime_r(&now, &local) || std::strftime(name, sizeof name, "%Z", &local) == 0)
        return "local time";
    return name;
}

}  // namespace valbrix::platform
