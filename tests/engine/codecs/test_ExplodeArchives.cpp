// Imploded entries in archives, through the directory reader and the
// extraction driver: every entry of the fixture archives written by old
// archivers decodes to its recorded CRC-32, and a legacy entry whose sizes
// travel only in the data descriptor and the central directory decodes to
// its end and no further.
#include <gtest/gtest.h>

#include "ImplodeEncoder.h"
#include "engine/codecs/Decoders.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipDirectory.h"
#include "support/CraftedZip.h"
#include "support/MemoryStreams.h"

namespace valbrix::test {
namespace {

// Catches any fault real streams expose: sub-table walks of long codes, the
// wide distance table of large entries (TEST.BMP, TEST.EXE), window wraps,
// and the flags and sizes the driver hands over.
TEST(ExplodeArchives, EveryFixtureEntryMatchesItsCrc)
{
    REQUIRE_FIXTURES();
    const std::pair<const char*, size_t> fixtures[] = {
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
    TExtractionDriver driver;
    for (const auto& [file, implodedCount] : fixtures) {
        const auto archive = (FixturesDir() / file).string();
        std::vector<TZipEntry> entries;
        ListZipEntries(archive, entries);
        size_t imploded = 0;
        for (const auto& entry : entries) {
            if (entry.Method != 6)
                continue;
            ++imploded;
            EXPECT_EQ(driver.TestEntry(archive, entry.LocalHeaderOffset), erOk) << file << ": " << entry.FileName;
        }
        EXPECT_EQ(imploded, implodedCount) << file;
    }
}

// A raw 4 KB, two-tree stream with its expected output beside it.
TEST(ExplodeArchives, RawHamletStreamGivesItsText)
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

// Catches an imploded entry with a data descriptor that decodes into the
// descriptor and the next entry: with the central directory's sizes the
// decoder stops at the entry's end, and the following entry is intact.
TEST(ExplodeArchives, DescriptorEntryWithCentralSizesStopsAtItsEnd)
{
    const ImplodeEncoder encoder(true, true);
    const Bytes data = TextLikeData(20000, 5);
    CraftedEntry legacy;
    legacy.Name = "LEGACY.TXT";
    legacy.Data = encoder.Compress(data);
    legacy.Method = 6;
    legacy.Flags = uint16_t(encoder.Flags() | 0x08);
    legacy.Crc32 = ReferenceCrc32(data);
    legacy.CompressedSize = uint32_t(legacy.Data.size());
    legacy.UncompressedSize = uint32_t(data.size());
    legacy.LocalCrc32 = legacy.LocalCompressedSize = legacy.LocalUncompressedSize = 0;
    legacy.DataDescriptor = true;
    legacy.DescriptorSignature = false;  // old archivers wrote none
    CraftedZip zip;
    zip.Add(legacy);
    zip.Add(StoredEntry("NEXT.TXT", TextLikeData(300, 9)));
    TempDir dir;
    const auto archive = (dir / "legacy.zip").string();
    WriteFile(archive, zip.Build());

    TExtractionDriver driver;
    const auto output = dir / "legacy.txt";
    EXPECT_EQ(driver.ExtractEntry(archive, output.string(), 0, zip.LocalHeaderOffset(0), nullptr, 0,
                                  legacy.CompressedSize, legacy.UncompressedSize),
              erOk);
    EXPECT_TRUE(ReadFile(output) == data);
    EXPECT_EQ(driver.TestEntry(archive, zip.LocalHeaderOffset(1)), erOk);
}

}  // namespace
}  // namespace valbrix::test
