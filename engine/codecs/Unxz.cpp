// Decodes ZIP method 95 (XZ) for one entry through liblzma's stream
// decoder, fed by the shared stream loop (StreamPump.h), which bounds input
// and output. A stream whose dictionaries would need more than the engine's
// cap is refused (11) by the library's memory limit before anything is
// allocated. Damaged data, the stream's own check included, gives 4.
#include "engine/codecs/Decoders.h"
#include "engine/codecs/LzmaCodec.h"

namespace valbrix {

namespace {
// The decoder's own tables beside a dictionary of the largest size we allow.
constexpr uint64_t XzMemoryLimit = MaxDictionaryBytes + (uint64_t(8) << 20);
}  // namespace

int Unxz(TEngineState& state)
{
    state.ResetInput();
    TLzmaCodec codec;
    const lzma_ret status = lzma_stream_decoder(&codec.Stream, XzMemoryLimit, 0);
    if (status != LZMA_OK)
        return LzmaResult(status);
    return PumpStream(state, codec);
}

}  // namespace valbrix
