// The two-part decoder against the one-core decoder: crafted streams put
// the boundary, the search's start and the references into the unknown
// window where faults would hide; streams of a real encoder show that a
// boundary is found in ordinary data. Where the parts are joined, bytes and
// CRC must be the one-core decoder's; where they must not be, the caller is
// told to decode on one core.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "DeflateWriter.h"
#include "engine/codecs/Decoders.h"
#include "engine/codecs/TwoPartInflate.h"
#include "engine/ResultCodes.h"
#include "support/MemoryStreams.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

std::vector<uint16_t> Literals() { return DeflateWriter::AllLiteralLengths(); }
std::vector<uint16_t> Distances(bool wide) { return DeflateWriter::AllDistanceLengths(wide); }

struct TStream {
    Bytes Data;
    uint64_t SearchFrom = 0;  // bit where the boundary search starts
    uint64_t Boundary = 0;    // where the true second part starts (0: not checked)
};

// Writes a dynamic block with the codes above; returns the block's first bit.
uint64_t DynamicBlock(DeflateWriter& w, bool final, bool wide)
{
    const uint64_t start = w.Bits.Position();
    w.DynamicHeader(final, Literals(), Distances(wide));
    return start;
}

void PutText(DeflateWriter& w, const std::string& text)
{
    for (char c : text)
        w.Symbol(Literals(), uint8_t(c));
}

void EndBlock(DeflateWriter& w) { w.Symbol(Literals(), 256); }

// The bytes behind the final block: what follows an entry's data in an archive.
TStream Finish(DeflateWriter& w, uint64_t searchFrom, uint64_t boundary)
{
    Bytes data = w.Bits.Data();
    data.resize(data.size() + 4, 0);
    return {data, searchFrom, boundary};
}

TStream SplitInsideMatch()
{
    DeflateWriter w;
    DynamicBlock(w, false, false);
    PutText(w, "the first part, written before a long match. ");
    const uint64_t insideMatch = w.Bits.Position() + 3;
    w.Match(Literals(), Distances(false), 200, 40);
    EndBlock(w);
    const uint64_t second = DynamicBlock(w, true, false);
    w.Match(Literals(), Distances(false), 30, 250);
    PutText(w, "tail");
    EndBlock(w);
    return Finish(w, insideMatch, second);
}

TStream SplitBeforeStoredBlock()
{
    DeflateWriter w;
    DynamicBlock(w, false, false);
    PutText(w, "before the stored block");
    EndBlock(w);
    const uint64_t stored = w.Bits.Position();
    w.Stored(false, TextLikeData(100, 7));
    const uint64_t second = DynamicBlock(w, true, false);
    w.Match(Literals(), Distances(false), 120, 110);
    EndBlock(w);
    return Finish(w, stored, second);
}

// A stored first part of exactly one reach, then a match from its first byte.
TStream ReachBack(bool wide)
{
    DeflateWriter w;
    const unsigned reach = wide ? 65536 : 32768;
    const Bytes history = RandomData(reach, 11);
    for (unsigned at = 0; at < reach; at += 32768)
        w.Stored(false, Bytes(history.begin() + at, history.begin() + at + 32768));
    const uint64_t second = DynamicBlock(w, true, wide);
    w.Match(Literals(), Distances(wide), wide ? 300 : 258, reach, wide);
    EndBlock(w);
    return Finish(w, second, second);
}

// Markers copied again inside the second part, and a match that is half
// markers, half the part's own bytes.
TStream MarkersCopiedAgain()
{
    DeflateWriter w;
    DynamicBlock(w, false, false);
    PutText(w, std::string(600, 'q') + "0123456789abcdefghijklmnopqrstuvwxyz, the history the second part refers to");
    EndBlock(w);
    const uint64_t second = DynamicBlock(w, true, false);
    w.Match(Literals(), Distances(false), 100, 1000);  // all markers
    PutText(w, "z");
    w.Match(Literals(), Distances(false), 100, 101);  // the markers above again
    w.Match(Literals(), Distances(false), 250, 230);  // 29 markers, then own bytes
    EndBlock(w);
    return Finish(w, 1, second);
}

TStream BoundaryAtTheStart()
{
    DeflateWriter w;
    DynamicBlock(w, false, false);
    PutText(w, "one");
    EndBlock(w);
    DynamicBlock(w, true, false);
    PutText(w, "two");
    EndBlock(w);
    return Finish(w, 0, 0);
}

