// The one-core decoder in two legs: the first stops before a block at or
// after a given bit, the second starts there on its own engine state with
// the first's window. Together they must give what one decode from the
// start gives: the same bytes, CRC, result code, and writes at the same
// bytes (so a sink that fails, fails at the same place, and a failing decode
// leaves the same bytes sent). The leapfrog, legs on one thread and marker
// chunks on another, must give the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>

#include "DeflateWriter.h"
#include "engine/codecs/Decoders.h"
#include "engine/codecs/InflateLeg.h"
#include "engine/codecs/LeapfrogInflate.h"
#include "engine/ResultCodes.h"
#include "fuzz/MemoryEnds.h"
#include "support/MemoryStreams.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

struct TStream {
    Bytes Data;
    uint64_t StopBit = 0;  // where the first leg is asked to stop
    uint64_t Block = 0;    // the block start it must stop at (NoStop: none)
};

std::vector<uint16_t> Literals() { return DeflateWriter::AllLiteralLengths(); }
std::vector<uint16_t> Distances(bool wide) { return DeflateWriter::AllDistanceLengths(wide); }

void PutText(DeflateWriter& w, const std::string& text)
{
    for (char c : text)
        w.Symbol(Literals(), uint8_t(c));
}

void EndBlock(DeflateWriter& w) { w.Symbol(Literals(), 256); }

// Four bytes follow, as an entry's data is followed in an archive.
Bytes Finish(const DeflateWriter& w)
{
    Bytes data = w.Bits.Data();
    data.resize(data.size() + 4, 0);
    return data;
}

TStream StopInsideMatch()
{
    DeflateWriter w;
    w.DynamicHeader(false, Literals(), Distances(false));
    PutText(w, "the first leg, written before a long match. ");
    const uint64_t insideMatch = w.Bits.Position() + 3;
    w.Match(Literals(), Distances(false), 200, 40);
    EndBlock(w);
    const uint64_t second = w.Bits.Position();
    w.DynamicHeader(true, Literals(), Distances(false));
    w.Match(Literals(), Distances(false), 30, 250);
    PutText(w, "tail");
    EndBlock(w);
    return {Finish(w), insideMatch, second};
}

TStream StopBeforeStoredBlock()
{
    DeflateWriter w;
    w.DynamicHeader(false, Literals(), Distances(false));
    PutText(w, "before the stored block, not on a byte");
    EndBlock(w);
    const uint64_t stored = w.Bits.Position();
    w.Stored(false, TextLikeData(100, 7));
    w.DynamicHeader(true, Literals(), Distances(false));
    w.Match(Literals(), Distances(false), 120, 110);
    EndBlock(w);
    return {Finish(w), stored, stored};
}

// Stored history of exactly one reach, then a match from its first byte:
// the second leg starts several input buffers in.
TStream ReachBack(bool wide)
{
    DeflateWriter w;
    const unsigned reach = LegWindowBytes(wide);
    const Bytes history = RandomData(reach, 11);
    for (unsigned at = 0; at < reach; at += 32768)
        w.Stored(false, Bytes(history.begin() + at, history.begin() + at + 32768));
    const uint64_t second = w.Bits.Position();
    w.DynamicHeader(false, Literals(), Distances(wide));
    w.Match(Literals(), Distances(wide), wide ? 300 : 258, reach, wide);
    EndBlock(w);
    // More than a reach of stored bytes: a chunk from the second block ends before the final one.
    for (unsigned at = 0; at <= reach; at += 32768)
        w.Stored(false, RandomData(32768, at));
    w.DynamicHeader(true, Literals(), Distances(wide));
    PutText(w, "end");
    EndBlock(w);
    return {Finish(w), second, second};
}

