// Fuzz target of the explode decoder. The first input byte picks the entry:
// bit 0 the 8 KB dictionary, bit 1 the literal tree, bits 2-3 the expected
// size (unknown, 1, 5000 or 70000 bytes), bit 4 an InputSize above 200 000
// (wide distance table); the rest is the compressed data, read from memory.
// Output is counted and dropped, and the sink fails past 256 KB (above the
// largest size claimed), so a stream with an unknown size cannot make a run
// long. Touches no files.
#include <cstdint>
#include <cstdlib>

#include "engine/codecs/Decoders.h"
#include "engine/ResultCodes.h"
#include "fuzz/MemoryEnds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t choice = data[0];
    static const uint32_t Sizes[4] = {valbrix::UnknownSize, 1, 5000, 70000};

    valbrix::fuzz::TMemoryDecoderRun run(data + 1, size - 1, 256u << 10);
    valbrix::TEngineState& state = run.State;
    state.EntryFlags = uint16_t(((choice & 1) ? 2 : 0) | ((choice & 2) ? 4 : 0));
    state.OutputSize = Sizes[(choice >> 2) & 3];
    state.InputSize = (choice & 0x10) ? 200001u : uint32_t(size - 1);

    const int code = valbrix::Explode(state);
    // Nothing but these codes can come out, and success means the size was
    // reached by at most one longest match too many.
    if (code < valbrix::erOk || code > valbrix::erFormat || code == valbrix::erCrc)
        std::abort();
    if (code == valbrix::erOk && (run.Sink.Written < state.OutputSize || run.Sink.Written > state.OutputSize + 320))
        std::abort();
    return 0;
}
