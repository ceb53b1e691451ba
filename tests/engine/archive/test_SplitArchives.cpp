// Archives in several files, made at test time by the black-box tools: a
// spanned set written by `zip -s` (NAME.z01 ... NAME.zip, offsets per part)
// and a byte-split set cut by `split` (NAME.zip.001 ...), opened from any
// of their parts, with a part missing, cut short, or named in upper case.
// Each row names the fault it catches.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/ResultCodes.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/ExtractEntry.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

// Thirteen-odd parts of 100 KB: noise does not compress.
void MakeSets(const TempDir& dir)
{
    fs::create_directories(dir / "src");
    for (int i = 0; i < 6; ++i)
        WriteFile(dir / "src" / ("f" + std::to_string(i) + ".bin"), RandomData(200 * 1024 + size_t(i) * 1000, uint32_t(i + 1)));
    const std::string src = Quote((dir / "src").string());
    ASSERT_EQ(RunCommand("cd " + src + " && zip -q -s 100k ../spl.zip *.bin").ExitCode, 0);
    ASSERT_EQ(RunCommand("cd " + src + " && zip -q ../full.zip *.bin && cd .. && split -b 200000 -d -a 3 "
                         "--numeric-suffixes=1 full.zip full.zip.").ExitCode, 0);
}

struct TOpenedSet {
    TArchiveKind Kind = akNotArchive;
    std::vector<std::string> Whole;  // entries whose bytes are all there
    size_t Missing = 0;              // entries in a missing part
    TSetProblem Problem = spNone;
    std::string Part;
    size_t Tested = 0;               // whole entries that decode with the right CRC
};

TOpenedSet OpenSet(const fs::path& path)
{
    TOpenedSet opened;
    TZipArchive archive;
    opened.Kind = archive.Open(path.string());
    opened.Problem = archive.SetProblem();
    opened.Part = archive.ProblemPart();
    TExtractionDriver driver;
    if (archive.Reader())
        driver.LendArchive(*archive.Reader());
    archive.ForEachEntry([&](const TZipEntry& entry) {
        if (entry.Damage == edMissingPart) {
            ++opened.Missing;
        } else {
            opened.Whole.push_back(entry.FileName);
            opened.Tested += driver.TestEntry(entry.LocalHeaderOffset, entry.CompressedSize, entry.UncompressedSize) == erOk;
        }
        return true;
    });
    return opened;
}

}  // namespace

TEST(SplitArchives, SpannedAndByteSplitSets)
{
    REQUIRE_TOOL("zip");
    REQUIRE_TOOL("split");
    TempDir dir;
    MakeSets(dir);
    const std::vector<std::string> all = {"f0.bin", "f1.bin", "f2.bin", "f3.bin", "f4.bin", "f5.bin"};
    ASSERT_TRUE(fs::exists(dir / "spl.z03") && fs::exists(dir / "full.zip.004")) << "the tools cut no parts";
    const fs::path other = dir / "other";
    fs::create_directories(other);
    for (const auto& item : fs::directory_iterator(dir.Path()))
        if (item.is_regular_file())
            fs::copy_file(item.path(), other / item.path().filename());

    struct Case {
        const char* fault;
        std::function<void(const fs::path&)> change;  // done to a copy of the sets
        const char* open;
        TArchiveKind kind;
        size_t whole;           // SIZE_MAX: all six entries listed as whole
        bool someMissing;
        TSetProblem problem;
        const char* part;
    };
    const auto none = [](const fs::path&) {};
    const Case cases[] = {
        {"a spanned set's offsets read as one file's", none, "spl.zip", akArchive, SIZE_MAX, false, spNone, ""},
        {"a spanned set not found from its first part", none, "spl.z01", akArchive, SIZE_MAX, false, spNone, ""},
        {"a byte-split set not read as one stream", none, "full.zip.001", akArchive, SIZE_MAX, false, spNone, ""},
        {"a byte-split set not found from a later part", none, "full.zip.003", akArchive, SIZE_MAX, false, spNone, ""},
        {"parts in upper case not found",
         [](const fs::path& d) {
             fs::rename(d / "spl.z02", d / "SPL.Z02");
             fs::rename(d / "spl.z01", d / "SPL.Z01");
         },
         "spl.zip", akArchive, SIZE_MAX, false, spNone, ""},
        {"a missing spanned part not named, or every entry lost with it",
         [](const fs::path& d) { fs::remove(d / "spl.z03"); }, "spl.zip", akDamaged, 0, true, spMissingPart,
         "spl.z03"},
        {"a missing byte-split part not named", [](const fs::path& d) { fs::remove(d / "full.zip.002"); },
         "full.zip.001", akDamaged, 0, true, spMissingPart, "full.zip.002"},
        {"a part cut short taken as whole",
         [](const fs::path& d) { fs::resize_file(d / "spl.z02", fs::file_size(d / "spl.z02") - 1000); }, "spl.zip",
         akNotArchive, 0, false, spPartsDisagree, "spl.z02"},
        {"the last part missing not named", [](const fs::path& d) { fs::remove(d / "spl.zip"); }, "spl.z01",
         akNotArchive, 0, false, spMissingPart, "spl.zip"},
    };
    for (const Case& c : cases) {
        TempDir copy;
        for (const auto& item : fs::directory_iterator(other))
            fs::copy_file(item.path(), copy / item.path().filename().string());
        c.change(copy.Path());
        const TOpenedSet opened = OpenSet(copy / c.open);
        EXPECT_EQ(opened.Kind, c.kind) << c.fault;
        EXPECT_EQ(opened.Problem, c.problem) << c.fault;
        EXPECT_EQ(opened.Part, c.part) << c.fault;
        EXPECT_EQ(opened.Tested, opened.Whole.size()) << c.fault << ": a whole entry does not decode";
        if (c.whole == SIZE_MAX) {
            EXPECT_EQ(opened.Whole, all) << c.fault;
        } else if (c.someMissing) {
            EXPECT_TRUE(opened.Missing > 0 && opened.Whole.size() > 0 && opened.Whole.size() + opened.Missing <= 6)
                << c.fault << ": " << opened.Whole.size() << " whole, " << opened.Missing << " missing";
        }
    }
}
