// Fuzz target of the LZMA (method 14) decoder: the input is an entry's data
// (the ZIP LZMA header, properties, stream), decoded against a stated size
// of 256 KB (see BoundedRun.h), once as a stream that ends at the size and
// once as one that must end with its marker. Touches no files.
#include "engine/codecs/Decoders.h"
#include "fuzz/BoundedRun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr uint16_t gpLzmaEndMarker = 0x0002;
    valbrix::fuzz::RunBounded(data, size, valbrix::Unlzma);
    valbrix::fuzz::RunBounded(data, size, valbrix::Unlzma, gpLzmaEndMarker);
    return 0;
}
