// Decodes ZIP method 12 (bzip2) for one entry through libbz2, fed by the
// shared stream loop (StreamPump.h), which bounds input and output. The
// library needs at most a few MB for the largest block size, so no memory
// cap is needed. Damaged data, its block CRCs included, gives 4; a stream
// cut short gives 3.
#include <bzlib.h>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/LibraryResults.h"
#include "engine/codecs/StreamPump.h"
#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

class TBzip2Codec : public TPumpCodec {
public:
    TBzip2Codec() { FInitStatus = BZ2_bzDecompressInit(&FStream, 0, 0); }
    ~TBzip2Codec() override
    {
        if (FInitStatus == BZ_OK)
            BZ2_bzDecompressEnd(&FStream);
    }
    TBzip2Codec(const TBzip2Codec&) = delete;
    TBzip2Codec& operator=(const TBzip2Codec&) = delete;
    int InitStatus() const { return FInitStatus; }

    TPumpStep Step(const uint8_t* in, size_t inCount, bool, uint8_t* out, size_t outCount) override
    {
        // The library takes 32-bit counts; both sides are far smaller here.
        FStream.next_in = const_cast<char*>(reinterpret_cast<const char*>(in));
        FStream.avail_in = unsigned(inCount);
        FStream.next_out = reinterpret_cast<char*>(out);
        FStream.avail_out = unsigned(outCount);
        const int status = BZ2_bzDecompress(&FStream);
        TPumpStep step;
        step.InUsed = inCount - FStream.avail_in;
        step.OutMade = outCount - FStream.avail_out;
        if (status == BZ_STREAM_END)
            step.Status = TPumpStep::psEnd;
        else if (status != BZ_OK)
            step = {0, 0, TPumpStep::psFailed, Bzip2Result(status)};
        return step;
    }

private:
    bz_stream FStream = {};
    int FInitStatus;
};

}  // namespace

int Unbzip2(TEngineState& state)
{
    state.ResetInput();
    TBzip2Codec codec;
    if (codec.InitStatus() != BZ_OK)
        return Bzip2Result(codec.InitStatus());
    return PumpStream(state, codec);
}

}  // namespace valbrix
