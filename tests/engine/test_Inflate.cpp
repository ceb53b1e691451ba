// The deflate decoder on crafted streams: one table of malformed and corner
// inputs with the exact result code each must give, plus the window,
// abort and output-failure cases. Every case also runs through the
// byte-wise mode, which must agree byte for byte and code for code.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "DeflateWriter.h"
#include "engine/Decoders.h"
#include "engine/InflateTables.h"
#include "support/MemoryStreams.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

struct TOutcome {
    int Result;
    Bytes Output;
    uint32_t Crc;
};

TOutcome RunInflate(const Bytes& stream, bool byteWise = false, std::function<void(DecoderRun&)> prepare = {})
{
    DecoderRun run(stream);
    if (prepare)
        prepare(run);
    const int result = byteWise ? InflateByteWise(run.State) : Inflate(run.State);
    return {result, run.Sink.FData, run.State.CrcValue};
}

// Runs both modes; they must agree on everything. Returns the fast one.
TOutcome RunBoth(const Bytes& stream, std::function<void(DecoderRun&)> prepare = {})
{
    const TOutcome fast = RunInflate(stream, false, prepare);
    const TOutcome careful = RunInflate(stream, true, prepare);
    EXPECT_EQ(fast.Result, careful.Result);
    EXPECT_EQ(fast.Output, careful.Output);
    EXPECT_EQ(fast.Crc, careful.Crc);
    return fast;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Literal/length lengths for a small dynamic block: literals 'a'..'d' and
// end of block, plus length symbols 257..258, as a complete code.
std::vector<uint16_t> SmallLiteralLengths()
{
    std::vector<uint16_t> lengths(259, 0);
    lengths['a'] = 2;
    lengths['b'] = 2;
    lengths['c'] = 3;
    lengths['d'] = 3;
    lengths[256] = 3;
    lengths[257] = 4;
    lengths[258] = 4;
    return lengths;
}

struct TCase {
    const char* Fault;  // what a decoder that fails this case gets wrong
    std::function<void(DeflateWriter&)> Write;
    int Result;
    const char* Output;  // expected bytes when the result is 0, else null
};

const TCase Cases[] = {
    {"final stored block of LEN 0 must produce nothing and succeed",
     [](DeflateWriter& w) { w.Stored(true, {}); }, 0, ""},
    {"stored block data must be copied verbatim across blocks",
     [](DeflateWriter& w) {
         w.Stored(false, Text("ab"));
         w.Stored(true, Text("cd"));
     },
     0, "abcd"},
    {"LEN/NLEN mismatch must be refused, not trusted",
     [](DeflateWriter& w) { w.Stored(true, Text("abc"), 3, 0x1234); }, 4, nullptr},
    {"block type 3 is reserved",
     [](DeflateWriter& w) { w.BlockHeader(true, 3); w.Bits.Put(0, 16); }, 4, nullptr},
    {"truncated stored data must report the short input",
     [](DeflateWriter& w) { w.Stored(true, Text("abc"), 3000); }, 3, nullptr},
    {"truncated Huffman data must report the short input",
     [](DeflateWriter& w) {
         w.BlockHeader(true, 1);
         for (int i = 0; i < 40; ++i)
             w.FixedSymbol('x');
     },
     3, nullptr},
    {"length symbols 286 and 287 mean nothing",
     [](DeflateWriter& w) {
         w.BlockHeader(true, 1);
         w.FixedSymbol('a');
         w.FixedSymbol(286);
         w.Bits.Put(0, 16);
     },
     4, nullptr},
    {"length symbol 287 means nothing",
     [](DeflateWriter& w) {
         w.BlockHeader(true, 1);
         w.FixedSymbol(287);
         w.Bits.Put(0, 16);
     },
     4, nullptr},
    {"distance codes 30 and 31 mean nothing",
     [](DeflateWriter& w) {
         w.BlockHeader(true, 1);
         w.FixedSymbol('a');
         w.FixedSymbol(257);
         w.Bits.PutCode(30, 5);
         w.Bits.Put(0, 16);
     },
     4, nullptr},
    {"distance code 31 means nothing",
     [](DeflateWriter& w) {
         w.BlockHeader(true, 1);
         w.FixedSymbol('a');
         w.FixedSymbol(257);
         w.Bits.PutCode(31, 5);
         w.Bits.Put(0, 16);
     },
     4, nullptr},
    {"a dynamic block decodes literals and matches through its own codes",
     [](DeflateWriter& w) {
         const std::vector<uint16_t> distances = {1, 1};
         w.DynamicHeader(true, SmallLiteralLengths(), distances);
         const HuffmanCode lit(SmallLiteralLengths()), dist(distances);
         lit.Put(w.Bits, 'a');
         lit.Put(w.Bits, 'b');
         lit.Put(w.Bits, 258);  // length 4
         dist.Put(w.Bits, 1);   // distance 2
         lit.Put(w.Bits, 'c');
         lit.Put(w.Bits, 'd');
         lit.Put(w.Bits, 256);
     },
     0, "ababab" "cd"},
    {"an incomplete literal/length code must be refused",
     [](DeflateWriter& w) {
         auto lengths = SmallLiteralLengths();
         lengths[258] = 0;
         w.DynamicHeader(true, lengths, {1, 1});
     },
     4, nullptr},
    {"an over-subscribed literal/length code must be refused",
     [](DeflateWriter& w) {
         auto lengths = SmallLiteralLengths();
         lengths['e'] = 2;
         w.DynamicHeader(true, lengths, {1, 1});
     },
     4, nullptr},
    {"an over-subscribed distance code must be refused",
     [](DeflateWriter& w) { w.DynamicHeader(true, SmallLiteralLengths(), {1, 1, 1}); }, 4, nullptr},
    {"a literal/length code with no codes at all must be refused, not dereferenced",
     [](DeflateWriter& w) { w.DynamicHeader(true, std::vector<uint16_t>(257, 0), {1}); }, 4, nullptr},
    {"a single distance code of length 1 is complete enough to use",
     [](DeflateWriter& w) {
         w.DynamicHeader(true, SmallLiteralLengths(), {0, 0, 0, 1});  // distance code 3 = distance 4
         const HuffmanCode lit(SmallLiteralLengths());
         for (char c : std::string("abcd"))
             lit.Put(w.Bits, unsigned(c));
         lit.Put(w.Bits, 257);  // length 3
         w.Bits.PutCode(0, 1);  // the one distance code
         lit.Put(w.Bits, 256);
     },
     0, "abcdabc"},
    {"an incomplete distance code is accepted while only its codes are used",
     [](DeflateWriter& w) {
         w.DynamicHeader(true, SmallLiteralLengths(), {2, 2, 2});
         const HuffmanCode lit(SmallLiteralLengths());
         lit.Put(w.Bits, 'a');
         lit.Put(w.Bits, 257);  // length 3
         w.Bits.PutCode(0, 2);  // distance code 0 = distance 1
         lit.Put(w.Bits, 256);
     },
     0, "aaaa"},
    {"the unowned pattern of an incomplete distance code is bad data",
     [](DeflateWriter& w) {
         w.DynamicHeader(true, SmallLiteralLengths(), {2, 2, 2});
         const HuffmanCode lit(SmallLiteralLengths());
         lit.Put(w.Bits, 'a');
         lit.Put(w.Bits, 257);
         w.Bits.PutCode(3, 2);  // the leftover pattern
         w.Bits.Put(0, 16);
     },
     4, nullptr},
    {"a block without distance codes holds literals only; a length in it is bad data",
     [](DeflateWriter& w) {
         w.DynamicHeader(true, SmallLiteralLengths(), {0});
         const HuffmanCode lit(SmallLiteralLengths());
         lit.Put(w.Bits, 'a');
         lit.Put(w.Bits, 257);
         w.Bits.Put(0, 16);
     },
     4, nullptr},
    {"repeat 16 as the very first code length repeats length 0",
     [](DeflateWriter& w) {
         // Literals 0..2 get 0 through the repeat, then 'a'..'d' etc. as usual.
         const auto lengths = SmallLiteralLengths();
         std::vector<CodeLengthItem> items = {{16, 0}};  // three zeros
         for (unsigned v = 3; v < lengths.size(); ++v)
             items.push_back({lengths[v]});
         items.push_back({1});
         items.push_back({1});
         w.DynamicHeaderRaw(true, 259, 2, DeflateWriter::StandardCodeLengthLengths(), 19, items);
         HuffmanCode(lengths).Put(w.Bits, 'd');
         HuffmanCode(lengths).Put(w.Bits, 256);
     },
     0, "d"},
    {"repeat 16 past the end of the lengths reports 1",
     [](DeflateWriter& w) {
         std::vector<CodeLengthItem> items(258, CodeLengthItem{8});
         items.push_back({16, 3});  // 6 more: 4 too many
         w.DynamicHeaderRaw(true, 257, 3, DeflateWriter::StandardCodeLengthLengths(), 19, items);
     },
     1, nullptr},
    {"repeat 17 past the end of the lengths reports 1",
     [](DeflateWriter& w) {
         std::vector<CodeLengthItem> items(258, CodeLengthItem{8});
         items.push_back({17, 0});  // 3 zeros: 1 too many
         w.DynamicHeaderRaw(true, 257, 3, DeflateWriter::StandardCodeLengthLengths(), 19, items);
     },
     1, nullptr},
    {"repeat 18 past the end of the lengths is bad data (4)",
     [](DeflateWriter& w) {
         std::vector<CodeLengthItem> items(250, CodeLengthItem{8});
         items.push_back({18, 0});  // 11 zeros: 1 too many
         w.DynamicHeaderRaw(true, 257, 3, DeflateWriter::StandardCodeLengthLengths(), 19, items);
     },
     4, nullptr},
    {"an incomplete code-length code must be refused",
     [](DeflateWriter& w) {
         std::vector<uint16_t> cl(19, 0);
         cl[8] = 2;
         cl[0] = 2;
         w.DynamicHeaderRaw(true, 257, 1, cl, 19, {});
         w.Bits.Put(0, 32);
     },
     4, nullptr},
    {"the unowned pattern of a lone 1-bit code-length code is bad data",
     [](DeflateWriter& w) {
         std::vector<uint16_t> cl(19, 0);
         cl[8] = 1;
         w.DynamicHeaderRaw(true, 257, 1, cl, 19, {{8}, {8}});
         w.Bits.Put(1, 1);  // the pattern nobody owns
         w.Bits.Put(0, 32);
     },
     4, nullptr},
    {"an empty code-length code (HCLEN 4, all lengths 0) must be refused, not dereferenced",
     [](DeflateWriter& w) {
         w.DynamicHeaderRaw(true, 257, 1, std::vector<uint16_t>(19, 0), 4, {});
         w.Bits.Put(0, 32);
     },
     4, nullptr},
};

}  // namespace

