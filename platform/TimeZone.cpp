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

TLocalTime LocalTimeOf(int64_t seconds)
{
    const std::time_t moment = std::time_t(seconds);
    std::tm local{};
    TLocalTime time;
    if (!localtime_r(&moment, &local))
        return time;
    time.Year = local.tm_year + 1900;
    time.Month = local.tm_mon + 1;
    time.Day = local.tm_mday;
    time.Hour = local.tm_hour;
    time.Minute = local.tm_min;
    time.Second = local.tm_sec;
    return time;
}

}  // namespace valbrix::platform
