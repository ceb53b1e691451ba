// The inflate decoder's two modes for deflate and Deflate64, as one table:
// the fast loop and the byte-wise steps must agree byte for byte, code for
// code and in the CRC on every stream, so each test runs both and reads the
// fast one's outcome.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/InflateTables.h"
#include "support/MemoryStreams.h"

namespace valbrix::test {

struct TInflateMode {
    const char* Name;
    int (*Fast)(TEngineState&);
    int (*ByteWise)(TEngineState&);
};

inline constexpr TInflateMode InflateModes[] = {
    {"deflate", Inflate, InflateByteWise},
    {"Deflate64", Inflate64, Inflate64ByteWise},
};
inline constexpr const TInflateMode& DeflateMode = InflateModes[0];
inline constexpr const TInflateMode& Deflate64Mode = InflateModes[1];

struct TOutcome {
    int Result;
    Bytes Output;
};

// `prepare` may set a receiver or a failing sink on each run before it starts.
inline TOutcome RunBoth(const TInflateMode& mode, const Bytes& stream,
                        const std::function<void(DecoderRun&)>& prepare = {}, uint32_t outputSize = UnknownSize)
{
    TOutcome outcomes[2];
    uint32_t crcs[2];
    for (int byteWise = 0; byteWise < 2; ++byteWise) {
        DecoderRun run(stream, outputSize);
        if (prepare)
            prepare(run);
        outcomes[byteWise] = {byteWise ? mode.ByteWise(run.State) : mode.Fast(run.State), run.Sink.FData};
        crcs[byteWise] = run.State.CrcValue;
    }
    EXPECT_EQ(outcomes[0].Result, outcomes[1].Result) << mode.Name;
    EXPECT_TRUE(outcomes[0].Output == outcomes[1].Output) << mode.Name;
    EXPECT_EQ(crcs[0], crcs[1]) << mode.Name;
    return outcomes[0];
}

}  // namespace valbrix::test
