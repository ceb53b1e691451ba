// Tests of the method-1 decoder on memory streams: real shrunk entries from
// old archivers, streams from the test-only encoder (full table, partial
// clears, 13-bit codes, KwKwK), and damaged streams spelled code by code.
// Peers (unzip, 7zz) decode the encoder's streams as a control.
#include <gtest/gtest.h>

#include "ShrinkEncoder.h"
#include "engine/codecs/Decoders.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipDirectory.h"
#include "support/CraftedZip.h"
#include "support/MemoryStreams.h"
#include "support/TestFiles.h"

namespace valbrix::test {
namespace {

struct DecodeResult {
    int Code = -100;
    Bytes Output;
    uint32_t Crc = 0;
};

DecodeResult RunUnshrink(DecoderRun& run)
{
    DecodeResult result;
    result.Code = Unshrink(run.State);
    result.Output = run.Sink.FData;
    result.Crc = run.State.CrcValue ^ 0xFFFFFFFFu;
    return result;
}

DecodeResult RunUnshrink(const Bytes& compressed)
{
    DecoderRun run(compressed);
    return RunUnshrink(run);
}

// One shrunk entry taken out of a fixture archive through its central directory.
struct StoredShrunkEntry {
    std::string Name;
    Bytes Data;
    uint32_t Crc = 0;
    uint32_t Size = 0;
};

std::vector<StoredShrunkEntry> ShrunkEntriesOf(const std::filesystem::path& path)
{
    std::vector<TZipEntry> list;
    ListZipEntries(path.string(), list);
    const Bytes zip = ReadFile(path);
    std::vector<StoredShrunkEntry> entries;
    for (const TZipEntry& item : list) {
        if (item.Method != 1)
            continue;
        const size_t local = item.LocalHeaderOffset;
        const size_t data = local + 30 + (zip.at(local + 26) | zip.at(local + 27) << 8) +
                            (zip.at(local + 28) | zip.at(local + 29) << 8);
        entries.push_back({item.FileName, Bytes(zip.begin() + long(data), zip.begin() + long(data + item.CompressedSize)),
                           item.Crc32, uint32_t(item.UncompressedSize)});
    }
    return entries;
}

// Wraps a shrunk stream into an archive the peers can read.
Bytes ShrunkZip(const Bytes& compressed, const Bytes& original)
{
    CraftedEntry entry;
    entry.Name = "data.bin";
    entry.Data = compressed;
    entry.Method = 1;
    entry.Crc32 = ReferenceCrc32(original);
    entry.CompressedSize = uint32_t(compressed.size());
    entry.UncompressedSize = uint32_t(original.size());
    CraftedZip zip;
    zip.Add(entry);
    return zip.Build();
}

Bytes Repeat(const std::string& text, size_t times)
{
    Bytes out;
    for (size_t i = 0; i < times; ++i)
        out.insert(out.end(), text.begin(), text.end());
    return out;
}

// --- real archives ---------------------------------------------------------

// Catches any misreading of real PKZIP 0.8-1.1 streams: widths up to 12 bits,
// hundreds of partial clears and KwKwK codes, odd staging boundaries.
TEST(UnshrinkFixtures, EveryShrunkEntryDecodesWithItsCrc)
{
    REQUIRE_FIXTURES();
    const char* archives[] = {"cc-SHRUNK.ZIP",         "zip2-shrink.zip",       "sharp-Zip.shrink.zip",
                              "bfsx-PKZ110ES.ZIP",     "bfsx-PKZ110EX.ZIP",     "bfsx-PKZ80B1.ZIP",
                              "bfsx-PKZ80B2.ZIP",      "bfsx-PKZ80B3.ZIP",      "bfsx-PKZ80B4.ZIP",
                              "sharp-Zip.reduce1.zip", "sharp-Zip.reduce2.zip", "sharp-Zip.reduce3.zip",
                              "sharp-Zip.reduce4.zip", "cc-moby-imploded.zip"};
    int decoded = 0;
    for (const char* archive : archives) {
        for (const auto& entry : ShrunkEntriesOf(FixturesDir() / archive)) {
            SCOPED_TRACE(std::string(archive) + " " + entry.Name);
            const DecodeResult result = RunUnshrink(entry.Data);
            EXPECT_EQ(result.Code, erOk);
            EXPECT_EQ(result.Output.size(), entry.Size);
            EXPECT_EQ(result.Crc, entry.Crc);
            ++decoded;
        }
    }
    EXPECT_EQ(decoded, 23);
}

// --- encoder streams -------------------------------------------------------

// Catches wrong string expansion, code widening and table-full handling:
// noise defines a code per emitted code, so the table fills and codes reach
// 13 bits; afterwards no code may be defined.
TEST(UnshrinkRoundTrip, TextAndNoiseUpToAFullTable)
{
    for (const Bytes& original : {TextLikeData(200000, 3), RandomData(60000, 4)}) {
        ShrinkEncoder encoder;
        const Bytes compressed = encoder.Encode(original);
        EXPECT_TRUE(encoder.Stats().TableFilled);
        EXPECT_EQ(encoder.Stats().MaxCodeSize, 13);
        const DecodeResult result = RunUnshrink(compressed);
        EXPECT_EQ(result.Code, erOk);
        EXPECT_EQ(result.Output, original);
        EXPECT_EQ(result.Crc, ReferenceCrc32(original));
    }
}

// Catches a partial clear that frees a code still used as a prefix, misses a
// leaf, or threads the freed codes out of ascending order (the next codes
// would then get other numbers than the encoder gave them), and a decoder
// that defines code 8192 while the table is full and so keeps its prefix.
TEST(UnshrinkRoundTrip, PartialClearsOnAFullAndOnAPartlyFilledTable)
{
    const Bytes original = TextLikeData(400000, 7);
    for (const ShrinkOptions options : {ShrinkOptions{0, 0}, ShrinkOptions{0, 3}, ShrinkOptions{500}, ShrinkOptions{1}}) {
        ShrinkEncoder encoder;
        const Bytes compressed = encoder.Encode(original, options);
        EXPECT_GT(encoder.Stats().PartialClears, 0);
        const DecodeResult result = RunUnshrink(compressed);
        EXPECT_EQ(result.Code, erOk);
        EXPECT_EQ(result.Output, original);
    }
}

// Catches an encoder that only agrees with this decoder: independent peers
// must decode the same streams. unzip refuses any stream whose table fills,
// so it checks partial clears on a partly filled table; 7zz also checks a
// full table that is then cleared, where defining code 8192 (which no 13-bit
// code can name) would keep its prefix from being freed and shift every code
// defined after the clear.
TEST(UnshrinkRoundTrip, PeersDecodeTheEncodersStreams)
{
    TempDir dir;
    const Bytes original = TextLikeData(300000, 11);
    const std::string expected(original.begin(), original.end());
    struct PeerCase {
        ShrinkOptions Options;
        bool ForUnzip;
    };
    int n = 0;
    for (const PeerCase& peerCase : {PeerCase{{700}, true}, PeerCase{{0, 0}, false}, PeerCase{{0, 5}, false}}) {
        ShrinkEncoder encoder;
        const Bytes compressed = encoder.Encode(original, peerCase.Options);
        EXPECT_EQ(RunUnshrink(compressed).Output, original);
        const auto zipPath = dir / ("shrunk" + std::to_string(n++) + ".zip");
        WriteFile(zipPath, ShrunkZip(compressed, original));
        if (peerCase.ForUnzip && TOOL_PRESENT("unzip")) {
            const CommandResult unzip = RunCommand("unzip -p " + Quote(zipPath.string()));
            EXPECT_EQ(unzip.ExitCode, 0);
            EXPECT_TRUE(unzip.Output == expected);
        }
        if (TOOL_PRESENT("7zz")) {
            const CommandResult sevenZip = RunCommand("7zz e -so " + Quote(zipPath.string()) + " 2>/dev/null");
            EXPECT_EQ(sevenZip.ExitCode, 0);
            EXPECT_TRUE(sevenZip.Output == expected);
        }
    }
}

// Catches a decoder that mishandles the code named before it is defined:
// "aaaaaa" shrinks to 'a', 257 ("aa", KwKwK), 258 ("aaa", KwKwK).
TEST(UnshrinkStreams, KwKwKCodeExpandsToPreviousStringPlusItsFirstByte)
{
    ShrinkEncoder spelled;
    spelled.PutCode('a');
    spelled.PutCode(257);  // not yet defined: "a" + 'a'
    spelled.PutCode(258);  // not yet defined: "aa" + 'a'
    const DecodeResult result = RunUnshrink(spelled.Data());
    EXPECT_EQ(result.Code, erOk);
    EXPECT_EQ(result.Output, Repeat("a", 6));

    ShrinkEncoder encoder;
    const Bytes original = Repeat("ab", 5000);
    const Bytes compressed = encoder.Encode(original);
    EXPECT_GT(encoder.Stats().KwKwKCodes, 0);
    EXPECT_EQ(RunUnshrink(compressed).Output, original);
}

// Catches a partial clear that takes the mark off a free code above the
// cleared range because a code below names it: that breaks the free list's
// link, and defining that code later fails or corrupts the table.
TEST(UnshrinkStreams, PartialClearKeepsTheFreeListWhenACodeNamesAFreeCodeAboveIt)
{
    ShrinkEncoder spelled;
    for (int code : {'a', 'b', 'c'})  // 257 = "ab", 258 = "bc"
        spelled.PutCode(code);
    spelled.PutCode(258);             // 259 = "cb"
    spelled.PutCode('d');             // 260 = 258 + 'd'
    spelled.PutCode(260);             // 261 = "db"
    spelled.PartialClear();           // 258 stays (260 names it); 257, 259..261 are freed
    spelled.PutCode('e');             // 257 = 260 + 'e', named after the freed 260
    spelled.PartialClear();           // clears 257..258; 257's prefix 260 lies above them
    for (int code : {'f', 'g', 'h', 'i'})  // defines 257, 258, 259 and then 260 = "hi"
        spelled.PutCode(code);
    spelled.PutCode(260);
    const DecodeResult result = RunUnshrink(spelled.Data());
    EXPECT_EQ(result.Code, erOk);
    const std::string expected = "abcbcdbcdefghihi";
    EXPECT_EQ(result.Output, Bytes(expected.begin(), expected.end()));
}

// Catches a decoder that invents the first code's byte for an empty entry
// (it would then fail its CRC), or that reads input it was not given.
TEST(UnshrinkStreams, EmptyEntryProducesNoByte)
{
    DecoderRun run(Bytes{0x41, 0x00});  // a code is there, but the entry says it is empty
    run.State.InputSize = 0;
    const DecodeResult result = RunUnshrink(run);
    EXPECT_EQ(result.Code, erOk);
    EXPECT_TRUE(result.Output.empty());
    EXPECT_EQ(result.Crc, 0u);
}

// Catches a budget that decodes the padding bits after the last code as one
// more code: two bytes hold one 9-bit code and 7 bits of padding.
TEST(UnshrinkStreams, TwoByteEntryGivesOnlyTheFirstCodesByte)
{
    const DecodeResult result = RunUnshrink(Bytes{'Z', 0xFE});
    EXPECT_EQ(result.Code, erOk);
    EXPECT_EQ(result.Output, Bytes{'Z'});
}

// Catches an off-by-one in the 767-byte staging buffer around its flush.
TEST(UnshrinkStreams, OutputAroundTheStagingSizeIsComplete)
{
    for (size_t size : {766u, 767u, 768u, 1534u, 1535u}) {
        const Bytes original = RandomData(size, uint32_t(size));
        ShrinkEncoder encoder;
        EXPECT_EQ(RunUnshrink(encoder.Encode(original)).Output, original) << size;
    }
}

// --- bad input: one line per fault ----------------------------------------

struct BadStream {
    const char* Fault;
    Bytes Data;
    int Expected;
    uint32_t ClaimedSize = 0;  // InputSize when it differs from the data's length
};

std::vector<BadStream> BadStreams()
{
    std::vector<BadStream> cases;
    {
        ShrinkEncoder e;  // 256,1 four times reaches 13 bits; a fifth would make 14
        e.PutCode('x');
        for (int i = 0; i < 5; ++i)
            e.Widen();
        e.PutCode('y');
        cases.push_back({"widening past 13 bits", e.Data(), erFormat});
    }
    {
        ShrinkEncoder e;
        e.PutCode('x');
        e.PutControl(3);
        e.PutCode('y');
        cases.push_back({"control other than 1 or 2", e.Data(), erFormat});
    }
    {
        ShrinkEncoder e;
        e.PutCode('x');
        e.PutCode(300);  // free, and not the head (257)
        cases.push_back({"free code that is not the head", e.Data(), erFormat});
    }
    {
        // 'a' 'b' define 257 = "ab"; 257 defines 258 = "ba". The clear frees
        // both leaves while 257 is the previous code, so the next code defines
        // 257 with prefix 257: a cycle that 257 then walks.
        ShrinkEncoder e;
        e.PutCode('a');
        e.PutCode('b');
        e.PutCode(257);
        e.PartialClear();
        e.PutCode('a');
        e.PutCode(257);
        cases.push_back({"cyclic prefix chain", e.Data(), erFormat});
    }
    {
        // 258's prefix is 257, freed by the clear and not yet defined again.
        ShrinkEncoder e;
        e.PutCode('a');
        e.PutCode('b');   // 257 = "ab"
        e.PutCode('c');   // 258 = "bc"
        e.PutCode(258);   // 259 = "cb"
        e.PartialClear(); // no code names another code: 257..259 are all freed
        e.PutCode('d');   // 257 = (258, 'd')
        e.PutCode(257);   // expands 258 + 'd': 258 is free now
        cases.push_back({"prefix chain reaching a free code", e.Data(), erFormat});
    }
    {
        ShrinkEncoder e;
        e.Encode(TextLikeData(5000, 5));
        Bytes cut = e.Data();
        cut.resize(cut.size() / 2);
        cases.push_back({"truncated data", cut, erRead, uint32_t(cut.size() * 2)});
    }
    return cases;
}

// Catches crashes, endless loops, writes outside the stack and damage passed
// off as success; the claimed size is the full stream, as a header would say.
TEST(UnshrinkBadInput, EachFaultEndsWithItsCode)
{
    for (const BadStream& bad : BadStreams()) {
        SCOPED_TRACE(bad.Fault);
        DecoderRun run(bad.Data);
        if (bad.ClaimedSize)
            run.State.InputSize = bad.ClaimedSize;
        EXPECT_EQ(Unshrink(run.State), bad.Expected);
    }
}

// Catches a 32-bit bit budget: 268435456 bytes x 8 overflows it, and the
// decoder would stop after one byte and report success.
TEST(UnshrinkBadInput, HugeClaimedSizeIsNotCutShortByOverflow)
{
    ShrinkEncoder encoder;
    const Bytes original = TextLikeData(3000, 9);
    DecoderRun run(encoder.Encode(original));
    run.State.InputSize = 268435456u;
    const DecodeResult result = RunUnshrink(run);
    EXPECT_EQ(result.Code, erRead);  // the data ends long before the claimed size
    EXPECT_GE(result.Output.size(), original.size() - 767);
}

// Catches decoding without a size: the codes' end would be unknown.
TEST(UnshrinkBadInput, UnknownSizeIsRefused)
{
    DecoderRun run(Bytes{'a', 0});
    run.State.InputSize = UnknownSize;
    EXPECT_EQ(Unshrink(run.State), erUnsupported);
    EXPECT_TRUE(run.Sink.FData.empty());
}

// --- output failures (the abort: test_DecoderAbort.cpp) ---------------------

// Catches a failed write inside the loop or at the final flush passed off as success.
TEST(UnshrinkControl, FailedFlushGives2)
{
    for (size_t failAfter : {0u, 767u, 2000u}) {
        ShrinkEncoder encoder;
        DecoderRun run(encoder.Encode(TextLikeData(2100, 1)));
        run.Sink.FailAfter = failAfter;
        EXPECT_EQ(Unshrink(run.State), erOutput) << failAfter;
    }
}

}  // namespace
}  // namespace valbrix::test
