// The liblzma side of the LZMA and XZ decoders: one stream, ended on every
// way out, driven by the shared stream loop.
#pragma once

#include <lzma.h>

#include "engine/codecs/LibraryResults.h"
#include "engine/codecs/StreamPump.h"

namespace valbrix {

class TLzmaCodec : public TPumpCodec {
public:
    TLzmaCodec() = default;
    ~TLzmaCodec() override { lzma_end(&Stream); }
    TLzmaCodec(const TLzmaCodec&) = delete;
    TLzmaCodec& operator=(const TLzmaCodec&) = delete;

    TPumpStep Step(const uint8_t* in, size_t inCount, bool inputEnded, uint8_t* out, size_t outCount) override
    {
        Stream.next_in = in;
        Stream.avail_in = inCount;
        Stream.next_out = out;
        Stream.avail_out = outCount;
        // Told that the input has ended, the library reports a stream that
        // is not complete instead of waiting for more.
        const lzma_ret status = lzma_code(&Stream, inputEnded ? LZMA_FINISH : LZMA_RUN);
        TPumpStep step;
        step.InUsed = inCount - Stream.avail_in;
        step.OutMade = outCount - Stream.avail_out;
        if (status == LZMA_STREAM_END)
            step.Status = TPumpStep::psEnd;
        else if (status != LZMA_OK)
            step = {0, 0, TPumpStep::psFailed, LzmaResult(status)};
        return step;
    }

    lzma_stream Stream = LZMA_STREAM_INIT;
};

}  // namespace valbrix
