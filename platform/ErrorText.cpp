// errno texts; see the header.
#include "platform/ErrorText.h"

#include <string.h>

namespace valbrix::platform {

std::string ErrorText(int systemError)
{
    char buffer[256];
    // The GNU form returns the text, which may or may not lie in the buffer.
    return strerror_r(systemError, buffer, sizeof buffer);
}

}  // namespace valbrix::platform
