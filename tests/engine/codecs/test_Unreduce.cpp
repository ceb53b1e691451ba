// Tests of the reduce decoder (methods 2..5). No tool on this machine decodes
// reduced entries, so real archives are checked against their stored CRC-32s
// and the known originals, and everything else against streams built by the
// test-only encoder beside this file.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "ReduceEncoder.h"
#include "engine/codecs/Decoders.h"
#include "engine/codecs/Methods.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "support/BitWriter.h"
#include "support/CraftedZip.h"
#include "support/MemoryStreams.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

int Decode(DecoderRun& run, int method) { return Unreduce(run.State, method); }

Bytes Text(const char* text) { return Bytes(text, text + std::strlen(text)); }

struct LocalEntry {
    std::string Name;
    uint16_t Method = 0;
    uint32_t Crc32 = 0;
    uint32_t UncompressedSize = 0;
    Bytes Data;
};

// Walks the local headers of an old archive (no data descriptors there), so
// these tests do not depend on the directory reader.
std::vector<LocalEntry> LocalEntries(const Bytes& archive)
{
    auto le16 = [&](size_t at) { return uint32_t(archive[at]) | uint32_t(archive[at + 1]) << 8; };
    auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
    std::vector<LocalEntry> entries;
    size_t at = 0;
    while (at + 30 <= archive.size() && le32(at) == 0x04034b50) {
        LocalEntry entry;
        entry.Method = uint16_t(le16(at + 8));
        entry.Crc32 = le32(at + 14);
        const uint32_t compressed = le32(at + 18);
        entry.UncompressedSize = le32(at + 22);
        const size_t nameLength = le16(at + 26), data = at + 30 + nameLength + le16(at + 28);
        if (data + compressed > archive.size())
            break;
        entry.Name.assign(archive.begin() + long(at + 30), archive.begin() + long(at + 30 + nameLength));
        entry.Data.assign(archive.begin() + long(data), archive.begin() + long(data + compressed));
        entries.push_back(std::move(entry));
        at = data + compressed;
    }
    return entries;
}

}  // namespace

// --- Real archives -------------------------------------------------------

// Catches any decoding fault on real data of all four factors (follower-set
// order, index widths, length/distance rules, window wrap).
TEST(UnreduceFixtures, EveryReducedEntryMatchesItsCrc)
{
    REQUIRE_FIXTURES();
    const fs::path dir = FixturesDir();
    // Archive, and for some entries the original file they must equal.
    const std::vector<std::pair<std::string, std::map<std::string, std::string>>> archives = {
        {"sharp-Zip.reduce1.zip", {{"TEST.EXE", "sharp-orig-test.exe"}, {"TEST.JPG", "sharp-orig-test.jpg"}}},
        {"sharp-Zip.reduce2.zip", {{"TEST.EXE", "sharp-orig-test.exe"}, {"TEST.JPG", "sharp-orig-test.jpg"}}},
        {"sharp-Zip.reduce3.zip", {{"TEST.EXE", "sharp-orig-test.exe"}, {"TEST.JPG", "sharp-orig-test.jpg"}}},
        {"sharp-Zip.reduce4.zip", {{"TEST.EXE", "sharp-orig-test.exe"}, {"TEST.JPG", "sharp-orig-test.jpg"}}},
        {"zip2-reduce.zip", {{"first.txt", "zip2-first.txt"}}},
        {"bfsx-PKZ80B1.ZIP", {}},
        {"bfsx-PKZ80B2.ZIP", {}},
        {"bfsx-PKZ80B3.ZIP", {}},
        {"bfsx-PKZ80B4.ZIP", {}},
    };
    int decoded = 0;
    for (const auto& [archive, originals] : archives) {
        for (const LocalEntry& entry : LocalEntries(ReadFile(dir / archive))) {
            if (entry.Method < 2 || entry.Method > 5)
                continue;
            SCOPED_TRACE(archive + " " + entry.Name);
            DecoderRun run(entry.Data, entry.UncompressedSize);
            ASSERT_EQ(Decode(run, entry.Method), erOk);
            EXPECT_EQ(run.Sink.FData.size(), entry.UncompressedSize);
            EXPECT_EQ(ReferenceCrc32(run.Sink.FData), entry.Crc32);
            EXPECT_EQ(~run.State.CrcValue, entry.Crc32);  // the running CRC saw the same bytes
            if (const auto original = originals.find(entry.Name); original != originals.end()) {
                EXPECT_TRUE(run.Sink.FData == ReadFile(dir / original->second)) << "differs from the original";
            }
            ++decoded;
        }
    }
    EXPECT_EQ(decoded, 37);  // 2 x 4 sharp, 1 zip2, 7 x 4 bfsx
}

