// Explode on real imploded entries written by old archivers: every entry of
// the fixture archives decodes to its recorded size and CRC-32. The entries
// are found by walking the local headers, so this test needs nothing of the
// engine but the decoder.
#include <gtest/gtest.h>

#include "engine/Decoders.h"
#include "engine/ResultCodes.h"
#include "support/MemoryStreams.h"

namespace valbrix::test {
namespace {

uint32_t Le16(const Bytes& bytes, size_t at) { return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8; }
uint32_t Le32(const Bytes& bytes, size_t at) { return Le16(bytes, at) | Le16(bytes, at + 2) << 16; }

struct ImplodedEntry {
    uint16_t Flags;
    uint32_t Crc32, CompressedSize, UncompressedSize;
    size_t DataOffset;
};

// The method-6 entries in local header order. None of these archives has a
// data descriptor, so each header says where the next one starts.
std::vector<ImplodedEntry> ImplodedEntries(const Bytes& archive)
{
    std::vector<ImplodedEntry> entries;
    size_t at = 0;
    while (at + 30 <= archive.size() && Le32(archive, at) == 0x04034B50) {
        const ImplodedEntry entry = {uint16_t(Le16(archive, at + 6)), Le32(archive, at + 14), Le32(archive, at + 18),
                                     Le32(archive, at + 22),
                                     at + 30 + Le16(archive, at + 26) + Le16(archive, at + 28)};
        if (Le16(archive, at + 8) == 6)
            entries.push_back(entry);
        at = entry.DataOffset + entry.CompressedSize;
    }
    return entries;
}

struct FixtureCase {
    const char* File;
    size_t ImplodedCount;
};

// Catches any fault real streams expose: sub-table walks of long codes, the
// wide distance table of large entries (TEST.BMP, TEST.EXE), window wraps.
TEST(ExplodeFixtures, EveryImplodedEntryMatchesItsCrc)
{
    REQUIRE_FIXTURES();
    const FixtureCase fixtures[] = {
        {"bfsx-PKZ110EI.ZIP", 7},
        {"bfsx-PKZ110EX.ZIP", 7},
        {"cc-imploding-4Kdict-2trees.zip", 1},
        {"cc-imploding-8Kdict-3trees.zip", 1},
        {"cc-lorem-ipsum-implode.zip", 1},
        {"cc-moby-imploded.zip", 134},
        {"defacto2-IMPLODE.ZIP", 5},
        {"la2949-test_compat_zip_implode.zip", 5},
        {"la2949-test_compat_zip_implode_realloc.zip", 3},
        {"la2949-test_read_format_zip_implode.zip", 1},
        {"sharp-Zip.implode.zip", 2},
        {"zip2-implode.zip", 1},
    };
    for (const auto& fixture : fixtures) {
        const Bytes archive = ReadFile(FixturesDir() / fixture.File);
        const auto entries = ImplodedEntries(archive);
        EXPECT_EQ(entries.size(), fixture.ImplodedCount) << fixture.File;
        for (const auto& entry : entries) {
            // The source runs on to the end of the file, as the archive does.
            DecoderRun run(Bytes(archive.begin() + ptrdiff_t(entry.DataOffset), archive.end()),
                           entry.UncompressedSize, entry.Flags);
            run.State.InputSize = entry.CompressedSize;
            EXPECT_EQ(Explode(run.State), erOk) << fixture.File << " at " << entry.DataOffset;
            EXPECT_EQ(run.Sink.FData.size(), entry.UncompressedSize) << fixture.File << " at " << entry.DataOffset;
            EXPECT_EQ(ReferenceCrc32(run.Sink.FData), entry.Crc32) << fixture.File << " at " << entry.DataOffset;
        }
    }
}

// A raw 4 KB, two-tree stream with its expected output beside it.
TEST(ExplodeFixtures, RawHamletStreamGivesItsText)
{
    REQUIRE_FIXTURES();
    Bytes stream = ReadFile(FixturesDir() / "zip2-implode_hamlet_256.bin");
    const Bytes expected = ReadFile(FixturesDir() / "zip2-implode_hamlet_256.out");
    const uint32_t inputSize = uint32_t(stream.size());
    stream.insert(stream.end(), {'P', 'K', 1, 2});  // as if the central directory followed
    DecoderRun run(stream, uint32_t(expected.size()), 0);
    run.State.InputSize = inputSize;
    EXPECT_EQ(Explode(run.State), erOk);
    EXPECT_TRUE(run.Sink.FData == expected);
}

}  // namespace
}  // namespace valbrix::test
