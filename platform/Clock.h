// Monotonic millisecond clock, standing in for GetTickCount.
#pragma once

#include <cstdint>

namespace valbrix::platform {

uint32_t GetTickCount();

}  // namespace valbrix::platform