// Catches a wrong zero fill for references before the first output byte: the
// second raw stream ends in 1024 bytes that can only come from there.
TEST(UnreduceFixtures, RawFactor4StreamsIncludingReferencesBeforeTheStart)
{
    REQUIRE_FIXTURES();
    const fs::path dir = FixturesDir();
    const Bytes hamlet = ReadFile(dir / "zip2-implode_hamlet_2048.out");

    DecoderRun plain(ReadFile(dir / "zip2-reduce_hamlet_2048.bin"), 2048);
    ASSERT_EQ(Decode(plain, 5), erOk);
    EXPECT_TRUE(plain.Sink.FData == hamlet);

    Bytes expected = hamlet;
    expected.resize(hamlet.size() + 1024, 0);
    DecoderRun zeros(ReadFile(dir / "zip2-reduce_zero_reduced.bin"), uint32_t(expected.size()));
    ASSERT_EQ(Decode(zeros, 5), erOk);
    EXPECT_TRUE(zeros.Sink.FData == expected);
}

// --- The follower-coded layer ----------------------------------------------

// Catches a flag bit read for an empty set, a wrong start value of the
// previous byte (0), a wrong index width, and an index past the count that
// reaches outside the filled slots (must give 0).
TEST(UnreduceFollowers, EmptySetsReadRawBytesAndIndexesSelectSlots)
{
    BitWriter bits;
    for (int x = 255; x >= 0; --x) {
        if (x == 0) {  // set of byte 0, used first: three followers, 2-bit index
            bits.Put(3, 6);
            bits.Put('x', 8);
            bits.Put('y', 8);
            bits.Put('z', 8);
        } else {
            bits.Put(0, 6);
        }
    }
    bits.Put(0, 1);   // previous 0: follower ...
    bits.Put(2, 2);   // ... slot 2 = 'z'
    bits.Put('A', 8); // previous 'z' has no set: 8 raw bits, no flag
    bits.Put('\0', 8); // previous 'A': raw byte 0
    bits.Put(1, 1);   // previous 0: not a follower ...
    bits.Put('q', 8); // ... raw 'q'
    bits.Put(0, 8);   // previous 'q': raw byte 0
    bits.Put(0, 1);   // previous 0: follower ...
    bits.Put(3, 2);   // ... index 3 is past the count: a never-filled slot, 0
    DecoderRun run(bits.Data(), 6);
    ASSERT_EQ(Decode(run, 2), erOk);
    EXPECT_EQ(run.Sink.FData, Bytes({'z', 'A', 0, 'q', 0, 0}));
}

// Catches follower sets that track the decoded output instead of the coded
// bytes: after "144 0" the previous byte is 0, not 144.
TEST(UnreduceFollowers, SetsFollowTheCodedBytesNotTheOutput)
{
    ReduceEncoder encoder(3);
    encoder.SetFollowers(0, {'k'});
    encoder.SetFollowers(144, {'w'});
    encoder.Literal(144);  // coded 144, 0
    encoder.Literal('k');  // coded after 0: a 1-bit index into {'k'}
    encoder.Literal('w');  // after 'k' (empty set): raw
    DecoderRun run(encoder.Finish(), 3);
    ASSERT_EQ(Decode(run, 4), erOk);
    EXPECT_EQ(run.Sink.FData, Bytes({144, 'k', 'w'}));
}

// --- Escapes, lengths and distances ----------------------------------------

