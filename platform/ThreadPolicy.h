// The scheduling policy of the calling thread alone. The job's workers run
// as batch threads: the thread that names the files in order and reports
// them then takes the processor as soon as it wakes, instead of waiting
// behind a worker for its time slice. Unlike a lower priority, the policy
// leaves the workers' share against other programs as it was.
#pragma once

namespace valbrix::platform {

// False when the system refused (the thread keeps its policy).
bool RunThisThreadAsBatch();
// True when the calling thread runs under the batch policy.
bool ThisThreadRunsAsBatch();

}  // namespace valbrix::platform
