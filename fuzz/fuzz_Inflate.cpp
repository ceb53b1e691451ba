// Fuzz target of the deflate decoder. The input is a raw deflate stream,
// read from memory and claimed as exactly its own size. It is decoded twice,
// by the fast decoder and by the byte-wise mode, which must agree on the
// result code, the number of bytes written and their CRC; a difference, or
// a result code inflate never gives, traps. The fast loop only runs with
// plenty of input left, which a short input never has, so for a short
// input the pair runs again on it followed by zero bytes. Output is counted
// and dropped, and the sink fails past 128 KB (two rounds of the 64 KB
// ring), so long expansions cannot make a run long: at 1 MB, and still at
// 256 KB, copying their bytes was most of a run's cost. Touches no files.
#include <cstdint>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/InflateTables.h"
#include "engine/ResultCodes.h"
#include "fuzz/MemoryEnds.h"
#include "fuzz/PaddedPair.h"

namespace {

constexpr size_t OutputCap = size_t(128) << 10;

struct TOutcome {
    int Result;
    size_t Written;
    uint32_t Crc;
};

TOutcome Decode(const uint8_t* data, size_t size, bool byteWise)
{
    valbrix::fuzz::TMemoryDecoderRun run(data, size, OutputCap);
    valbrix::TEngineState& state = run.State;
    const int result = byteWise ? valbrix::InflateByteWise(state) : valbrix::Inflate(state);
    return {result, size_t(run.Sink.Written), state.CrcValue};
}

void CompareModes(const uint8_t* data, size_t size)
{
    const TOutcome fast = Decode(data, size, false);
    if (fast.Result < valbrix::erOk || fast.Result > valbrix::erFormat)
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
