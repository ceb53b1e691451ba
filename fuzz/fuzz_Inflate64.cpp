// Fuzz target of the Deflate64 mode of the inflate decoder. The input is a
// raw Deflate64 stream, claimed as exactly its own size, with a stated
// output size of 256 KB. It is decoded by the fast decoder and by the
// byte-wise mode, which must agree on the result code, the bytes written and
// their CRC; a difference, a result code the decoder never gives, or output
// past the stated size traps. As for deflate, a short input's pair runs
// again with zero bytes behind it, so the fast loop meets it too.
// Touches no files.
#include <cstdint>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/InflateTables.h"
#include "engine/ResultCodes.h"
#include "fuzz/BoundedRun.h"
#include "fuzz/PaddedPair.h"

namespace {

struct TOutcome {
    int Result;
    uint64_t Written;
    uint32_t Crc;
};

TOutcome Decode(const uint8_t* data, size_t size, bool byteWise)
{
    valbrix::fuzz::TMemoryDecoderRun run(data, size);
    valbrix::TEngineState& state = run.State;
    state.OutputSize = valbrix::fuzz::FuzzStatedSize;
    const int result = byteWise ? valbrix::Inflate64ByteWise(state) : valbrix::Inflate64(state);
    return {result, run.Sink.Written, state.CrcValue};
}

void CompareModes(const uint8_t* data, size_t size)
{
    const TOutcome fast = Decode(data, size, false);
    if (fast.Result < valbrix::erOk || fast.Result > valbrix::erFormat || fast.Written > valbrix::fuzz::FuzzStatedSize)
        __builtin_trap();
    const TOutcome careful = Decode(data, size, true);
    if (fast.Result != careful.Result || fast.Written != careful.Written || fast.Crc != careful.Crc)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    valbrix::fuzz::CompareAsGivenAndPadded(data, size, CompareModes);
    return 0;
}