// 40,000 bytes before the split, not a whole number of 32 KB pieces, and
// more than two pieces after it, some copied from before it.
TStream SplitOffThePieceGrid()
{
    DeflateWriter w;
    w.Stored(false, RandomData(40000, 3));
    w.DynamicHeader(false, Literals(), Distances(false));
    PutText(w, "x");
    EndBlock(w);
    const uint64_t second = w.Bits.Position();
    w.DynamicHeader(true, Literals(), Distances(false));
    for (int i = 0; i < 400; ++i) {
        w.Match(Literals(), Distances(false), 258, 32768 - i);
        PutText(w, "y");
    }
    EndBlock(w);
    return {Finish(w), second - 7, second};
}

// A second block of the reserved type 3.
TStream BadSecondBlock()
{
    DeflateWriter w;
    w.DynamicHeader(false, Literals(), Distances(false));
    PutText(w, "good first block");
    EndBlock(w);
    const uint64_t second = w.Bits.Position();
    w.BlockHeader(true, 3);
    return {Finish(w), second, second};
}

// The stream ends inside the second block (nothing follows it).
TStream CutSecondBlock()
{
    TStream stream = StopInsideMatch();
    stream.Data.resize(stream.Block / 8 + 6);
    return stream;
}

// Asked to stop past the final block's start: there is nothing to hand over.
TStream StopPastTheLastBlock()
{
    TStream stream = StopInsideMatch();
    stream.StopBit = stream.Block + 1;
    stream.Block = NoStop;
    return stream;
}

// Keeps the bytes and where each write ended.
class TRecordingSink : public TOutputSink {
public:
    bool Write(const uint8_t* data, size_t count) override
    {
        if (count == 0)
            return true;
        Bytes.insert(Bytes.end(), data, data + count);
        WriteEnds.push_back(Bytes.size());
        return true;
    }
    valbrix::test::Bytes Bytes;
    std::vector<size_t> WriteEnds;
};

struct TDecoded {
    int Result = erOk;
    TRecordingSink Sink;
    uint32_t Crc = 0;
    TInflateLeg Leg;  // the first leg's, when decoded in legs
};

int RunLeg(TEngineState& state, TInflateLeg& leg, bool wide)
{
    return wide ? Inflate64Leg(state, leg) : InflateLeg(state, leg);
}

void DecodeOnOneCore(const Bytes& stream, bool wide, uint64_t outputSize, TDecoded& out)
{
    DecoderRun run(stream, uint32_t(outputSize));
    run.State.OutputFile = &out.Sink;
    out.Result = wide ? Inflate64(run.State) : Inflate(run.State);
    out.Crc = run.State.CrcValue;
}

// The second leg reads only from LegFirstByte on, as a worker with its own
// positioned reads would.
void DecodeInLegs(const Bytes& stream, bool wide, uint64_t stopBit, uint64_t outputSize, TDecoded& out)
{
    Bytes window(LegWindowBytes(wide));
    DecoderRun first(stream, uint32_t(outputSize));
    first.State.OutputFile = &out.Sink;
    out.Leg.StopBit = stopBit;
    out.Leg.EndWindow = window.data();
    out.Result = RunLeg(first.State, out.Leg, wide);
    out.Crc = first.State.CrcValue;
    if (!out.Leg.Stopped)
        return;
    const uint64_t from = LegFirstByte(out.Leg.StoppedAt);
    DecoderRun second(Bytes(stream.begin() + ptrdiff_t(from), stream.end()), uint32_t(outputSize));
    second.State.OutputFile = &out.Sink;
    second.State.InputSize = stream.size();
    second.State.BytesRead = from;
    second.State.BytesWritten = first.State.BytesWritten;
    second.State.CrcValue = first.State.CrcValue;
    TInflateLeg leg;
    leg.StartBit = out.Leg.StoppedAt;
    leg.StartWindow = window.data();
    leg.StartUnsent = out.Leg.EndUnsent;
    out.Result = RunLeg(second.State, leg, wide);
    out.Crc = second.State.CrcValue;
}

