// Tests of the shared engine state: the CRC-32 against a bitwise control,
// the progress percentage and abort rules, and the end-of-input rule of the
// refill. Each test names the fault it would catch.
#include <gtest/gtest.h>

#include <vector>

#include "support/MemoryStreams.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

// Records every progress message; answers AbortProgress from the given percentage on.
class RecordingReceiver : public TProgressReceiver {
public:
    void Progress(int16_t notifyCode, uint16_t& percent) override
    {
        Codes.push_back(notifyCode);
        Percents.push_back(percent);
        if (AbortAt && percent >= *AbortAt)
            percent = AbortProgress;
    }
    std::vector<int16_t> Codes;
    std::vector<uint16_t> Percents;
    std::optional<uint16_t> AbortAt;
};

uint32_t EngineCrc(const Bytes& bytes, size_t offset = 0)
{
    TEngineState state;
    state.CrcValue = 0xFFFFFFFFu;
    state.UpdateCrc(bytes.data() + offset, bytes.size() - offset);
    return ~state.CrcValue;
}

}  // namespace

TEST(EngineCrc, MatchesCheckValueAndTable)
{
    // A wrong polynomial, missing reflection or a table typo.
    const std::string text = "123456789";
    EXPECT_EQ(EngineCrc(Bytes(text.begin(), text.end())), 0xCBF43926u);
    EXPECT_EQ(CrcTable[1], 0x77073096u);
    EXPECT_EQ(CrcTable[255], 0x2D02EF8Du);
}

TEST(EngineCrc, SlicedPathEqualsBitwiseControlForEveryLengthAndAlignment)
{
    // A slice table built wrong, a byte-order slip in the 8-byte loads, or a
    // tail of 1..7 bytes dropped: each shows only at some lengths/alignments.
    const Bytes data = RandomData(300, 7);
    for (size_t offset = 0; offset < 8; ++offset)
        for (size_t length = 0; offset + length <= data.size(); length += 1 + length / 16) {
            const Bytes part(data.begin() + long(offset), data.begin() + long(offset + length));
            ASSERT_EQ(EngineCrc(part), ReferenceCrc32(part)) << "offset " << offset << " length " << length;
        }
}

TEST(EngineCrc, ZeroLengthLeavesRegisterAndSplitUpdatesChain)
{
    // Inverting inside UpdateCrc, or state kept outside CrcValue.
    TEngineState state;
    state.CrcValue = 0x12345678u;
    state.UpdateCrc(nullptr, 0);
    EXPECT_EQ(state.CrcValue, 0x12345678u);

    const Bytes data = TextLikeData(10000, 3);
    state.CrcValue = 0xFFFFFFFFu;
    state.UpdateCrc(data.data(), 4097);
    state.UpdateCrc(data.data() + 4097, data.size() - 4097);
    EXPECT_EQ(~state.CrcValue, ReferenceCrc32(data));
}

TEST(EngineProgress, PercentageRules)
{
    // Integer overflow in BytesRead * 100, a missing clamp at 100, or a
    // message sent although the percentage did not change.
    RecordingReceiver receiver;
    TEngineState state;
    state.NotifyWindow = &receiver;
    state.NotifyCode = 42;

    state.InputSize = 4000000;
    state.BytesRead = 3000000;
    state.ReportProgress();
    state.ReportProgress();  // same percentage: nothing sent
    state.InputSize = 0xFFFFFFF0u;
    state.BytesRead = 0xFFFFFFF0u / 2;
    state.ReportProgress();
    state.InputSize = 1000;
    state.BytesRead = 999;
    state.ReportProgress();
    state.BytesRead = 3000;  // read-ahead beyond the data
    state.ReportProgress();

    EXPECT_EQ(receiver.Percents, (std::vector<uint16_t>{75, 50, 99, 100}));
    EXPECT_EQ(receiver.Codes, (std::vector<int16_t>(4, 42)));
    EXPECT_FALSE(state.AbortFlag);
    EXPECT_EQ(state.LastPercent, 100);
}

TEST(EngineProgress, ZeroInputSizeSendsNothing)
{
    // A division by zero, or a 0 % message for empty entries.
    RecordingReceiver receiver;
    TEngineState state;
    state.NotifyWindow = &receiver;
    state.InputSize = 0;
    state.BytesRead = 5;
    state.ReportProgress();
    EXPECT_TRUE(receiver.Percents.empty());
}

