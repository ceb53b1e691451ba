// Thread scheduling policy; see the header.
#include "ThreadPolicy.h"

#include <sched.h>

namespace valbrix::platform {

// On Linux, pid 0 names the calling thread, not the process.
bool RunThisThreadAsBatch()
{
    const sched_param none{};
    return sched_setscheduler(0, SCHED_BATCH, &none) == 0;
}

bool ThisThreadRunsAsBatch()
{
    return sched_getscheduler(0) == SCHED_BATCH;
}

}  // namespace valbrix::platform