// Catches every mis-coded corner the table names (see each row's text).
TEST(Inflate, CraftedStreamsGiveTheirResultCodes)
{
    for (const TCase& c : Cases) {
        SCOPED_TRACE(c.Fault);
        DeflateWriter writer;
        c.Write(writer);
        const TOutcome outcome = RunBoth(writer.Bits.Data());
        EXPECT_EQ(outcome.Result, c.Result);
        if (c.Result == 0 && c.Output) {
            EXPECT_EQ(outcome.Output, Text(c.Output));
        }
        if (c.Result != 0) {
            EXPECT_TRUE(outcome.Output.empty()) << "no final flush after a failure";
        }
    }
}

// Catches a wrong repeat of the previous byte and a match that does not
// read the zero fill before the first byte.
TEST(Inflate, ShortDistanceAndPreStartMatches)
{
    DeflateWriter repeat;
    repeat.BlockHeader(true, 1);
    repeat.FixedSymbol('z');
    repeat.FixedMatch(258, 1);
    repeat.FixedSymbol(256);
    EXPECT_EQ(RunBoth(repeat.Bits.Data()).Output, Bytes(259, 'z'));

    DeflateWriter early;
    early.BlockHeader(true, 1);
    early.FixedSymbol('a');
    early.FixedMatch(3, 4);  // three bytes before the start, then 'a'
    early.FixedSymbol(256);
    EXPECT_EQ(RunBoth(early.Bits.Data()).Output, Bytes({'a', 0, 0, 0}));
}

