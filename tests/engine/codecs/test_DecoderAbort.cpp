// Every decoder asked to stop by its progress receiver at the first report:
// one table over the decoders, each row a stream long enough for several
// input refills, so a report comes before the end. The library-backed
// decoders have their own row per method in test_NewerMethods.cpp, where
// their streams are made by the standard tools.
#include <gtest/gtest.h>

#include <functional>

#include "DeflateWriter.h"
#include "ImplodeEncoder.h"
#include "ReduceEncoder.h"
#include "ShrinkEncoder.h"
#include "engine/ResultCodes.h"
#include "engine/codecs/Decoders.h"
#include "engine/codecs/InflateTables.h"
#include "support/MemoryStreams.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

class TAbortAtOnce : public TProgressReceiver {
public:
    void Progress(int16_t, uint16_t& percent) override { percent = AbortProgress; }
};

struct TAbortCase {
    const char* Fault;
    std::function<DecoderRun()> Prepare;
    std::function<int(TEngineState&)> Decode;
    bool NothingWritten;  // the decoder holds its last window back: an abort must not flush it
};

Bytes DeflateStored()
{
    DeflateWriter w;
    w.Stored(true, RandomData(20000));
    return w.Bits.Data();
}

Bytes DeflateCoded()
{
    DeflateWriter w;
    w.BlockHeader(true, 1);
    for (int i = 0; i < 4000; ++i)
        w.Fixed('a' + i % 13);
    w.Fixed(256);
    return w.Bits.Data();
}

const TAbortCase Cases[] = {
    {"Unshrink ignoring the abort, or reporting it as success or damage",
     [] { return DecoderRun(ShrinkEncoder().Encode(RandomData(20000, 2))); },
     [](TEngineState& s) { return Unshrink(s); }, false},
    {"Unreduce ignoring the abort, or reporting it as success",
     [] { return DecoderRun(ReduceCompress(RandomData(40000, 5), 2, 0), 40000); },
     [](TEngineState& s) { return Unreduce(s, 3); }, false},
    {"Explode ignoring the abort, or flushing its window after it",
     [] {
         const ImplodeEncoder encoder(false, false);
         return DecoderRun(encoder.Compress(RandomData(8000)), 8000, encoder.Flags());
     },
     [](TEngineState& s) { return Explode(s); }, true},
    {"Inflate in a stored block ignoring the abort, or flushing after it", [] { return DecoderRun(DeflateStored()); },
     [](TEngineState& s) { return Inflate(s); }, true},
    {"Inflate in a coded block ignoring the abort, or flushing after it", [] { return DecoderRun(DeflateCoded()); },
     [](TEngineState& s) { return Inflate(s); }, true},
    {"Inflate's byte-wise mode ignoring the abort", [] { return DecoderRun(DeflateCoded()); },
     [](TEngineState& s) { return InflateByteWise(s); }, true},
    {"Deflate64 ignoring the abort, or flushing after it", [] { return DecoderRun(DeflateCoded()); },
     [](TEngineState& s) { return Inflate64(s); }, true},
    {"Deflate64's byte-wise mode ignoring the abort", [] { return DecoderRun(DeflateStored()); },
     [](TEngineState& s) { return Inflate64ByteWise(s); }, true},
};

}  // namespace

TEST(DecoderAbort, EveryDecoderStopsWithFive)
{
    for (const TAbortCase& c : Cases) {
        SCOPED_TRACE(c.Fault);
        DecoderRun run = c.Prepare();
        TAbortAtOnce receiver;
        run.State.NotifyWindow = &receiver;
        EXPECT_EQ(c.Decode(run.State), erAborted);
        if (c.NothingWritten)
            EXPECT_TRUE(run.Sink.FData.empty());
    }
}
