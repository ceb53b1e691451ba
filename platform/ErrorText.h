// The system's own words for an errno value, safe from any thread: strerror
// may hand every caller one shared buffer.
#pragma once

#include <string>

namespace valbrix::platform {

// "No space left on device" for ENOSPC; "Unknown error N" for a value the
// system does not know.
std::string SystemErrorText(int error);

}  // namespace valbrix::platform