// Catches a match copy that is not split at the window's end, or that does
// not continue at position 0 after the flush; also a distance of exactly
// 32768, which reads the byte being replaced.
TEST(Inflate, MatchesCrossTheWindowEnd)
{
    Bytes first(32700);
    for (size_t i = 0; i < first.size(); ++i)
        first[i] = uint8_t(i * 7 + i / 251);
    DeflateWriter w;
    w.Stored(false, first);
    w.BlockHeader(true, 1);
    w.FixedMatch(200, 32700);   // 68 bytes up to 32768, then 132 from position 0
    w.FixedMatch(258, 32768);   // whole-window distance
    w.FixedMatch(40, 1);
    w.FixedSymbol(256);

    Bytes expected = first;
    for (size_t i = 0; i < 200; ++i)
        expected.push_back(expected[expected.size() - 32700]);
    for (size_t i = 0; i < 258; ++i)
        expected.push_back(expected[expected.size() - 32768]);
    for (size_t i = 0; i < 40; ++i)
        expected.push_back(expected.back());

    const TOutcome outcome = RunBoth(w.Bits.Data());
    ASSERT_EQ(outcome.Result, 0);
    EXPECT_EQ(outcome.Output, expected);
    EXPECT_EQ(~outcome.Crc, ReferenceCrc32(expected));
}