void ExpectSameAsOneCore(const TStream& stream, bool wide, uint64_t outputSize, bool handsOver)
{
    TDecoded one, legs;
    DecodeOnOneCore(stream.Data, wide, outputSize, one);
    DecodeInLegs(stream.Data, wide, stream.StopBit, outputSize, legs);
    EXPECT_EQ(legs.Leg.Stopped, handsOver);
    if (legs.Leg.Stopped) {
        EXPECT_EQ(legs.Leg.StoppedAt, stream.Block);
    }
    EXPECT_EQ(legs.Result, one.Result);
    EXPECT_TRUE(legs.Sink.Bytes == one.Sink.Bytes) << legs.Sink.Bytes.size() << " against " << one.Sink.Bytes.size();
    EXPECT_EQ(legs.Crc, one.Crc);
    EXPECT_EQ(legs.Sink.WriteEnds, one.Sink.WriteEnds);
}

}  // namespace

TEST(InflateLeg, TwoLegsDecodeAsOne)
{
    const uint64_t any = UnknownSize;
    const struct {
        const char* Fault;
        std::function<TStream()> Make;
        bool Wide;
        uint64_t OutputSize;
        bool HandsOver;
    } cases[] = {
        {"a stop inside a block hands over mid-block, not at the next block's start", StopInsideMatch, false, any,
         true},
        {"a second leg starting at a stored block misses its byte alignment", StopBeforeStoredBlock, false, any, true},
        {"a reference exactly 32 KiB back misses the handed window's first byte", [] { return ReachBack(false); },
         false, any, true},
        {"a reference exactly 64 KiB back misses Deflate64's window", [] { return ReachBack(true); }, true, any,
         true},
        {"the second leg's pieces go out at other bytes than one core's", SplitOffThePieceGrid, false, any, true},
        // Going on past the stated size meets it later, perhaps after another error: the leg must not stop there.
        {"a stated size the first leg already passed ends with another code", SplitOffThePieceGrid, false, 30000,
         false},
        {"a stated size the second leg passes ends with another code", SplitOffThePieceGrid, false, 90000, true},
        {"bad data behind the split gives another result code", BadSecondBlock, false, any, true},
        {"a stream cut in the second leg gives another result code", CutSecondBlock, false, any, true},
        {"with no block after the stop bit the leg loses the stream's end", StopPastTheLastBlock, false, any, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fault);
        ExpectSameAsOneCore(c.Make(), c.Wide, c.OutputSize, c.HandsOver);
    }
}

static Bytes EncoderStream(size_t bytes, int strategy);

// A real encoder's stream split at many points, each leg boundary the next
// block start the first leg meets.
TEST(InflateLeg, EncoderStreamSplitAnywhere)
{
    REQUIRE_TOOL("python3");
    const Bytes data = EncoderStream(300 * 1024, 0);
    size_t stops = 0;
    for (uint64_t stopBit = 1; stopBit < data.size() * 8; stopBit += data.size() * 8 / 23) {
        SCOPED_TRACE(stopBit);
        TDecoded one, legs;
        DecodeOnOneCore(data, false, UnknownSize, one);
        DecodeInLegs(data, false, stopBit, UnknownSize, legs);
        stops += legs.Leg.Stopped;
        ASSERT_EQ(legs.Result, erOk);
        ASSERT_TRUE(legs.Sink.Bytes == one.Sink.Bytes);
        ASSERT_EQ(legs.Crc, one.Crc);
    }
    EXPECT_GT(stops, 10u) << "the encoder's blocks were not met";
}

