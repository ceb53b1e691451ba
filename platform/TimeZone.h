// The name of the local time zone ("CET", "UTC"), for listings that show
// times as local ones. Read through the reentrant call; the caller asks
// once, before any worker starts.
#pragma once

#include <string>

namespace valbrix::platform {

std::string LocalZoneName();

}  // namespace valbrix::platform
