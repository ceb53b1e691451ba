// Explode on crafted streams: every variant round-trips through the test
// encoder (and the encoder is checked against unzip as a black-box oracle),
// plus the corners the fixtures do not reach and a table of bad streams.
#include <gtest/gtest.h>

#include <cstring>

#include "ImplodeEncoder.h"
#include "engine/codecs/Decoders.h"
#include "engine/codecs/Methods.h"
#include "engine/ResultCodes.h"
#include "support/CraftedZip.h"
#include "support/MemoryStreams.h"

namespace valbrix::test {
namespace {

constexpr uint16_t Big = 2, ThreeTrees = 4;
// Stands for the local header of the next entry: a real archive always has
// bytes after an entry's data, and the decoder may look a few bits ahead.
const Bytes NextHeader = {'P', 'K', 3, 4};

struct Outcome {
    int Code;
    Bytes Output;
};

// Runs Explode as the driver would; InputSize is the stream's own length.
Outcome RunExplode(const Bytes& stream, uint32_t outputSize, uint16_t flags, const Bytes& trailer = NextHeader)
{
    Bytes input = stream;
    input.insert(input.end(), trailer.begin(), trailer.end());
    DecoderRun run(input, outputSize, flags);
    run.State.InputSize = uint32_t(stream.size());
    const int code = Explode(run.State);
    return {code, run.Sink.FData};
}

// A text-like body with a stretch of noise, long enough to wrap the window
// three times and to need every distance symbol of the 8 KB dictionary.
Bytes MixedData(size_t size)
{
    Bytes data = TextLikeData(size, 7);
    const Bytes noise = RandomData(size / 8, 3);
    std::copy(noise.begin(), noise.end(), data.begin() + ptrdiff_t(size / 3));
    return data;
}

class ExplodeVariant : public ::testing::TestWithParam<uint16_t> {
protected:
    ImplodeEncoder Encoder() const { return ImplodeEncoder((GetParam() & Big) != 0, (GetParam() & ThreeTrees) != 0); }
};

// Catches a wrong low-bit count, base table or bit inversion in one of the
// four variants, and faults at the window wrap (sizes around 32 768).
TEST_P(ExplodeVariant, RoundTripsEncoderOutput)
{
    const auto encoder = Encoder();
    for (size_t size : {size_t(1), size_t(32767), size_t(32768), size_t(32769), size_t(100000)}) {
        const Bytes data = MixedData(size);
        const Outcome result = RunExplode(encoder.Compress(data), uint32_t(size), encoder.Flags());
        EXPECT_EQ(result.Code, erOk) << "size " << size;
        EXPECT_TRUE(result.Output == data) << "size " << size;
    }
}

// What unzip makes of a stream stored as an imploded entry whose header
// promises `data`; empty when unzip refuses it.
Bytes UnzipImploded(const Bytes& stream, uint16_t flags, const Bytes& data)
{
    CraftedEntry entry;
    entry.Name = "data.bin";
    entry.Data = stream;
    entry.Method = 6;
    entry.Flags = flags;
    entry.Crc32 = ReferenceCrc32(data);
    entry.CompressedSize = uint32_t(stream.size());
    entry.UncompressedSize = uint32_t(data.size());
    CraftedZip zip;
    zip.Add(entry);
    TempDir dir;
    WriteFile(dir / "a.zip", zip.Build());
    const auto result = RunCommand("unzip -p " + Quote((dir / "a.zip").string()));
    return result.ExitCode == 0 ? Bytes(result.Output.begin(), result.Output.end()) : Bytes();
}

// Catches an encoder that only agrees with our own decoder: unzip must read
// its streams too, which makes the round trips above evidence of the format.
TEST_P(ExplodeVariant, UnzipReadsEncoderOutput)
{
    REQUIRE_TOOL("unzip");
    const auto encoder = Encoder();
    const Bytes data = MixedData(50000);
    EXPECT_TRUE(UnzipImploded(encoder.Compress(data), encoder.Flags(), data) == data);
}

// Catches a dropped extra byte or a wrong base for length symbol 63: the
// longest match is 66 + 255 bytes with a literal tree and 65 + 255 without.
TEST_P(ExplodeVariant, LongestMatchTakesTheExtraByte)
{
    const auto encoder = Encoder();
    EXPECT_EQ(encoder.MaxMatch(), (GetParam() & ThreeTrees) ? 321u : 320u);
    const Bytes data(1 + encoder.MaxMatch(), 'x');
    const auto tokens = {ImplodeToken::Literal('x'), ImplodeToken::Match(encoder.MaxMatch(), 1)};
    const Outcome result = RunExplode(encoder.Encode(tokens), uint32_t(data.size()), encoder.Flags());
    EXPECT_EQ(result.Code, erOk);
    EXPECT_TRUE(result.Output == data);
}

INSTANTIATE_TEST_SUITE_P(AllVariants, ExplodeVariant, ::testing::Values(0, Big, ThreeTrees, Big | ThreeTrees));

// Catches reading stale window bytes for a reference before the first
// output byte: those bytes are zeros, and the copy then goes on with the
// entry's own first bytes. The window is filled with junk to tell apart.
TEST(Explode, ReferenceBeforeStartGivesZerosThenOwnBytes)
{
    const ImplodeEncoder encoder(false, true);
    const auto tokens = {ImplodeToken::Literal('A'), ImplodeToken::Literal('B'), ImplodeToken::Match(6, 4)};
    const Bytes expected = {'A', 'B', 0, 0, 'A', 'B', 0, 0};
    Bytes input = encoder.Encode(tokens);
    input.insert(input.end(), NextHeader.begin(), NextHeader.end());
    DecoderRun run(input, uint32_t(expected.size()), encoder.Flags());
    std::memset(run.Window.get(), 0xEE, WindowSize);
    EXPECT_EQ(Explode(run.State), erOk);
    EXPECT_TRUE(run.Sink.FData == expected);
    if (TOOL_PRESENT("unzip")) {
        EXPECT_TRUE(UnzipImploded(encoder.Encode(tokens), encoder.Flags(), expected) == expected);
    }
}

// Catches decoding past the entry when the size is real: the decoder stops
// after OutputSize bytes even though more valid-looking data follows.
TEST(Explode, StopsAtOutputSizeBeforeTrailingData)
{
    const ImplodeEncoder encoder(true, true);
    const Bytes data = MixedData(5000);
    const Bytes stream = encoder.Compress(data);
    const Outcome result = RunExplode(stream, uint32_t(data.size()), encoder.Flags(), stream);
    EXPECT_EQ(result.Code, erOk);
    EXPECT_TRUE(result.Output == data);
}

// Catches a loop that waits for the count to reach exactly 0: a last match
// that overshoots the size ends decoding too, and, as for every method, a
// stream that goes past the size is bad data with nothing past it written.
TEST(Explode, OvershootingMatchEndsDecoding)
{
    const ImplodeEncoder encoder(false, false);
    const Bytes stream = encoder.Encode({ImplodeToken::Literal('x'), ImplodeToken::Match(10, 1),
                                         ImplodeToken::Literal('y'), ImplodeToken::Literal('z')});
    DecoderRun run(stream, 5, encoder.Flags());
    EXPECT_EQ(RunDecoder(run.State, zmImploded), erFormat);
    EXPECT_TRUE(run.Sink.FData.empty());
}

// Catches a wrong choice of the distance table's first-level width, which
// shows in how far the decoder looks ahead at the very end of the data:
// after two raw literals and a match with a 1-bit distance code the data
// ends on a byte boundary with a 7-bit lookup, one bit short with 8 bits.
TEST(Explode, DistanceTableWidensAbove200000InputBytes)
{
    ImplodeEncoder encoder(false, false);
    encoder.LengthLengths = std::vector<uint16_t>(64, 6);
    std::vector<uint16_t> distance = {1, 2, 3, 8, 8, 8};
    distance.resize(64, 9);
    encoder.DistanceLengths = distance;
    const Bytes stream = encoder.Encode({ImplodeToken::Literal('a'), ImplodeToken::Literal('b'),
                                         ImplodeToken::Match(2, 2)});
    for (uint32_t inputSize : {200000u, 200001u}) {
        DecoderRun run(stream, 4, encoder.Flags());
        run.State.InputSize = inputSize;
        EXPECT_EQ(Explode(run.State), inputSize > 200000 ? erRead : erOk) << inputSize;
        EXPECT_TRUE(run.Sink.FData == Bytes({'a', 'b', 'a', 'b'}));
    }
}

// Catches a failed write reported as success, both for the window flush in
// the middle of the entry and for the final one.
TEST(Explode, FailedFlushGivesOutputError)
{
    const ImplodeEncoder encoder(true, true);
    for (size_t size : {size_t(1000), size_t(70000)}) {
        const Bytes data = MixedData(size);
        Bytes input = encoder.Compress(data);
        input.insert(input.end(), NextHeader.begin(), NextHeader.end());
        DecoderRun run(input, uint32_t(size), encoder.Flags());
        run.Sink.FailAfter = 0;
        EXPECT_EQ(Explode(run.State), erOutput) << size;
    }
}

// Tree lists for the bad-stream table.
Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
Bytes UniformList(unsigned symbols, uint16_t length) { return ImplodeLengthList(std::vector<uint16_t>(symbols, length)); }

struct BadStream {
    const char* Fault;  // what a decoder that accepted it would get wrong
    Bytes Stream;
    uint16_t Flags;
    uint32_t OutputSize;
    int Expected;
};

TEST(Explode, BadStreamsEndWithTheirResultCode)
{
    const ImplodeEncoder encoder(false, true);
    const Bytes good = encoder.Compress(MixedData(3000));
    const Bytes validTrees = Concat({UniformList(256, 8), UniformList(64, 6), UniformList(64, 6)});
    const std::vector<BadStream> cases = {
        {"one list byte (count 0, repeat 16) read as a full literal tree", Concat({{0x00, 0xF7}, validTrees}),
         ThreeTrees, 100, erFormat},
        {"a list running past 64 lengths truncated instead of refused",
         Concat({{4, 0xF5, 0xF5, 0xF5, 0xF5, 0x15}, UniformList(64, 6)}), 0, 100, erFormat},
        {"a list 1 short of 64 lengths padded", Concat({{3, 0xF5, 0xF5, 0xF5, 0xE5}, UniformList(64, 6)}), 0, 100,
         erFormat},
        {"an over-subscribed length tree used", Concat({UniformList(64, 1), UniformList(64, 6)}), 0, 100,
         erFormat},
        {"an incomplete distance tree used", Concat({UniformList(64, 6), UniformList(64, 7)}), 0, 100,
         erFormat},
        {"data ending inside the trees taken as a bad tree", Bytes(validTrees.begin(), validTrees.begin() + 20),
         ThreeTrees, 100, erRead},
        {"data ending inside the codes taken as complete", Bytes(good.begin(), good.end() - 200), ThreeTrees,
         3000, erRead},
        {"an unknown size not ended by the end of the data", good, ThreeTrees, UnknownSize, erRead},
        {"a size above 2 GiB taken as negative: nothing decoded, success claimed", good, ThreeTrees, 0xFFFFFFFFu,
         erRead},
    };
    for (const auto& c : cases) {
        DecoderRun run(c.Stream, c.OutputSize, c.Flags);
        EXPECT_EQ(Explode(run.State), c.Expected) << c.Fault;
    }
}

}  // namespace
}  // namespace valbrix::test
