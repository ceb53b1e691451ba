// Shrunk entries through the extraction driver: the cases where the entry's
// header, not the stream, decides the outcome (sizes only in the central
// directory, an empty entry).
#include <gtest/gtest.h>

#include <filesystem>

#include "ShrinkEncoder.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

namespace valbrix::test {
namespace {

namespace fs = std::filesystem;

CraftedEntry ShrunkEntry(const std::string& name, const Bytes& original)
{
    ShrinkEncoder encoder;
    CraftedEntry entry;
    entry.Name = name;
    entry.Data = encoder.Encode(original);
    entry.Method = 1;
    entry.Crc32 = ReferenceCrc32(original);
    entry.CompressedSize = uint32_t(entry.Data.size());
    entry.UncompressedSize = uint32_t(original.size());
    return entry;
}

class UnshrinkDriverTest : public ::testing::Test {
protected:
    void SetUp() override { FStartDir = fs::current_path(); }
    // The driver may leave the current directory in the folders it created.
    void TearDown() override { fs::current_path(FStartDir); }

    int Extract(const CraftedEntry& entry, std::optional<uint32_t> compressed, std::optional<uint32_t> uncompressed)
    {
        CraftedZip zip;
        zip.Add(entry);
        WriteFile(Dir / "archive.zip", zip.Build());
        return Driver.ExtractEntry((Dir / "archive.zip").string(), Target(), 0x20, zip.LocalHeaderOffset(0),
                                   nullptr, 0, compressed, uncompressed);
    }
    std::string Target() const { return (Dir / "out.bin").string(); }

    TempDir Dir;
    TExtractionDriver Driver;
    fs::path FStartDir;
};

// Catches the descriptor case refused with 6 although the central directory
// gave the driver the compressed size: the stream is then decodable.
TEST_F(UnshrinkDriverTest, DescriptorEntryDecodesWithTheCentralSizes)
{
    const Bytes original = TextLikeData(20000, 6);
    CraftedEntry entry = ShrunkEntry("dd.txt", original);
    entry.Flags = 0x0008;
    entry.LocalCrc32 = 0;
    entry.LocalCompressedSize = 0;
    entry.LocalUncompressedSize = 0;
    entry.DataDescriptor = true;
    EXPECT_EQ(Extract(entry, entry.CompressedSize, entry.UncompressedSize), erOk);
    EXPECT_EQ(ReadFile(Target()), original);
}

// Catches an empty shrunk entry failing its CRC because a byte was invented.
TEST_F(UnshrinkDriverTest, EmptyEntryGivesAnEmptyFile)
{
    CraftedEntry entry = ShrunkEntry("empty.txt", Bytes{});
    ASSERT_TRUE(entry.Data.empty());
    EXPECT_EQ(Extract(entry, 0u, 0u), erOk);
    ASSERT_TRUE(fs::exists(Target()));
    EXPECT_EQ(fs::file_size(Target()), 0u);
}

}  // namespace
}  // namespace valbrix::test
