// Imploded entries through the directory reader and the extraction driver,
// the road every archive takes in the program: real archives extract to the
// bytes unzip gives, and a legacy entry whose sizes travel only in the data
// descriptor and the central directory decodes to its end and no further.
#include <gtest/gtest.h>

#include "ImplodeEncoder.h"
#include "engine/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "engine/ZipDirectory.h"
#include "support/CraftedZip.h"

namespace valbrix::test {
namespace {

// Catches a fault between driver and decoder (flags, sizes, window) that
// the decoder-level tests cannot see; unzip is the oracle for the bytes.
TEST(ExplodeDriver, FixtureEntriesExtractAsUnzipDoes)
{
    REQUIRE_FIXTURES();
    REQUIRE_TOOL("unzip");
    const auto archive = (FixturesDir() / "la2949-test_compat_zip_implode_realloc.zip").string();
    std::vector<TZipEntry> entries;
    ListZipEntries(archive, entries);
    ASSERT_EQ(entries.size(), 3u);
    TempDir dir;
    TExtractionDriver driver;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        ASSERT_EQ(entry.Method, 6);
        const auto output = dir / ("entry" + std::to_string(i));
        EXPECT_EQ(driver.ExtractEntry(archive, output.string(), 0, entry.LocalHeaderOffset), erOk) << entry.FileName;
        const auto expected = RunCommand("unzip -p " + Quote(archive) + " " + Quote(entry.FileName));
        EXPECT_TRUE(ReadFile(output) == Bytes(expected.Output.begin(), expected.Output.end())) << entry.FileName;
    }
}

// Catches an imploded entry with a data descriptor that decodes into the
// descriptor and the next entry: with the central directory's sizes the
// decoder stops at the entry's end, and the following entry is intact.
TEST(ExplodeDriver, DescriptorEntryWithCentralSizesStopsAtItsEnd)
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
