// The deflate decoder on crafted streams: one table of malformed and corner
// inputs with the exact result code and output each must give, plus the
// output-failure cases (the abort: test_DecoderAbort.cpp). Every case also runs through the
// byte-wise mode, which must agree byte for byte and code for code.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "DeflateWriter.h"
#include "InflateHarness.h"
#include "engine/codecs/InflateTables.h"
#include "engine/ResultCodes.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A small complete literal/length code: 'a' 'b' 2 bits, 'c' 'd' end-of-block
// 3 bits, length symbols 257 (length 3) and 258 (length 4) 4 bits.
using Changes = std::initializer_list<std::pair<unsigned, uint16_t>>;
std::vector<uint16_t> Lit(Changes changes = {})
{
    std::vector<uint16_t> lengths(259, 0);
    for (const Changes& list : {Changes{{'a', 2}, {'b', 2}, {'c', 3}, {'d', 3}, {256, 3}, {257, 4}, {258, 4}}, changes})
        for (auto [symbol, length] : list)
            lengths[symbol] = length;
    return lengths;
}

using Items = std::vector<std::pair<unsigned, unsigned>>;
Items Repeat(unsigned length, unsigned times) { return Items(times, {length, 0}); }
Items operator+(Items a, const Items& b) { a.insert(a.end(), b.begin(), b.end()); return a; }
std::vector<uint16_t> OnlyCl(unsigned symbol, uint16_t length)
{
    std::vector<uint16_t> cl(19, 0);
    cl[symbol] = length;
    return cl;
}

struct TCase {
    const char* Fault;  // what a decoder that fails this row gets wrong
    std::function<void(DeflateWriter&)> Write;
    int Result;  // an ExtractResult
    Bytes Output;  // expected when the result is 0; nothing may be written otherwise
};

