// Fuzz target of the reduce decoder. The first input byte picks the method
// (2..5, low two bits) and the expected output size (upper six bits; 63 means
// "unknown", so only the input's end stops the loop); the rest is the
// compressed stream, read from memory. Output goes to a sink that only counts
// and refuses to grow past a cap, so a run never holds more than the window.
// Traps when the decoder returns a code it has no business returning or
// produces more output than its size allows.
#include <cstdint>

#include "engine/codecs/Decoders.h"
#include "engine/ResultCodes.h"
#include "fuzz/MemoryEnds.h"

using namespace valbrix;

namespace {

// Above the largest size a first byte can claim plus one match.
constexpr size_t OutputCap = 256 << 10;
constexpr uint32_t LongestMatch = 385;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int method = 2 + (data[0] & 3);
    const unsigned sizeCode = data[0] >> 2;
    const uint32_t outputSize = sizeCode == 63 ? UnknownSize : sizeCode * 4099u;

    fuzz::TMemoryDecoderRun run(data + 1, size - 1, OutputCap);
    TEngineState& state = run.State;
    state.OutputSize = outputSize;

    const int result = Unreduce(state, method);
    if (result != erOk && result != erOutput)
        __builtin_trap();
    if (outputSize != UnknownSize && run.Sink.Written > outputSize + LongestMatch)
        __builtin_trap();
    return 0;
}
