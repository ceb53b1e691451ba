// Fuzz target of the unshrink decoder. The first input byte picks how the
// entry's size is claimed: bit 0 set claims twice the bytes that follow (the
// data then ends early), clear claims exactly them; the rest is the shrunk
// stream, read from memory. Output is counted and dropped, and the sink fails
// past 256 KB, so a stream of long expansions cannot make a run long. Touches
// no files. A result code the decoder must never give here traps.
#include <cstdint>

#include "engine/codecs/Decoders.h"
#include "engine/ResultCodes.h"
#include "fuzz/MemoryEnds.h"

namespace {

constexpr size_t OutputCap = size_t(256) << 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool claimMore = data[0] & 1;
    valbrix::fuzz::TMemoryDecoderRun run(data + 1, size - 1, OutputCap);
    valbrix::TEngineState& state = run.State;
    state.InputSize = uint32_t((size - 1) * (claimMore ? 2 : 1));
    const int result = valbrix::Unshrink(state);
    if (result != valbrix::erOk && result != valbrix::erOutput && result != valbrix::erRead &&
        result != valbrix::erFormat)
        __builtin_trap();
    return 0;
}
