// The system's text for an errno value, through the reentrant call: the
// extraction job's workers and the front end may ask at the same time.
#pragma once

#include <string>

namespace valbrix::platform {

std::string ErrorText(int systemError);

}  // namespace valbrix::platform
