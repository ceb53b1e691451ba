// The Deflate64 mode of the inflate decoder on crafted streams: the long
// length symbol, the far distance symbols, matches that cross the 128 KB
// ring, the bound at the entry's size, and cut-off streams. Every stream
// also runs through the byte-wise mode, which must agree byte for byte and
// code for code.
#include <gtest/gtest.h>

#include "DeflateWriter.h"
#include "InflateHarness.h"
#include "engine/codecs/InflateTables.h"
#include "engine/ResultCodes.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

// A Deflate64 match under the fixed code: lengths above 258 take symbol 285
// and 16 extra bits; distances above 32768 take codes 30 and 31.
void Match64(DeflateWriter& w, unsigned length, unsigned distance)
{
    if (length > 258 || length == 3) {  // 3 through 285 too: the long symbol's smallest length
        w.Fixed(285);
        w.Bits.Put(length - 3, 16);
    } else {
        DeflateWriter scratch;  // borrow the deflate length coding, then patch the distance
        unsigned symbol = 257;
        while (symbol < 284 && LengthBase[symbol + 1 - 257] <= length)
            ++symbol;
        w.Fixed(symbol);
        w.Bits.Put(length - LengthBase[symbol - 257], LengthExtra[symbol - 257]);
    }
    unsigned code = 0;
    while (code < 31 && DistanceBase64[code + 1] <= distance)
        ++code;
    w.Bits.PutCode(code, 5);
    w.Bits.Put(distance - DistanceBase64[code], DistanceExtra64[code]);
}

// The expected output of a match, appended byte by byte.
void Repeat(Bytes& out, unsigned length, unsigned distance)
{
    for (unsigned i = 0; i < length; ++i)
        out.push_back(distance > out.size() ? 0 : out[out.size() - distance]);
}

// History of `size` random bytes as stored blocks.
Bytes StoredHistory(DeflateWriter& w, size_t size, uint32_t seed)
{
    const Bytes data = RandomData(size, seed);
    for (size_t offset = 0; offset < size; offset += 65535)
        w.Stored(false, Bytes(data.begin() + long(offset), data.begin() + long(std::min(size, offset + 65535))));
    return data;
}

}  // namespace

// Catches a long-length symbol decoded as deflate's 258, its 16 extra bits
// dropped or misread, a far distance (codes 30, 31, up to 65536) refused or
// read with 13 bits, and a long match whose copy is cut at the 258 bytes the
// fast loop was built for: each row has literals behind it, so the fast
// loop decodes it as well as the careful steps.
TEST(Inflate64, LongLengthsAndFarDistancesDecode)
{
    struct TRow {
        unsigned History, Length, Distance;
    } rows[] = {
        {100, 3, 1},          {100, 65538, 1},      {100, 65538, 7},      {100, 1000, 20},
        {40000, 300, 32769},  {50000, 300, 49153},  {65536, 258, 65536},  {65536, 65538, 65536},
        {70000, 4000, 49999}, {130000, 9999, 60000}, {131072, 65538, 32768},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << row.History << " " << row.Length << " " << row.Distance);
        DeflateWriter w;
        Bytes expected = StoredHistory(w, row.History, row.Length);
        w.BlockHeader(true, 1);
        Match64(w, row.Length, row.Distance);
        Repeat(expected, row.Length, row.Distance);
        Match64(w, row.Length, row.Distance);
        Repeat(expected, row.Length, row.Distance);
        for (int i = 0; i < 64; ++i)
            w.Fixed('+');
        expected.insert(expected.end(), 64, '+');
        w.Fixed(256);
        const TOutcome outcome = RunBoth(Deflate64Mode, w.Bits.Data());
        EXPECT_EQ(outcome.Result, erOk);
        EXPECT_EQ(outcome.Output.size(), expected.size());
        EXPECT_TRUE(outcome.Output == expected);
    }
}

// Catches a dynamic block decoded with deflate's tables: distance code 31 and
// length symbol 285 mean something else there.
TEST(Inflate64, DynamicBlockUsesTheWideTables)
{
    std::vector<uint16_t> literals(286, 0);
    literals['a'] = 1;
    literals[256] = 2;
    literals[285] = 2;
    std::vector<uint16_t> distances(32, 0);
    distances[31] = 1;
    distances[0] = 1;
    DeflateWriter w;
    Bytes expected = StoredHistory(w, 60000, 3);
    w.DynamicHeader(true, literals, distances);
    w.Symbol(literals, 'a');
    w.Symbol(literals, 285);
    w.Bits.Put(1000 - 3, 16);
    w.Symbol(distances, 31);
    w.Bits.Put(55555 - 49153, 14);
    w.Symbol(literals, 256);
    expected.push_back('a');
    Repeat(expected, 1000, 55555);
    const TOutcome outcome = RunBoth(Deflate64Mode, w.Bits.Data());
    EXPECT_EQ(outcome.Result, erOk);
    EXPECT_TRUE(outcome.Output == expected);
}

// Catches a size bomb that writes past the entry's size (a few bytes that
// expand to 650 KB against a stated 100000) and an exact size refused.
// (Method 8 keeps the same bound: test_OutputBound.cpp.)
TEST(Inflate64, OutputStopsAtTheStatedSize)
{
    DeflateWriter w;
    w.BlockHeader(true, 1);
    w.Fixed('z');
    for (int i = 0; i < 10; ++i)
        Match64(w, 65538, 1);
    w.Fixed(256);
    const size_t total = 1 + 10 * 65538;
    const TOutcome bomb = RunBoth(Deflate64Mode, w.Bits.Data(), {}, 100000);
    EXPECT_EQ(bomb.Result, erFormat);
    EXPECT_LE(bomb.Output.size(), 100000u);
    const TOutcome exact = RunBoth(Deflate64Mode, w.Bits.Data(), {}, uint32_t(total));
    EXPECT_EQ(exact.Result, erOk);
    EXPECT_EQ(exact.Output.size(), total);
}

// Catches a crash, an overread or a success report on a stream cut short at
// any byte, in the middle of a 16-bit long length or a 14-bit distance.
TEST(Inflate64, CutStreamsFail)
{
    DeflateWriter w;
    StoredHistory(w, 70000, 9);
    w.BlockHeader(true, 1);
    for (int i = 0; i < 50; ++i) {
        Match64(w, 300 + i, 40000 + i * 300);
        w.Fixed('a' + i % 26);
    }
    w.Fixed(256);
    const Bytes stream = w.Bits.Data();
    for (size_t cut = stream.size() - 400; cut < stream.size(); ++cut) {
        const TOutcome outcome = RunBoth(Deflate64Mode, Bytes(stream.begin(), stream.begin() + long(cut)));
        EXPECT_NE(outcome.Result, erOk) << "cut at " << cut;
    }
    EXPECT_EQ(RunBoth(Deflate64Mode, stream).Result, erOk);
}
