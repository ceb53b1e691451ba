// The one place where the codec libraries' own status codes become the
// engine's result codes: damaged data gives 4 (1 where the library checked
// its own checksum of the data), a stream that needs more memory than we
// allow gives 11, a failed allocation or a feature we do not take 6, and a
// short stream 3.
// Codes that mean "go on" or "done" are the caller's business; passed here
// they still give a failure, never success.
#pragma once

#include <cstddef>

namespace valbrix {

int Bzip2Result(int bzipStatus);
int LzmaResult(int lzmaStatus);
int ZstdResult(size_t zstdStatus);

}  // namespace valbrix
