// Fuzz target of the Zstandard (method 93) decoder: the input is an entry's data, decoded
// against a stated size of 256 KB (see BoundedRun.h). Touches no files.
#include "engine/codecs/Decoders.h"
#include "fuzz/BoundedRun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    valbrix::fuzz::RunBounded(data, size, valbrix::Unzstd);
    return 0;
}
