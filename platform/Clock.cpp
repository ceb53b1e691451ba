// Monotonic millisecond clock; wraps after about 49 days like the original.
#include "Clock.h"

#include <chrono>

namespace valbrix::platform {

uint32_t GetTickCount()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace valbrix::platform