const std::vector<TCase>& Cases()
{
    static const std::vector<TCase> cases = {
        {"a final stored block of LEN 0 must give nothing, successfully",
         [](DeflateWriter& w) { w.Stored(true, {}); },
         erOk, {}},
        {"LEN/NLEN mismatch must be refused", [](DeflateWriter& w) { w.Stored(true, Text("abc"), 3, 0x1234); },
         erFormat, {}},
        {"block type 3 is reserved", [](DeflateWriter& w) { w.BlockHeader(true, 3); w.Bits.Put(0, 16); }, erFormat, {}},
        {"truncated stored data must report the short input",
         [](DeflateWriter& w) { w.Stored(true, Text("abc"), 3000, ~3000u & 0xFFFF); },
         erRead, {}},
        {"truncated coded data must report the short input",
         [](DeflateWriter& w) { w.BlockHeader(true, 1); for (int i = 0; i < 40; ++i) w.Fixed('x'); }, erRead, {}},
        {"distance 1 length 258 must repeat the previous byte",
         [](DeflateWriter& w) {
             w.BlockHeader(true, 1);
             w.Fixed('z');
             w.FixedMatch(258, 1);
             w.Fixed(256);
         },
         erOk, Bytes(259, 'z')},
        {"a match before the first byte must read the zero fill",
         [](DeflateWriter& w) {
             w.BlockHeader(true, 1);
             w.Fixed('a');
             w.FixedMatch(3, 4);
             w.Fixed(256);
         },
         erOk, {'a', 0, 0, 0}},
        {"matches must reach into earlier blocks; bits between blocks must not be lost",
         [](DeflateWriter& w) {
             w.Stored(false, Text("xyz"));
             w.BlockHeader(false, 1);
             w.FixedMatch(6, 3);
             w.Fixed(256);
             w.Stored(true, Text("!"));
         },
         erOk, Text("xyzxyzxyz!")},
        {"length symbol 286 means nothing",
         [](DeflateWriter& w) { w.BlockHeader(true, 1); w.Fixed(286); w.Bits.Put(0, 16); },
         erFormat, {}},
        {"length symbol 287 means nothing",
         [](DeflateWriter& w) { w.BlockHeader(true, 1); w.Fixed(287); w.Bits.Put(0, 16); },
         erFormat, {}},
        {"distance code 30 means nothing",
         [](DeflateWriter& w) {
             w.BlockHeader(true, 1);
             w.Fixed('a');
             w.Fixed(257);
             w.Bits.PutCode(30, 5);
             w.Bits.Put(0, 16);
         },
         erFormat, {}},
        {"distance code 31 means nothing",
         [](DeflateWriter& w) {
             w.BlockHeader(true, 1);
             w.Fixed('a');
             w.Fixed(257);
             w.Bits.PutCode(31, 5);
             w.Bits.Put(0, 16);
         },
         erFormat, {}},
        {"a dynamic block must decode through its own codes",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, Lit(), {1, 1});
             for (unsigned s : {unsigned('a'), unsigned('b'), 258u}) w.Symbol(Lit(), s);
             w.Symbol({1, 1}, 1);  // distance 2
             for (unsigned s : {unsigned('c'), unsigned('d'), 256u}) w.Symbol(Lit(), s);
         },
         erOk, Text("abababcd")},
        {"codes of 15 bits (several table levels) must decode; HCLEN 19 must read length 15",
         [](DeflateWriter& w) {
             std::vector<uint16_t> lit(257, 0);
             for (unsigned i = 0; i < 15; ++i) lit['A' + i] = uint16_t(i + 1);
             lit[256] = 15;
             w.DynamicHeader(true, lit, {1});
             for (char c : std::string("OANMAO")) w.Symbol(lit, unsigned(c));
             w.Symbol(lit, 256);
         },
         erOk, Text("OANMAO")},
        {"an incomplete literal/length code must be refused",
         [](DeflateWriter& w) { w.DynamicHeader(true, Lit({{258, 0}}), {1, 1}); },
         erFormat, {}},
        {"an over-subscribed literal/length code must be refused",
         [](DeflateWriter& w) { w.DynamicHeader(true, Lit({{'e', 2}}), {1, 1}); },
         erFormat, {}},
        {"a literal/length code without codes must be refused, not dereferenced",
         [](DeflateWriter& w) { w.DynamicHeader(true, std::vector<uint16_t>(257, 0), {1}); }, erFormat, {}},
        {"an over-subscribed distance code must be refused",
         [](DeflateWriter& w) { w.DynamicHeader(true, Lit(), {1, 1, 1}); },
         erFormat, {}},
        {"a lone 1-bit distance code must be accepted",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, Lit(), {0, 0, 0, 1});  // distance code 3: distance 4
             for (unsigned s : {97u, 98u, 99u, 100u, 257u}) w.Symbol(Lit(), s);  // a b c d, length 3
             w.Bits.PutCode(0, 1);
             w.Symbol(Lit(), 256);
         },
         erOk, Text("abcdabc")},
        {"an incomplete distance code must be accepted while its codes are used",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, Lit(), {2, 2, 2});
             w.Symbol(Lit(), 'a');
             w.Symbol(Lit(), 257);
             w.Bits.PutCode(0, 2);
             w.Symbol(Lit(), 256);
         },
         erOk, Text("aaaa")},
        {"the unowned pattern of an incomplete distance code is bad data",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, Lit(), {2, 2, 2});
             w.Symbol(Lit(), 'a');
             w.Symbol(Lit(), 257);
             w.Bits.PutCode(3, 2);
             w.Bits.Put(0, 16);
         },
         erFormat, {}},
        {"a length in a block without distance codes is bad data, not a null dereference",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, Lit(), {0});
             w.Symbol(Lit(), 'a');
             w.Symbol(Lit(), 257);
             w.Bits.Put(0, 16);
         },
         erFormat, {}},
        {"repeat 16 as the first code length must repeat length 0",
         [](DeflateWriter& w) {
             const auto lit = Lit();
             Items items = {{16, 0}};  // symbols 0..2: length 0
             for (unsigned v = 3; v < lit.size(); ++v) items.emplace_back(lit[v], 0);
             w.DynamicHeader(true, 259, 2, DeflateWriter::CodeLengthLengths(), 19, items + Repeat(1, 2));
             w.Symbol(lit, 'd');
             w.Symbol(lit, 256);
         },
         erOk, Text("d")},
        {"repeat 16 past the end reports 1",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, 257, 3, DeflateWriter::CodeLengthLengths(), 19, Repeat(8, 258) + Items{{16, 3}});
         },
         erCrc, {}},
        {"repeat 17 past the end reports 1",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, 257, 3, DeflateWriter::CodeLengthLengths(), 19, Repeat(8, 258) + Items{{17, 0}});
         },
         erCrc, {}},
        {"repeat 18 past the end is bad data (4)",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, 257, 3, DeflateWriter::CodeLengthLengths(), 19, Repeat(8, 250) + Items{{18, 0}});
         },
         erFormat, {}},
        {"an incomplete code-length code must be refused",
         [](DeflateWriter& w) { w.DynamicHeader(true, 257, 1, OnlyCl(8, 2), 19, {}); w.Bits.Put(0, 32); },
         erFormat, {}},
        {"the unowned pattern of a lone 1-bit code-length code is bad data",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, 257, 1, OnlyCl(8, 1), 19, Repeat(8, 2));
             w.Bits.Put(1, 1);
             w.Bits.Put(0, 32);
         },
         erFormat, {}},
        {"an empty code-length code (HCLEN 4, all 0) must be refused, not dereferenced",
         [](DeflateWriter& w) {
             w.DynamicHeader(true, 257, 1, std::vector<uint16_t>(19, 0), 4, {});
             w.Bits.Put(0, 32);
         },
         erFormat, {}},
    };
    return cases;
}

}  // namespace