// Catches a deep code (15 bits, several table levels) decoded wrongly, and
// an HCLEN of 19 whose last position (length 15) is ignored.
TEST(Inflate, LongestCodesThroughAllCodeLengthPositions)
{
    std::vector<uint16_t> lengths(257, 0);
    // Lengths 1, 2, ..., 15, 15: literals 'A'.. and end of block last.
    for (unsigned i = 0; i < 15; ++i)
        lengths['A' + i] = uint16_t(i + 1);
    lengths[256] = 15;
    DeflateWriter w;
    w.DynamicHeader(true, lengths, {1});
    const HuffmanCode lit(lengths);
    const std::string text = "OANMABOOMA";
    for (char c : text)
        lit.Put(w.Bits, unsigned(c));
    lit.Put(w.Bits, 256);
    const TOutcome outcome = RunBoth(w.Bits.Data());
    ASSERT_EQ(outcome.Result, 0);
    EXPECT_EQ(outcome.Output, Text(text));
}

// Catches an abort that is ignored, or followed by a final flush of the
// partial window, for both stored and Huffman-coded data.
TEST(Inflate, AbortStopsWithoutFinalFlush)
{
    struct TAbortAll : TProgressReceiver {
        void Progress(int16_t, uint16_t& percent) override { percent = 0xFFFF; }
    } receiver;
    const auto withAbort = [&](DecoderRun& run) { run.State.NotifyWindow = &receiver; };

    DeflateWriter stored;
    stored.Stored(true, RandomData(20000));
    TOutcome outcome = RunBoth(stored.Bits.Data(), withAbort);
    EXPECT_EQ(outcome.Result, 5);
    EXPECT_TRUE(outcome.Output.empty());

    DeflateWriter coded;
    coded.BlockHeader(true, 1);
    for (int i = 0; i < 4000; ++i)
        coded.FixedSymbol('a' + i % 13);
    coded.FixedSymbol(256);
    outcome = RunBoth(coded.Bits.Data(), withAbort);
    EXPECT_EQ(outcome.Result, 5);
    EXPECT_TRUE(outcome.Output.empty());
}

// Catches a failed write reported as success, mid-stream and at the end.
TEST(Inflate, FlushFailureGivesOutputError)
{
    const auto failingSink = [](DecoderRun& run) { run.Sink.FailAfter = 0; };
    DeflateWriter small;
    small.Stored(true, Text("hello"));
    EXPECT_EQ(RunBoth(small.Bits.Data(), failingSink).Result, 2);

    DeflateWriter large;
    large.BlockHeader(true, 1);
    large.FixedSymbol('q');
    for (int i = 0; i < 200; ++i)
        large.FixedMatch(258, 1);  // 51601 bytes: crosses the window end
    for (int i = 0; i < 100; ++i)
        large.FixedSymbol('r');
    large.FixedSymbol(256);
    EXPECT_EQ(RunBoth(large.Bits.Data(), failingSink).Result, 2);
    EXPECT_EQ(RunBoth(large.Bits.Data()).Output.size(), 51601u + 100u);
}

// Catches bits of a block left unread between blocks, and a window
// position that does not carry over (a match reaching into the previous block).
TEST(Inflate, MatchesReachIntoEarlierBlocks)
{
    DeflateWriter w;
    w.Stored(false, Text("xyz"));
    w.BlockHeader(false, 1);
    w.FixedMatch(6, 3);
    w.FixedSymbol(256);
    w.Stored(true, Text("!"));
    const TOutcome outcome = RunBoth(w.Bits.Data());
    ASSERT_EQ(outcome.Result, 0);
    EXPECT_EQ(outcome.Output, Text("xyzxyzxyz!"));
}