TEST(EngineProgress, AbortThroughReceiverAndKey)
{
    // The receiver's AbortProgress ignored; a key poll without an abort key armed;
    // the key polled although the percentage did not change.
    RecordingReceiver receiver;
    receiver.AbortAt = 50;
    TEngineState state;
    state.NotifyWindow = &receiver;
    state.InputSize = 100;
    state.BytesRead = 10;
    state.ReportProgress();
    EXPECT_FALSE(state.AbortFlag);
    state.BytesRead = 60;
    state.ReportProgress();
    EXPECT_TRUE(state.AbortFlag);

    int polls = 0;
    TEngineState keyed;
    keyed.InputSize = 100;
    keyed.IsKeyDown = [&](int16_t key) { ++polls; return key == 27; };
    keyed.BytesRead = 10;
    keyed.ReportProgress();  // NotifyCode 0: no abort key
    EXPECT_FALSE(keyed.AbortFlag);
    EXPECT_EQ(polls, 0);
    keyed.NotifyCode = 27;
    keyed.BytesRead = 20;
    keyed.ReportProgress();
    keyed.ReportProgress();  // unchanged percentage: no poll
    EXPECT_TRUE(keyed.AbortFlag);
    EXPECT_EQ(polls, 1);
}

TEST(EngineRefill, EndOfDataRuleAndFailedReads)
{
    // Reading past the entry's data without end, an empty read not reported,
    // or InputSize 0xFFFFFFFF wrapping the slack test so input ends at once.
    DecoderRun run(Bytes(5000, 0xAB));
    run.State.InputSize = 10;
    run.State.RefillInput();
    EXPECT_FALSE(run.State.InputEof);
    EXPECT_EQ(run.State.BytesRead, 2048u);
    EXPECT_EQ(run.State.InLast, 2047);
    run.State.RefillInput();  // 2048 > 10 + 2: no read
    EXPECT_TRUE(run.State.InputEof);
    EXPECT_EQ(run.State.BytesRead, 2048u);
    EXPECT_EQ(run.State.InPos, 0);

    DecoderRun huge(Bytes(100, 1));
    huge.State.InputSize = 0xFFFFFFFFu;
    huge.State.RefillInput();
    EXPECT_FALSE(huge.State.InputEof);
    EXPECT_EQ(huge.State.InLast, 99);
    huge.State.RefillInput();  // source empty: taken as 2048 and end of input
    EXPECT_TRUE(huge.State.InputEof);
    EXPECT_EQ(huge.State.BytesRead, 100u + 2048u);
    EXPECT_EQ(huge.State.InLast, 2047);
}

TEST(EngineRefill, PumpsAndReportsOncePerBlock)
{
    // The pump hook or clock not called, so the GUI freezes and the busy
    // guard's stale rule sees no tick.
    RecordingReceiver receiver;
    DecoderRun run(Bytes(4096, 0));
    int pumps = 0;
    run.State.PumpHook = [&] { ++pumps; };
    run.State.TickCount = [] { return 1234u; };
    run.State.NotifyWindow = &receiver;
    run.State.RefillInput();
    run.State.RefillInput();
    EXPECT_EQ(pumps, 2);
    EXPECT_EQ(run.State.LastPumpTick, 1234u);
    // Progress is computed before each read: 0 % (equal to LastPercent, not sent), then 50 %.
    EXPECT_EQ(receiver.Percents, (std::vector<uint16_t>{50}));
}

TEST(EngineFlush, CrcRunsEvenWhenTheWriteFails)
{
    // A failed write reported as success, or the CRC skipped on failure.
    DecoderRun run(Bytes{});
    const Bytes data = TextLikeData(300, 9);
    std::copy(data.begin(), data.end(), run.State.OutWindow);
    run.Sink.FailAfter = 100;
    EXPECT_FALSE(run.State.FlushWindow(data.size()));
    EXPECT_EQ(~run.State.CrcValue, ReferenceCrc32(data));

    DecoderRun ok(Bytes{});
    std::copy(data.begin(), data.end(), ok.State.OutWindow);
    EXPECT_TRUE(ok.State.FlushWindow(data.size()));
    EXPECT_EQ(ok.Sink.FData, data);
}