// Catches every mis-decoded corner the table names (see each row's text).
// A short stream is decoded by the careful steps alone, so each row whose
// outcome does not depend on where the input ends runs again with bytes
// behind the stream: then the fast loop decodes it, with its own tables.
TEST(Inflate, CraftedStreamsGiveTheirResultCodes)
{
    for (const TCase& c : Cases()) {
        SCOPED_TRACE(c.Fault);
        DeflateWriter writer;
        c.Write(writer);
        Bytes stream = writer.Bits.Data();
        const TOutcome outcome = RunBoth(DeflateMode, stream);
        EXPECT_EQ(outcome.Result, c.Result);
        EXPECT_EQ(outcome.Output, c.Output);  // a failed entry gets no final flush
        if (c.Result == erRead)
            continue;
        stream.insert(stream.end(), 64, 0);
        const TOutcome padded = RunBoth(DeflateMode, stream);
        EXPECT_EQ(padded.Result, c.Result) << "with bytes behind the stream";
        EXPECT_EQ(padded.Output, c.Output) << "with bytes behind the stream";
    }
}

// Catches a match not split at the window's end or not continued at 0 after
// the flush, and a distance of exactly 32768 (the byte being replaced).
TEST(Inflate, MatchesCrossTheWindowEnd)
{
    Bytes expected = RandomData(32700, 7);
    DeflateWriter w;
    w.Stored(false, expected);
    w.BlockHeader(true, 1);
    w.FixedMatch(200, 32700);  // 68 bytes up to 32768, the rest from position 0
    w.FixedMatch(258, 32768);
    w.Fixed(256);
    for (unsigned distance : {32700u, 32768u})
        for (unsigned i = 0; i < (distance == 32700 ? 200 : 258); ++i)
            expected.push_back(expected[expected.size() - distance]);
    const TOutcome outcome = RunBoth(DeflateMode, w.Bits.Data());
    EXPECT_EQ(outcome.Result, erOk);
    EXPECT_TRUE(outcome.Output == expected);
}

// Catches a short-distance or wrapped-source match copied from the wrong
// place or not split where the output passes 64 KB and 128 KB (the fast
// loop's history is a 64 KB ring): every combination of a start just before
// or after those points, a short or long distance and a short or long
// length, checked against a byte-by-byte reference.
TEST(Inflate, MatchesAroundTheHistoryEnd)
{
    for (const size_t start : {65533u, 65537u, 65539u, 131073u})
        for (const unsigned distance : {1u, 4u, 7u, 12u, 20u, 32768u})
            for (const unsigned length : {3u, 9u, 40u, 258u}) {
                SCOPED_TRACE(testing::Message() << start << " " << distance << " " << length);
                Bytes expected = RandomData(start, unsigned(start + distance));
                DeflateWriter w;
                for (size_t offset = 0; offset < start; offset += 65535)
                    w.Stored(false, Bytes(expected.begin() + offset,
                                          expected.begin() + std::min(start, offset + 65535)));
                w.BlockHeader(true, 1);
                w.FixedMatch(length, distance);
                w.Fixed('#');
                w.FixedMatch(length, distance);
                // Trailing literals keep enough input behind the matches for the fast loop.
                for (int i = 0; i < 64; ++i)
                    w.Fixed('+');
                w.Fixed(256);
                for (const int piece : {0, 1, 2})
                    for (unsigned i = 0; i < (piece == 1 ? 1 : length); ++i)
                        expected.push_back(piece == 1 ? '#' : expected[expected.size() - distance]);
                expected.insert(expected.end(), 64, '+');
                const TOutcome outcome = RunBoth(DeflateMode, w.Bits.Data());
                EXPECT_EQ(outcome.Result, erOk);
                EXPECT_TRUE(outcome.Output == expected);
            }
}

// Catches a failed write reported as success, at the final flush and mid-stream, in either mode.
TEST(Inflate, FlushFailureGivesOutputError)
{
    DeflateWriter small, large;
    small.Stored(true, Text("hello"));
    large.BlockHeader(true, 1);
    large.Fixed('q');
    for (int i = 0; i < 200; ++i)
        large.FixedMatch(258, 1);  // 51601 bytes: a flush mid-stream
    large.Fixed(256);
    for (const TInflateMode& mode : InflateModes)
        for (const DeflateWriter* w : {&small, &large})
            EXPECT_EQ(RunBoth(mode, w->Bits.Data(), [](DecoderRun& run) { run.Sink.FailAfter = 0; }).Result, erOutput)
                << mode.Name;
}
