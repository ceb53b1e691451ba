// The deflate decoder against a control encoder: Python's zlib writes raw
// deflate streams at every level for several kinds and sizes of data; the
// decoder must give back every byte and the right CRC, in both modes, and
// also when the source hands out its bytes in small uneven pieces (which
// moves every refill to a different place in the stream).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/InflateTables.h"
#include "support/MemoryStreams.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

// Delivers at most a few bytes per read, varying, like a slow pipe.
class TrickleSource : public TInputSource {
public:
    explicit TrickleSource(Bytes bytes) : FBytes(std::move(bytes)) {}
    long Read(uint8_t* buffer, size_t count) override
    {
        const size_t want = std::min<size_t>(count, 1 + (FCalls++ * 7) % 13);
        const size_t n = std::min(want, FBytes.size() - FPos);
        std::copy_n(FBytes.begin() + long(FPos), n, buffer);
        FPos += n;
        return long(n);
    }

private:
    Bytes FBytes;
    size_t FPos = 0;
    size_t FCalls = 0;
};

// Raw deflate streams of data, one per (level, strategy) pair, from one
// Python run (starting Python per stream would dominate the test's time).
std::vector<Bytes> Compress(const Bytes& data, const std::vector<std::pair<int, int>>& settings)
{
    TempDir dir;
    WriteFile(dir / "in", data);
    const std::string script =
        "import sys, zlib\n"
        "data = open(sys.argv[1], 'rb').read()\n"
        "for i, arg in enumerate(sys.argv[3:]):\n"
        "    level, strategy = map(int, arg.split(','))\n"
        "    c = zlib.compressobj(level, zlib.DEFLATED, -15, 9, strategy)\n"
        "    open(sys.argv[2] + str(i), 'wb').write(c.compress(data) + c.flush())\n";
    WriteFile(dir / "deflate.py", script);
    std::string command = "python3 " + Quote((dir / "deflate.py").string()) + " " + Quote((dir / "in").string()) +
                          " " + Quote((dir / "out").string());
    for (const auto& [level, strategy] : settings)
        command += " " + std::to_string(level) + "," + std::to_string(strategy);
    EXPECT_EQ(RunCommand(command).ExitCode, 0);
    std::vector<Bytes> streams;
    for (size_t i = 0; i < settings.size(); ++i)
        streams.push_back(ReadFile(dir / ("out" + std::to_string(i))));
    return streams;
}

std::vector<std::pair<int, int>> AllLevels()
{
    std::vector<std::pair<int, int>> settings;
    for (int level = 0; level <= 9; ++level)
        settings.emplace_back(level, 0);
    return settings;
}

void ExpectRoundTrip(const Bytes& data, const Bytes& compressed, const std::string& what)
{
    SCOPED_TRACE(what);
    for (int mode = 0; mode < 3; ++mode) {
        DecoderRun run(compressed);
        TrickleSource trickle(compressed);
        if (mode == 2)
            run.State.ArchiveFile = &trickle;
        const int result = mode == 1 ? InflateByteWise(run.State) : Inflate(run.State);
        ASSERT_EQ(result, 0) << "mode " << mode;
        ASSERT_EQ(run.Sink.FData.size(), data.size()) << "mode " << mode;
        ASSERT_TRUE(run.Sink.FData == data) << "mode " << mode;
        EXPECT_EQ(~run.State.CrcValue, ReferenceCrc32(data)) << "mode " << mode;
    }
}

Bytes MixedData(size_t size)
{
    Bytes data = TextLikeData(size, 3);
    const Bytes noise = RandomData(size, 4);
    for (size_t i = 0; i < size; i += 8192)
        if ((i / 8192) % 3 == 1)
            std::copy_n(noise.begin() + long(i), std::min<size_t>(4096, size - i), data.begin() + long(i));
    return data;
}

}  // namespace

// Catches any decoding fault a real encoder's output can reach: stored,
// fixed and dynamic blocks, long and short matches, block boundaries,
// window wrap-around at 32768 and 65536, and empty and one-byte inputs.
TEST(InflateRoundTrip, EveryLevelAndDataKind)
{
    REQUIRE_TOOL("python3");
    const struct {
        const char* Kind;
        Bytes Data;
    } inputs[] = {
        {"empty", Bytes()},
        {"one byte", Bytes(1, 'x')},
        {"text 32768", TextLikeData(32768)},
        {"random 65536", RandomData(65536)},
        {"zeros 65536", Bytes(65536, 0)},
        {"mixed 200000", MixedData(200000)},
    };
    for (const auto& input : inputs) {
        const auto streams = Compress(input.Data, AllLevels());
        for (int level = 0; level <= 9; ++level)
            ExpectRoundTrip(input.Data, streams.at(size_t(level)),
                            std::string(input.Kind) + " level " + std::to_string(level));
    }
}

// Catches faults that only show on long streams: many windows, many
// refills, distances near 32768, and tables rebuilt block after block;
// the filtered, Huffman-only and run-length strategies shape blocks differently.
TEST(InflateRoundTrip, SeveralMegabytesAndStrategies)
{
    REQUIRE_TOOL("python3");
    const Bytes data = MixedData(3 * 1024 * 1024 + 17);
    const auto streams = Compress(data, {{6, 0}, {1, 0}});
    ExpectRoundTrip(data, streams.at(0), "mixed 3 MB level 6");
    ExpectRoundTrip(data, streams.at(1), "mixed 3 MB level 1");
    const Bytes text = TextLikeData(1 << 20, 9);
    const auto byStrategy = Compress(text, {{9, 1}, {9, 2}, {9, 3}, {9, 4}});
    for (size_t i = 0; i < byStrategy.size(); ++i)
        ExpectRoundTrip(text, byStrategy[i], "text strategy " + std::to_string(i + 1));
}

// Catches a decoder that reads past the stream into what follows it (the
// next local header in an archive) or mistakes it for data.
TEST(InflateRoundTrip, BytesAfterTheStreamAreLeftAlone)
{
    REQUIRE_TOOL("python3");
    const Bytes data = TextLikeData(100000, 5);
    Bytes compressed = Compress(data, {{6, 0}}).at(0);
    const size_t streamSize = compressed.size();
    for (int i = 0; i < 3000; ++i)
        compressed.push_back(uint8_t(0x50 + i));
    DecoderRun run(compressed);
    run.State.InputSize = uint32_t(streamSize);
    ASSERT_EQ(Inflate(run.State), 0);
    EXPECT_TRUE(run.Sink.FData == data);
    // What is left is the tail of the last byte plus the bytes behind it.
    run.State.DropBits(run.State.BitCount & 7);
    run.State.FillBits(8);
    EXPECT_EQ(run.State.BitBuf & 0xFF, 0x50u);
}