// Catches a wrong escape, length mask, distance shift/mask or the length
// extension at each factor: the longest match from the farthest distance
// (385 bytes from 512 back at factor 1 ... 273 from 4096 back at factor 4),
// a literal 144, and an overlapping run.
TEST(UnreduceMatches, LongestMatchFarthestDistanceAndEscapeAtEveryFactor)
{
    for (int factor = 1; factor <= 4; ++factor) {
        SCOPED_TRACE("factor " + std::to_string(factor));
        ReduceEncoder encoder(factor);
        Bytes expected;
        for (uint8_t byte : RandomData(ReduceEncoder::MaxDistance(factor) + 10, uint32_t(factor))) {
            encoder.Literal(byte);
            expected.push_back(byte);
        }
        const uint32_t longest = ReduceEncoder::MaxLength(factor);
        encoder.Match(ReduceEncoder::MaxDistance(factor), longest);
        ReferenceCopy(expected, ReduceEncoder::MaxDistance(factor), longest);
        encoder.Literal(144);
        expected.push_back(144);
        encoder.Match(1, 20);  // a run of the 144 just written
        ReferenceCopy(expected, 1, 20);
        encoder.Match(257, 3);  // shortest length with a distance high part
        ReferenceCopy(expected, 257, 3);
        encoder.Match(300, ReduceEncoder::LengthMask(factor) + 3);  // L equals the mask, extension 0
        ReferenceCopy(expected, 300, ReduceEncoder::LengthMask(factor) + 3);

        DecoderRun run(encoder.Finish(), uint32_t(expected.size()));
        ASSERT_EQ(Decode(run, factor + 1), erOk);
        EXPECT_TRUE(run.Sink.FData == expected);
    }
    EXPECT_EQ(ReduceEncoder::MaxLength(1), 385u);
    EXPECT_EQ(ReduceEncoder::MaxDistance(4), 4096u);
}

// Catches a wrong bit split of V at factor 4: V = 0xF3 with C = 0xFF means
// length 6 from 4096 back, spelled byte by byte.
TEST(UnreduceMatches, Factor4ByteF3ThenFFIsLength6Distance4096)
{
    ReduceEncoder encoder(4);
    Bytes expected = RandomData(4096, 7);
    for (uint8_t byte : expected)
        encoder.Literal(byte);
    encoder.Coded(144);
    encoder.Coded(0xF3);
    encoder.Coded(0xFF);
    ReferenceCopy(expected, 4096, 6);
    DecoderRun run(encoder.Finish(), uint32_t(expected.size()));
    ASSERT_EQ(Decode(run, 5), erOk);
    EXPECT_TRUE(run.Sink.FData == expected);
}

// Catches reading history from uninitialised or stale window bytes for a
// reference that reaches before the first output byte, including one that
// starts before and continues into the output.
TEST(UnreduceMatches, ReferencesBeforeTheFirstByteGiveZeros)
{
    ReduceEncoder encoder(2);
    encoder.Literal('a');
    encoder.Literal('b');
    encoder.Match(10, 12);
    encoder.Match(1000, 40);
    Bytes expected = {'a', 'b'};
    ReferenceCopy(expected, 10, 12);
    ReferenceCopy(expected, 1000, 40);
    DecoderRun run(encoder.Finish(), uint32_t(expected.size()));
    std::memset(run.Window.get(), 0xEE, WindowSize);  // zero fill must not rely on the driver's zeroing
    ASSERT_EQ(Decode(run, 3), erOk);
    EXPECT_TRUE(run.Sink.FData == expected);
    EXPECT_EQ(expected[2], 0);
}

// Catches faults at the 16 KB window wrap (flush size, wrapped history,
// matches straddling the boundary) on larger data, with and without
// follower sets, at every factor.
TEST(UnreduceMatches, RoundTripsAcrossManyWindowWraps)
{
    const Bytes text = TextLikeData(70000, 3);
    const Bytes noise = RandomData(20000, 4);
    for (int factor = 1; factor <= 4; ++factor) {
        for (unsigned followers : {0u, 8u, 63u}) {
            for (const Bytes* data : {&text, &noise}) {
                SCOPED_TRACE("factor " + std::to_string(factor) + " followers " + std::to_string(followers));
                DecoderRun run(ReduceCompress(*data, factor, followers), uint32_t(data->size()));
                ASSERT_EQ(Decode(run, factor + 1), erOk);
                EXPECT_TRUE(run.Sink.FData == *data);
                EXPECT_EQ(~run.State.CrcValue, ReferenceCrc32(*data));
            }
        }
    }
}

// --- Ends: size, input, abort, output --------------------------------------

// Catches a decoder that ignores OutputSize, or that waits for the count to
// reach exactly 0: a match past the size ends the loop, and the stream is
// bad data with nothing past the size written.
TEST(UnreduceEnds, OutputSizeEndsTheLoop)
{
    ReduceEncoder encoder(1);
    for (char c : std::string("abcdef"))
        encoder.Literal(uint8_t(c));
    DecoderRun sized(encoder.Finish(), 4);
    ASSERT_EQ(Decode(sized, 2), erOk);
    EXPECT_EQ(sized.Sink.FData, Text("abcd"));

    ReduceEncoder runs(1);
    runs.Literal('a');
    runs.Match(1, 10);
    runs.Literal('z');
    DecoderRun overrun(runs.Finish(), 5);
    ASSERT_EQ(RunDecoder(overrun.State, 2), erFormat);
    EXPECT_TRUE(overrun.Sink.FData.empty());

    DecoderRun empty(Bytes{}, 0);  // a zero-length entry with no data at all
    EXPECT_EQ(Decode(empty, 5), erOk);
    EXPECT_TRUE(empty.Sink.FData.empty());
}

