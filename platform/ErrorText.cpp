#include "ErrorText.h"

#include <cstring>

namespace valbrix::platform {

std::string SystemErrorText(int error)
{
    char buffer[256];
    // glibc's strerror_r (with _GNU_SOURCE) returns the text, in `buffer` or
    // in a constant string of its own.
    return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace valbrix::platform
