// valbrix-cli on ZIP64 archives made at test time by the standard tools
// (Python's zipfile with forced ZIP64 headers; zip and 7zz with more entries
// than the plain end record can count), and on damaged and empty archives,
// lookalike end records in comments and stored entries whose sizes disagree:
// what `list`, `extract` and `test` print and the exit status each gives.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliRun.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

size_t LineCount(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

// The entry count field of the plain end record (at the file's end, no comment).
uint16_t PlainEndRecordCount(const fs::path& archive)
{
    const Bytes bytes = ReadFile(archive);
    return bytes.size() < 22 ? 0 : uint16_t(bytes[bytes.size() - 12] | bytes[bytes.size() - 11] << 8);
}

}  // namespace

// Catches local headers whose sizes sit in a ZIP64 field read as 0xFFFFFFFF
// or as nothing: every entry of a forced-ZIP64 archive must test and extract.
TEST(Zip64Archives, ForcedZip64HeadersFromPythonExtract)
{
    REQUIRE_TOOL("python3");
    TempDir dir;
    WriteFile(dir / "make.py", std::string(R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    for n, method in enumerate([zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED, zipfile.ZIP_DEFLATED]):
        info = zipfile.ZipInfo('entry%d.txt' % n, (2020, 1, 2, 3, 4, 6))
        info.compress_type = method
        with z.open(info, 'w', force_zip64=True) as f:
            f.write(('line %d of a forced ZIP64 entry\n' % n).encode() * (200 * n + 1))
)PY"));
    ASSERT_EQ(RunCommand("python3 " + Quote((dir / "make.py").string()) + " " + Quote((dir / "f.zip").string())).ExitCode, 0);
    const auto test = RunCli("test " + Quote((dir / "f.zip").string()));
    EXPECT_EQ(test.ExitCode, ExitOk) << test.Errors;
    EXPECT_EQ(test.Output, "3 entries tested, 0 failed\n");
    const auto extract = RunCli("extract -d " + Quote((dir / "out").string()) + " " + Quote((dir / "f.zip").string()));
    EXPECT_EQ(extract.ExitCode, ExitOk) << extract.Errors;
    EXPECT_EQ(fs::file_size(dir / "out" / "entry2.txt"), 401u * 31);
}

// Catches a directory of more than 65,535 entries (the plain end record
// saturated, the real count and offset in the ZIP64 end record) listed
// empty or cut short, from both tools that write one. The files sit in one
// folder so that neither tool adds folder entries.
TEST(Zip64Archives, SeventyThousandEntriesFromZipAnd7zz)
{
    constexpr size_t Entries = 70000;
    TempDir dir;
    const fs::path tree = dir / "tree";
    WriteFile(dir / "tree.py", std::string(R"PY(
import os, sys
os.makedirs(sys.argv[1])
for n in range(int(sys.argv[2])):
    open(os.path.join(sys.argv[1], 'f%05d.txt' % n), 'wb').close()
)PY"));
    REQUIRE_TOOL("python3");
    ASSERT_EQ(RunCommand("python3 " + Quote((dir / "tree.py").string()) + " " + Quote(tree.string()) + " " +
                         std::to_string(Entries)).ExitCode, 0);
    std::vector<std::pair<std::string, std::string>> makers;
    if (TOOL_PRESENT("zip"))
        makers.push_back({"zip.zip", "zip -q -r -D ../zip.zip ."});
    if (TOOL_PRESENT("7zz"))
        makers.push_back({"7zz.zip", "7zz a -tzip -bd ../7zz.zip . >/dev/null"});
    if (makers.empty())
        GTEST_SKIP() << "neither zip nor 7zz is installed; case skipped";
    for (const auto& [name, command] : makers) {
        ASSERT_EQ(RunCommand("cd " + Quote(tree.string()) + " && " + command).ExitCode, 0) << command;
        const fs::path archive = dir / name;
        EXPECT_EQ(PlainEndRecordCount(archive), 0xFFFF) << name << " does not need its ZIP64 end record";
        const auto list = RunCli("list " + Quote(archive.string()));
        EXPECT_EQ(list.ExitCode, ExitOk) << name << ": " << list.Errors;
        EXPECT_EQ(LineCount(list.Output), Entries) << name;
        EXPECT_NE(list.Output.find("\tf69999.txt\n"), std::string::npos) << name;
        const auto test = RunCli("test " + Quote(archive.string()));
        EXPECT_EQ(test.ExitCode, ExitOk) << name << ": " << test.Errors.substr(0, 500);
        EXPECT_EQ(test.Output, std::to_string(Entries) + " entries tested, 0 failed\n") << name;
    }
}

// Catches damage reported as success, the entries behind a damaged central
// header lost (the local headers still give them), `extract` giving up on
// the entries it could read, and an empty archive taken for "not a ZIP archive".
TEST(Zip64Archives, DamagedDirectoryWarnsAndEmptyArchiveSucceeds)
{
    TempDir dir;
    CraftedZip zip;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        zip.Add(StoredEntry(name, Bytes{'x', 'y'}));
    Bytes bytes = zip.Build();
    const size_t thirdCentral = bytes.size() - 22 - (46 + 5);
    ASSERT_EQ(bytes[thirdCentral + 2], 1);
    bytes[thirdCentral + 2] = 9;  // "PK" 09 02: no central header
    WriteFile(dir / "damaged.zip", bytes);
    const std::string damaged = Quote((dir / "damaged.zip").string());
    const std::string warning = "the archive is damaged; 3 entries were read from the local headers";

    const auto list = RunCli("list " + damaged);
    EXPECT_EQ(list.ExitCode, ExitCannotOpen);
    EXPECT_EQ(LineCount(list.Output), 3u);
    EXPECT_NE(list.Errors.find(warning), std::string::npos) << list.Errors;

    const auto extract = RunCli("extract -d " + Quote((dir / "out").string()) + " " + damaged);
    EXPECT_EQ(extract.ExitCode, ExitCannotOpen);
    EXPECT_NE(extract.Errors.find(warning), std::string::npos) << extract.Errors;
    EXPECT_TRUE(fs::exists(dir / "out" / "a.txt") && fs::exists(dir / "out" / "c.txt"));

    const auto test = RunCli("test " + damaged);
    EXPECT_EQ(test.ExitCode, ExitCannotOpen);
    EXPECT_EQ(test.Output, "3 entries tested, 1 failed\n");
    EXPECT_NE(test.Errors.find(warning), std::string::npos) << test.Errors;

    CraftedZip empty;
    WriteFile(dir / "empty.zip", empty.Build());
    for (const char* command : {"list ", "test "}) {
        const auto run = RunCli(command + Quote((dir / "empty.zip").string()));
        EXPECT_EQ(run.ExitCode, ExitOk) << command;
        EXPECT_TRUE(run.Errors.empty()) << command << run.Errors;
    }
    EXPECT_TRUE(RunCli("list " + Quote((dir / "empty.zip").string())).Output.empty());
}

// Catches a lookalike end record (or a ZIP64 locator and one) in the archive
// comment making the front end call the archive damaged: every command must
// see both entries and succeed.
TEST(Zip64Archives, EndRecordLookalikeInTheCommentIsNoDamage)
{
    TempDir dir;
    Bytes locatorAndEnd = LookalikeLocator(0);
    const Bytes saturatedEnd = LookalikeEndRecord(0, true);
    locatorAndEnd.insert(locatorAndEnd.end(), saturatedEnd.begin(), saturatedEnd.end());
    for (const Bytes& lookalike : {LookalikeEndRecord(0), locatorAndEnd}) {
        CraftedZip zip;
        zip.Add(StoredEntry("a.txt", Bytes{'a'}));
        zip.Add(StoredEntry("b.txt", Bytes{'b'}));
        zip.SetArchiveComment("see " + std::string(lookalike.begin(), lookalike.end()));
        WriteFile(dir / "c.zip", zip.Build());
        const std::string archive = Quote((dir / "c.zip").string());
        const auto list = RunCli("list " + archive);
        EXPECT_EQ(list.ExitCode, ExitOk) << list.Errors;
        EXPECT_EQ(LineCount(list.Output), 2u);
        const auto test = RunCli("test " + archive);
        EXPECT_EQ(test.ExitCode, ExitOk) << test.Errors;
        EXPECT_EQ(test.Output, "2 entries tested, 0 failed\n");
        fs::remove_all(dir / "out");
        EXPECT_EQ(RunCli("extract -d " + Quote((dir / "out").string()) + " " + archive).ExitCode, ExitOk);
        EXPECT_TRUE(fs::exists(dir / "out" / "a.txt") && fs::exists(dir / "out" / "b.txt"));
    }
}

// Catches a directory size that disagrees with the records read passing as a
// sound archive: every entry is listed and extracted, but `list` and
// `extract` exit with the damage status and `test` counts one failure.
TEST(Zip64Archives, DirectorySizeThatDisagreesIsDamage)
{
    TempDir dir;
    for (const int64_t skew : {-46, -1, 1, 46}) {
        CraftedZip zip;
        for (const char* name : {"a.txt", "b.txt"})
            zip.Add(StoredEntry(name, Bytes{'x'}));
        zip.SetDirectorySizeSkew(skew);
        WriteFile(dir / "s.zip", zip.Build());
        const std::string archive = Quote((dir / "s.zip").string());
        const std::string warning = "the central directory is damaged; 2 entries could be read";
        const auto list = RunCli("list " + archive);
        EXPECT_EQ(list.ExitCode, ExitCannotOpen) << skew;
        EXPECT_EQ(LineCount(list.Output), 2u) << skew;
        EXPECT_NE(list.Errors.find(warning), std::string::npos) << skew << ": " << list.Errors;
        fs::remove_all(dir / "out");
        EXPECT_EQ(RunCli("extract -d " + Quote((dir / "out").string()) + " " + archive).ExitCode, ExitCannotOpen)
            << skew;
        EXPECT_TRUE(fs::exists(dir / "out" / "a.txt") && fs::exists(dir / "out" / "b.txt")) << skew;
        const auto test = RunCli("test " + archive);
        EXPECT_EQ(test.ExitCode, ExitCannotOpen) << skew;  // damage is told alike by every command
        EXPECT_EQ(test.Output, "2 entries tested, 1 failed\n") << skew;
    }
}

// Catches a stored entry whose sizes disagree (3/4 and 4/3) passing `test`
// because the bytes copied match their CRC, or `extract` writing it; the
// sound entry beside it still extracts.
TEST(Zip64Archives, StoredEntryWhoseSizesDisagreeFails)
{
    TempDir dir;
    struct Case { std::string data; uint32_t compressed, uncompressed; };
    for (const Case& c : {Case{"abc", 3, 4}, Case{"abcd", 4, 3}}) {
        CraftedZip zip;
        CraftedEntry odd = StoredEntry("odd.txt", Bytes(c.data.begin(), c.data.end()));
        odd.CompressedSize = c.compressed, odd.UncompressedSize = c.uncompressed;
        zip.Add(odd);
        zip.Add(StoredEntry("good.txt", Bytes{'g'}));
        WriteFile(dir / "st.zip", zip.Build());
        const std::string archive = Quote((dir / "st.zip").string());
        const std::string sizes = std::to_string(c.compressed) + "/" + std::to_string(c.uncompressed);
        EXPECT_EQ(RunCli("list " + archive).ExitCode, ExitOk) << sizes;
        const auto test = RunCli("test " + archive);
        EXPECT_EQ(test.ExitCode, ExitEntryFailed) << sizes;
        EXPECT_EQ(test.Output, "2 entries tested, 1 failed\n") << sizes;
        EXPECT_NE(test.Errors.find("odd.txt: damaged data"), std::string::npos) << sizes << ": " << test.Errors;
        fs::remove_all(dir / "out");
        EXPECT_EQ(RunCli("extract -d " + Quote((dir / "out").string()) + " " + archive).ExitCode, ExitEntryFailed)
            << sizes;
        EXPECT_FALSE(fs::exists(dir / "out" / "odd.txt")) << sizes;
        EXPECT_TRUE(fs::exists(dir / "out" / "good.txt")) << sizes;
    }
}
