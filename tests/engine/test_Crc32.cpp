// Tests of the two ways of computing the CRC-32 register (carry-less
// multiplication folding and slice-by-8) against the bitwise control, on
// random lengths, alignments and starting registers. Each test names the
// fault it would catch.
#include <gtest/gtest.h>

#include <random>

#include "engine/Crc32.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

// The register after `length` bytes, one bit at a time: the definition.
uint32_t BitwiseRegister(uint32_t crc, const uint8_t* data, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc;
}

struct TCrcWay {
    const char* Name;
    TCrc32Function Function;
};

std::vector<TCrcWay> Ways()
{
    std::vector<TCrcWay> ways{{"sliced", Crc32UpdateSliced}, {"chosen", Crc32Update}};
    if (TCrc32Function folding = Crc32FoldingFunction())
        ways.push_back({"folding", folding});
    else
        std::printf("note: this processor has no carry-less multiplication; the folding way is not tested\n");
    return ways;
}

}  // namespace

TEST(Crc32, EveryWayEqualsBitwiseControlOnRandomRuns)
{
    // A wrong folding constant, a lane folded in the wrong order, a lost
    // tail of 1..15 or 1..63 bytes, a misaligned load, or a starting register
    // ignored: each shows only at some lengths, offsets or registers. Lengths
    // cluster around the 64-byte fold block and reach past several blocks.
    const Bytes data = RandomData(70000, 11);
    std::mt19937 rng(5);
    for (const TCrcWay& way : Ways()) {
        for (int trial = 0; trial < 3000; ++trial) {
            const size_t offset = rng() % 64;
            const size_t length = trial < 600 ? size_t(trial % 200) : rng() % (trial < 2900 ? 2000 : 69000);
            const uint32_t start = trial % 3 == 0 ? 0xFFFFFFFFu : uint32_t(rng());
            ASSERT_EQ(way.Function(start, data.data() + offset, length),
                      BitwiseRegister(start, data.data() + offset, length))
                << way.Name << " offset " << offset << " length " << length << " start " << start;
        }
    }
}

TEST(Crc32, SplitRunsChainToTheWholeRunsValue)
{
    // State kept between calls outside the register, or an inversion inside
    // the update: pieces of any size must chain to the value of the whole.
    const Bytes data = TextLikeData(100000, 4);
    std::mt19937 rng(9);
    for (const TCrcWay& way : Ways()) {
        uint32_t crc = 0xFFFFFFFFu;
        for (size_t pos = 0; pos < data.size();) {
            const size_t piece = std::min<size_t>(data.size() - pos, rng() % 5000);
            crc = way.Function(crc, data.data() + pos, piece);
            pos += piece;
        }
        EXPECT_EQ(~crc, ReferenceCrc32(data)) << way.Name;
    }
}

// The register after A then B from A's register and B's alone: the join of
// two parts decoded apart. Rows name what a wrong shift would get wrong.
TEST(Crc32, CombinedRunsEqualOneRun)
{
    const struct {
        const char* Fault;
        size_t FirstBytes;
        size_t SecondBytes;
    } cases[] = {
        {"an empty second run changes the register", 100, 0},
        {"an empty first run is not the second's alone", 0, 100},
        {"a one-byte shift uses the wrong power of x", 1, 1},
        {"a shift past 64 KiB (several squarings) goes wrong", 1000, 70001},
        {"a shift of an odd length with high bits set goes wrong", 33333, 123457},
    };
    const Bytes data = RandomData(200000, 9);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fault);
        const uint32_t whole = Crc32Update(0xFFFFFFFFu, data.data(), c.FirstBytes + c.SecondBytes);
        const uint32_t first = Crc32Update(0xFFFFFFFFu, data.data(), c.FirstBytes);
        const uint32_t second = Crc32Update(0, data.data() + c.FirstBytes, c.SecondBytes);
        EXPECT_EQ(Crc32Combine(first, second, c.SecondBytes), whole);
    }
}