namespace {

class TMemoryOut : public TPositionedOutput {
public:
    bool WriteAt(uint64_t position, const uint8_t* data, size_t count) override
    {
        const std::lock_guard lock(FMutex);
        if (Bytes.size() < position + count)
            Bytes.resize(position + count);
        std::copy(data, data + count, Bytes.begin() + ptrdiff_t(position));
        return true;
    }
    valbrix::test::Bytes Bytes;

private:
    std::mutex FMutex;
};

// Tiny stretches, so that a small stream makes many chunks.
void ExpectLeapfrogAsOneCore(const Bytes& stream, bool wide, uint64_t outputSize, uint64_t stretchBytes,
                             bool takesChunks)
{
    TDecoded one;
    DecodeOnOneCore(stream, wide, outputSize, one);
    DecoderRun run(stream, uint32_t(outputSize));
    fuzz::TMemoryInputAt input(stream.data(), stream.size());
    TMemoryOut output;
    uint64_t taken = 0;
    TLeapfrogOptions options;
    options.StretchBytes = stretchBytes;
    options.ChunkBytes = stretchBytes;
    options.SearchBits = 8 * 1024;
    options.ChunksTaken = &taken;
    const int result = LeapfrogInflate(run.State, wide, input, output, options);
    EXPECT_EQ(result, one.Result);
    EXPECT_TRUE(output.Bytes == one.Sink.Bytes) << output.Bytes.size() << " against " << one.Sink.Bytes.size();
    EXPECT_EQ(run.State.CrcValue, one.Crc);
    EXPECT_EQ(taken > 0, takesChunks) << taken << " chunks taken";
}

}  // namespace

// Level 6 with the smallest memory level: many blocks. Z_FIXED: fixed blocks only.
static Bytes EncoderStream(size_t bytes, int strategy)
{
    TempDir dir;
    WriteFile(dir / "in", TextLikeData(bytes, 5));
    WriteFile(dir / "deflate.py",
              "import sys, zlib\n"
              "c = zlib.compressobj(6, zlib.DEFLATED, -15, 1, int(sys.argv[3]))\n"
              "open(sys.argv[2], 'wb').write(c.compress(open(sys.argv[1], 'rb').read()) + c.flush())\n");
    EXPECT_EQ(RunCommand("python3 " + Quote((dir / "deflate.py").string()) + " " + Quote((dir / "in").string()) +
                         " " + Quote((dir / "out").string()) + " " + std::to_string(strategy))
                  .ExitCode,
              0);
    Bytes data = ReadFile(dir / "out");
    data.resize(data.size() + 4, 0);
    return data;
}

TEST(InflateLeg, LeapfrogDecodesAsOneCore)
{
    REQUIRE_TOOL("python3");
    const Bytes text = EncoderStream(400 * 1024, 0);
    const Bytes fixed = EncoderStream(100 * 1024, 4);
    Bytes damaged = text;
    damaged[damaged.size() / 2] ^= 0x5A;
    const uint64_t any = UnknownSize;
    const struct {
        const char* Fault;
        Bytes Stream;
        bool Wide;
        uint64_t OutputSize;
        uint64_t StretchBytes;
        bool TakesChunks;
    } cases[] = {
        {"taken chunks come out wrong, or none is ever taken", text, false, any, 8 * 1024, true},
        {"a stated size passed inside a taken chunk ends with another code", text, false, 200 * 1024, 8 * 1024, true},
        {"bad data in a chunk ahead is taken, or ends with another code", damaged, false, any, 8 * 1024, true},
        {"fixed blocks only: a chunk is taken from noise, or the fallback loses bytes", fixed, false, any, 4 * 1024,
         false},
        {"a chunk's reference exactly 32 KiB back resolves wrongly", ReachBack(false).Data, false, any, 32 * 1024,
         true},
        {"a chunk's reference exactly 64 KiB back resolves wrongly", ReachBack(true).Data, true, any, 64 * 1024, true},
        {"a stream shorter than a stretch is not decoded whole", StopInsideMatch().Data, false, any, 1 << 20, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fault);
        ExpectLeapfrogAsOneCore(c.Stream, c.Wide, c.OutputSize, c.StretchBytes, c.TakesChunks);
    }
}
