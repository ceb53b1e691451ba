// The name of the local time zone ("CET", "UTC"), for listings that show
// times as local ones. Read through the reentrant call; the caller asks
// once, before any worker starts.
#pragma once

#include <cstdint>
#include <string>

#include "platform/FileServices.h"

namespace valbrix::platform {

std::string LocalZoneName();
// The local clock reading of a moment given in seconds since the epoch;
// the epoch itself when the C library cannot convert it.
TLocalTime LocalTimeOf(int64_t seconds);

}  // namespace valbrix::platform