// Catches a hang or an overrun when the data ends early: inside the follower
// sets, inside the bytes, and with an unknown size. The result is 0 (the CRC
// check reports the damage) and the output stays bounded.
TEST(UnreduceEnds, TruncatedInputEndsWithoutError)
{
    const Bytes data = TextLikeData(30000, 9);
    const Bytes full = ReduceCompress(data, 4, 16);
    for (size_t keep : {size_t(0), size_t(10), size_t(150), full.size() / 2, full.size() - 1}) {
        SCOPED_TRACE("kept " + std::to_string(keep));
        for (uint32_t outputSize : {uint32_t(data.size()), UnknownSize}) {
            DecoderRun run(Bytes(full.begin(), full.begin() + long(keep)), outputSize);
            ASSERT_EQ(Decode(run, 5), erOk);
            EXPECT_LE(run.Sink.FData.size(), data.size() + 385);
            if (keep <= full.size() / 2) {  // the last byte may hold only padding bits
                EXPECT_NE(ReferenceCrc32(run.Sink.FData), ReferenceCrc32(data));
            }
        }
    }
}

// Catches a failed write reported as success, both at a full window and at
// the final partial flush.
TEST(UnreduceEnds, FlushFailureGivesTwo)
{
    const Bytes data = RandomData(40000, 6);
    DecoderRun atWrap(ReduceCompress(data, 1, 0), uint32_t(data.size()));
    atWrap.Sink.FailAfter = 0;
    EXPECT_EQ(Decode(atWrap, 2), erOutput);

    DecoderRun atEnd(ReduceCompress(data, 1, 0), uint32_t(data.size()));
    atEnd.Sink.FailAfter = 32768;  // the two full windows pass, the rest fails
    EXPECT_EQ(Decode(atEnd, 2), erOutput);
    EXPECT_EQ(atEnd.Sink.FData.size(), 32768u);
}

// Catches a crash or endless loop on hostile bit patterns: all ones (every
// set full, every index at its widest) and noise, at every factor.
TEST(UnreduceEnds, HostileStreamsEndInBoundedTime)
{
    for (int method = 2; method <= 5; ++method) {
        for (const Bytes& input : {Bytes(3000, 0xFF), RandomData(3000, uint32_t(method)), Bytes(3000, 0x00)}) {
            DecoderRun run(input, 1u << 20);
            EXPECT_EQ(Decode(run, method), erOk);
            EXPECT_LE(run.Sink.FData.size(), (1u << 20) + 385);
        }
    }
}

// --- Through the driver -------------------------------------------------------

// Catches a reduced entry that streams its sizes (flag bit 3, local sizes 0)
// decoding on the "unknown" size: without the directory's sizes the decoder
// runs past its data into the descriptor and beyond, and the entry fails.
TEST(UnreduceDriver, StreamedEntryTakesTheDirectorySizes)
{
    const Bytes data = TextLikeData(50000, 11);
    CraftedEntry entry;
    entry.Name = "streamed.txt";
    entry.Data = ReduceCompress(data, 3, 16);
    entry.Method = 4;
    entry.Flags = 0x0008;
    entry.Crc32 = ReferenceCrc32(data);
    entry.CompressedSize = uint32_t(entry.Data.size());
    entry.UncompressedSize = uint32_t(data.size());
    entry.LocalCrc32 = entry.LocalCompressedSize = entry.LocalUncompressedSize = 0;
    entry.DataDescriptor = true;
    CraftedZip zip;
    zip.Add(entry);
    zip.Add(StoredEntry("after.txt", Text("the next entry")));  // bytes behind the data that must not be decoded

    TempDir dir;
    WriteFile(dir / "streamed.zip", zip.Build());
    TExtractionDriver driver;
    const std::string target = (dir / "out.txt").string();
    ASSERT_EQ(driver.ExtractEntry((dir / "streamed.zip").string(), target, 0x20, zip.LocalHeaderOffset(0), nullptr, 0,
                                  entry.CompressedSize, entry.UncompressedSize),
              erOk);
    EXPECT_TRUE(ReadFile(target) == data);
}
