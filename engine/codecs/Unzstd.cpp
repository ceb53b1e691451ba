// Decodes ZIP method 93 (Zstandard) for one entry through libzstd's
// streaming decoder, fed by the shared stream loop (StreamPump.h), which
// bounds input and output. Frames follow one another up to the entry's
// compressed size. A frame whose window is over the engine's cap is refused
// (11) by the decoder's window limit before it is allocated. Damaged data
// gives 4, a wrong content checksum 1.
#include <zstd.h>
#include <zstd_errors.h>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/LibraryResults.h"
#include "engine/codecs/StreamPump.h"
#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

constexpr int MaxWindowLog = 28;
static_assert(uint64_t(1) << MaxWindowLog == MaxDictionaryBytes);

class TZstdCodec : public TPumpCodec {
public:
    TZstdCodec() : FContext(ZSTD_createDCtx()) {}
    ~TZstdCodec() override { ZSTD_freeDCtx(FContext); }
    TZstdCodec(const TZstdCodec&) = delete;
    TZstdCodec& operator=(const TZstdCodec&) = delete;

    // 0 when ready, else the library's error.
    size_t Init()
    {
        if (!FContext)
            return size_t(-ZSTD_error_memory_allocation);
        return ZSTD_DCtx_setParameter(FContext, ZSTD_d_windowLogMax, MaxWindowLog);
    }

    TPumpStep Step(const uint8_t* in, size_t inCount, bool, uint8_t* out, size_t outCount) override
    {
        ZSTD_inBuffer input = {in, inCount, 0};
        ZSTD_outBuffer output = {out, outCount, 0};
        const size_t status = ZSTD_decompressStream(FContext, &output, &input);
        TPumpStep step;
        step.InUsed = input.pos;
        step.OutMade = output.pos;
        if (ZSTD_isError(status))
            step = {0, 0, TPumpStep::psFailed, ZstdResult(status)};
        else if (status == 0)
            step.Status = TPumpStep::psFrameEnd;
        return step;
    }

private:
    ZSTD_DCtx* FContext;
};

}  // namespace

int Unzstd(TEngineState& state)
{
    state.ResetInput();
    TZstdCodec codec;
    if (const size_t status = codec.Init(); ZSTD_isError(status))
        return ZstdResult(status);
    return PumpStream(state, codec);
}

}  // namespace valbrix
