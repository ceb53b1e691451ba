// Decodes ZIP method 93 (Zstandard) for one entry through libzstd's
// streaming decoder, fed by the shared stream loop (StreamPump.h), which
// bounds input and output. Frames follow one another up to the entry's
// compressed size. A frame whose window is over the engine's cap is refused
// (11) by the decoder's window limit before it is allocated. Damaged data
// gives 4, a wrong content checksum 1.
#include <memory>

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

// The context outlives the entry, kept in the engine state; a context
// whose buffers grew past KeptBytes for a large window is not kept, so a
// driver does not hold them from one huge entry on through small ones.
constexpr size_t KeptBytes = size_t(4) << 20;

class TZstdContext : public TKeptDecoder {
public:
    TZstdContext() : Context(ZSTD_createDCtx()) {}
    ~TZstdContext() override { ZSTD_freeDCtx(Context); }
    TZstdContext(const TZstdContext&) = delete;
    TZstdContext& operator=(const TZstdContext&) = delete;
    ZSTD_DCtx* const Context;
};

class TZstdCodec : public TPumpCodec {
public:
    explicit TZstdCodec(ZSTD_DCtx* context) : FContext(context) {}

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

// The kept context, reset to a fresh stream (the window limit stays set),
// or a new one; null when none can be made.
ZSTD_DCtx* ReadyContext(TEngineState& state, size_t& error)
{
    if (auto* kept = static_cast<TZstdContext*>(state.KeptZstd.get())) {
        error = ZSTD_DCtx_reset(kept->Context, ZSTD_reset_session_only);
        return ZSTD_isError(error) ? nullptr : kept->Context;
    }
    auto fresh = std::make_unique<TZstdContext>();
    if (!fresh->Context) {
        error = size_t(-ZSTD_error_memory_allocation);
        return nullptr;
    }
    error = ZSTD_DCtx_setParameter(fresh->Context, ZSTD_d_windowLogMax, MaxWindowLog);
    if (ZSTD_isError(error))
        return nullptr;
    state.KeptZstd = std::move(fresh);
    return static_cast<TZstdContext*>(state.KeptZstd.get())->Context;
}

}  // namespace

int Unzstd(TEngineState& state)
{
    state.ResetInput();
    size_t error = 0;
    ZSTD_DCtx* const context = ReadyContext(state, error);
    if (!context) {
        state.KeptZstd.reset();
        return ZstdResult(error);
    }
    TZstdCodec codec(context);
    const int result = PumpStream(state, codec);
    if (ZSTD_sizeof_DCtx(context) > KeptBytes)
        state.KeptZstd.reset();
    return result;
}

}  // namespace valbrix