// A whole dynamic final block carried as a stored block's bytes: it decodes
// cleanly, but the stream's own decode runs past it.
TStream BlockInsideStoredData()
{
    DeflateWriter inner;
    DynamicBlock(inner, true, false);
    PutText(inner, "a stream inside the stored bytes");
    EndBlock(inner);
    DeflateWriter w;
    w.Stored(false, inner.Bits.Data());
    const uint64_t payload = w.Bits.Position() - inner.Bits.Data().size() * 8;
    w.BlockHeader(true, 1);
    w.Fixed('x');
    w.Fixed(256);
    return Finish(w, payload, 0);
}

struct TOneCore {
    int Result;
    Bytes Output;
    uint32_t Crc;
};

TOneCore DecodeOnOneCore(const Bytes& stream, bool wide)
{
    DecoderRun run(stream);
    const int result = wide ? Inflate64(run.State) : Inflate(run.State);
    return {result, run.Sink.FData, run.State.CrcValue};
}

TTwoPartOutcome DecodeInTwoParts(const TStream& stream, bool wide)
{
    const uint64_t searchTo = stream.Data.size() * 8;
    const auto decode = wide ? InflateInTwoParts<true> : InflateInTwoParts<false>;
    return decode(stream.Data.data(), stream.Data.size(), stream.SearchFrom, searchTo, 1u << 24, 0xFFFFFFFFu);
}

void ExpectSameAsOneCore(const TStream& stream, bool wide, bool joined)
{
    const TOneCore one = DecodeOnOneCore(stream.Data, wide);
    ASSERT_EQ(one.Result, erOk);
    const TTwoPartOutcome two = DecodeInTwoParts(stream, wide);
    ASSERT_EQ(two.Joined, joined);
    if (!joined)
        return;
    if (stream.Boundary != 0) {
        EXPECT_EQ(two.Boundary, stream.Boundary);
    }
    EXPECT_TRUE(two.Bytes == one.Output) << two.Bytes.size() << " bytes against " << one.Output.size();
    EXPECT_EQ(two.Crc, one.Crc);
}

}  // namespace

TEST(TwoPartInflate, CraftedBoundaries)
{
    const struct {
        const char* Fault;
        std::function<TStream()> Make;
        bool Wide;
        bool Joined;
    } cases[] = {
        {"a search from inside a match takes the match's bits for a header", SplitInsideMatch, false, true},
        {"a stored block's bytes are taken for a boundary", SplitBeforeStoredBlock, false, true},
        {"a reference exactly 32 KiB back misses the window's first byte", [] { return ReachBack(false); }, false,
         true},
        {"a reference exactly 64 KiB back misses Deflate64's window", [] { return ReachBack(true); }, true, true},
        {"markers copied within the second part, or half a match of markers, resolve wrongly", MarkersCopiedAgain,
         false, true},
        {"an empty first part (boundary at bit 0) is refused or mis-joined", BoundaryAtTheStart, false, true},
        {"a block found inside stored data is joined although the stream never starts a block there",
         BlockInsideStoredData, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fault);
        ExpectSameAsOneCore(c.Make(), c.Wide, c.Joined);
    }
}

// A real encoder's dynamic blocks are found from anywhere in the stream;
// fixed blocks only leave the entry to one core.
TEST(TwoPartInflate, EncoderStreams)
{
    REQUIRE_TOOL("python3");
    TempDir dir;
    WriteFile(dir / "in", TextLikeData(600 * 1024, 5));
    const std::string script =
        "import sys, zlib\n"
        "data = open(sys.argv[1], 'rb').read()\n"
        "for strategy in (0, 4):\n"
        "    c = zlib.compressobj(6, zlib.DEFLATED, -15, 9, strategy)\n"
        "    open(sys.argv[2] + str(strategy), 'wb').write(c.compress(data) + c.flush())\n";
    WriteFile(dir / "deflate.py", script);
    ASSERT_EQ(RunCommand("python3 " + Quote((dir / "deflate.py").string()) + " " + Quote((dir / "in").string()) +
                         " " + Quote((dir / "out").string()))
                  .ExitCode,
              0);
    const struct {
        const char* Fault;
        const char* File;
        bool Joined;
    } cases[] = {
        {"no boundary found in ordinary dynamic blocks", "out0", true},
        {"fixed blocks only are joined instead of left to one core", "out4", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fault);
        Bytes data = ReadFile(dir / c.File);
        data.resize(data.size() + 4, 0);  // what follows an entry's data in an archive
        // The text makes two dynamic blocks, the second starting past 0.6.
        for (const double at : {0.1, 0.3})
            ExpectSameAsOneCore({data, uint64_t(double(data.size()) * at) * 8, 0}, false, c.Joined);
    }
}
