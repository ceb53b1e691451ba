// Tests of the extraction driver on archives crafted byte by byte (and a few
// written by real tools): result codes, what is left on disk after a
// failure, the temporary-file replacement, folders, file time and
// attributes, data descriptors, the busy guard and abort. Each test names
// the fault it would catch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/archive/ArchiveReader.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipDirectory.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

// Answers AbortProgress once the percentage reaches AbortAt.
class AbortingReceiver : public TProgressReceiver {
public:
    explicit AbortingReceiver(uint16_t abortAt) : AbortAt(abortAt) {}
    void Progress(int16_t, uint16_t& percent) override
    {
        Percents.push_back(percent);
        if (percent >= AbortAt)
            percent = AbortProgress;
    }
    uint16_t AbortAt;
    std::vector<uint16_t> Percents;
};

class ExtractEntryTest : public ::testing::Test {
protected:
    void SetUp() override { FStartDir = fs::current_path(); }
    // Some tests move the current directory on purpose.
    void TearDown() override { fs::current_path(FStartDir); }

    // Writes the archive and extracts its entry `index` to `name` below the scratch folder.
    int Extract(const CraftedZip& zip, size_t index, const std::string& name, uint16_t attributes = 0x20,
                std::optional<uint64_t> compressed = std::nullopt, std::optional<uint64_t> uncompressed = std::nullopt)
    {
        WriteFile(ArchivePath(), zip.Build());
        return Driver.ExtractEntry(ArchivePath(), Target(name), attributes, zip.LocalHeaderOffset(index), nullptr, 0,
                                   compressed, uncompressed);
    }
    std::string ArchivePath() const { return (Dir / "archive.zip").string(); }
    std::string Target(const std::string& name) const { return (Out() / name).string(); }
    fs::path Out() const { return Dir / "out"; }
    // Everything below the output folder, so a test sees leftovers and temporary files.
    std::vector<std::string> OutputTree() const
    {
        std::vector<std::string> names;
        if (fs::exists(Out()))
            for (const auto& item : fs::recursive_directory_iterator(Out()))
                names.push_back(fs::relative(item.path(), Out()).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir Dir;
    TExtractionDriver Driver;

private:
    fs::path FStartDir;
};

CraftedZip OneEntry(const CraftedEntry& entry)
{
    CraftedZip zip;
    zip.Add(entry);
    return zip;
}

const Bytes Content = TextLikeData(5000, 11);

}  // namespace

TEST_F(ExtractEntryTest, StoredEntryExtractsWithContent)
{
    // The stored copy losing or duplicating a block, or the CRC check failing valid data.
    fs::create_directories(Out());
    const Bytes big = RandomData(100000, 2);  // several 32 KB blocks and a partial one
    EXPECT_EQ(Extract(OneEntry(StoredEntry("big.bin", big)), 0, "big.bin"), erOk);
    EXPECT_EQ(ReadFile(Out() / "big.bin"), big);
    EXPECT_EQ(Extract(OneEntry(StoredEntry("empty", {})), 0, "empty"), erOk);
    EXPECT_TRUE(fs::exists(Out() / "empty"));
    EXPECT_EQ(fs::file_size(Out() / "empty"), 0u);
    EXPECT_EQ(OutputTree(), (std::vector<std::string>{"big.bin", "empty"}));  // no temporary file left
}

TEST_F(ExtractEntryTest, FailuresGiveTheirCodeAndLeaveNothingBehind)
{
    // A wrong code for a failure, a half-written file, or a temporary file left after it.
    struct Case {
        const char* What;
        int Expected;
        void (*Change)(CraftedEntry&);
    };
    const Case cases[] = {
        {"wrong local signature", erFormat, [](CraftedEntry& e) { e.LocalSignature = 0x04034B51; }},
        {"method 7", erUnsupported, [](CraftedEntry& e) { e.Method = 7; }},
        {"method 98 (PPMd, known but not decoded)", erUnsupported, [](CraftedEntry& e) { e.Method = 98; }},
        {"method 99 (beyond the mask's width)", erUnsupported, [](CraftedEntry& e) { e.Method = 99; }},
        {"encrypted", erEncrypted, [](CraftedEntry& e) { e.Flags |= 1; }},
        // AES without its extra field hides the real method: nothing can decode it
        // (a well-formed AES entry without a password gives 7, see the encryption tests).
        {"AES (method 99, encrypted, no AES field)", erUnsupported, [](CraftedEntry& e) { e.Method = 99; e.Flags |= 1; }},
        {"wrong CRC", erCrc, [](CraftedEntry& e) { e.Crc32 ^= 0x100; }},
        {"flipped data bit", erCrc, [](CraftedEntry& e) { e.Data[1234] ^= 0x08; }},
    };
    for (const Case& c : cases) {
        CraftedEntry entry = StoredEntry("f.txt", Content);
        c.Change(entry);
        fs::create_directories(Out());
        EXPECT_EQ(Extract(OneEntry(entry), 0, "f.txt"), c.Expected) << c.What;
        EXPECT_EQ(OutputTree(), std::vector<std::string>{}) << c.What;
        EXPECT_FALSE(Driver.State().EngineBusy) << c.What;
    }
}

TEST_F(ExtractEntryTest, UnreadableArchivesGiveReadOrFormatCodes)
{
    // A truncated archive reported as success or as a crash; an offset past the
    // end read as a header; a missing archive not reported.
    fs::create_directories(Out());
    CraftedZip zip = OneEntry(StoredEntry("f.txt", Content));
    Bytes bytes = zip.Build();
    bytes.resize(30 + 5 + 100);  // header, name, 100 of 5000 data bytes
    WriteFile(ArchivePath(), bytes);
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("f.txt"), 0x20, 0), erRead);
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("f.txt"), 0x20, 100000), erFormat);
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("f.txt"), 0x20, 0xFFFFFFF0u), erFormat);
    bytes.resize(29);  // the header itself cut short
    WriteFile(ArchivePath(), bytes);
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("f.txt"), 0x20, 0), erFormat);
    EXPECT_EQ(Driver.ExtractEntry((Dir / "missing.zip").string(), Target("f.txt"), 0x20, 0), erRead);
    EXPECT_EQ(OutputTree(), std::vector<std::string>{});
}

TEST_F(ExtractEntryTest, ExistingTargetIsReplacedOnlyAfterSuccess)
{
    // The old file truncated before the new one is known to be good, or a
    // read-only target that blocks the replacement.
    fs::create_directories(Out());
    const fs::path target = Out() / "f.txt";
    WriteFile(target, std::string("old content"));
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);

    CraftedEntry bad = StoredEntry("f.txt", Content);
    bad.Crc32 ^= 1;
    EXPECT_EQ(Extract(OneEntry(bad), 0, "f.txt"), erCrc);
    EXPECT_EQ(ReadFile(target), Bytes({'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'}));
    EXPECT_EQ(OutputTree(), std::vector<std::string>{"f.txt"});

    EXPECT_EQ(Extract(OneEntry(StoredEntry("f.txt", Content)), 0, "f.txt"), erOk);
    EXPECT_EQ(ReadFile(target), Content);
    EXPECT_EQ(OutputTree(), std::vector<std::string>{"f.txt"});
}

TEST_F(ExtractEntryTest, AttributesMapToWriteBits)
{
    // Read-only ignored, or extracted files left private (mode 0600) by the temporary file.
    fs::create_directories(Out());
    const mode_t mask = umask(022);
    CraftedZip zip = OneEntry(StoredEntry("f.txt", Content));
    EXPECT_EQ(Extract(zip, 0, "ro.txt", 0x21), erOk);  // read-only + archive
    EXPECT_EQ(Extract(zip, 0, "rw.txt", 0x20), erOk);
    EXPECT_EQ(Extract(zip, 0, "hidden.txt", 0x06), erOk);  // hidden + system: no effect
    struct stat ro, rw, hidden;
    ASSERT_EQ(stat((Out() / "ro.txt").c_str(), &ro), 0);
    ASSERT_EQ(stat((Out() / "rw.txt").c_str(), &rw), 0);
    ASSERT_EQ(stat((Out() / "hidden.txt").c_str(), &hidden), 0);
    umask(mask);
    EXPECT_EQ(ro.st_mode & 0777, 0444u);
    EXPECT_EQ(rw.st_mode & 0777, 0644u);
    EXPECT_EQ(hidden.st_mode & 0777, 0644u);
}

TEST_F(ExtractEntryTest, FileTimeIsTheHeaderTimeReadAsLocalTime)
{
    // Time read as UTC, a month or seconds field decoded wrong, or the
    // daylight-saving offset applied in winter.
    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz ? oldTz : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    fs::create_directories(Out());
    CraftedEntry summer = StoredEntry("s.txt", Content);  // 2025-04-15 13:33:02 CEST
    CraftedEntry winter = StoredEntry("w.txt", Content);
    winter.DosDateTime = 0x5A2F6C21;                        // 2025-01-15 13:33:02 CET
    CraftedEntry invalid = StoredEntry("i.txt", Content);
    invalid.DosDateTime = 0x5A406C21;                       // month 2, day 0: no such day
    CraftedZip zip;
    zip.Add(summer);
    zip.Add(winter);
    zip.Add(invalid);
    EXPECT_EQ(Extract(zip, 0, "s.txt"), erOk);
    EXPECT_EQ(Extract(zip, 1, "w.txt"), erOk);
    EXPECT_EQ(Extract(zip, 2, "i.txt"), erOk);  // a bad time is no reason to fail
    struct stat s, w;
    ASSERT_EQ(stat((Out() / "s.txt").c_str(), &s), 0);
    ASSERT_EQ(stat((Out() / "w.txt").c_str(), &w), 0);
    if (oldTz)
        setenv("TZ", savedTz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(s.st_mtim.tv_sec, 1744716782);  // 2025-04-15 11:33:02 UTC
    EXPECT_EQ(w.st_mtim.tv_sec, 1736944382);  // 2025-01-15 12:33:02 UTC
    EXPECT_EQ(s.st_mtim.tv_nsec, 0);
}

TEST_F(ExtractEntryTest, MissingFoldersAreCreatedAlongThePath)
{
    // Folders not created, created in the wrong place, a relative name
    // resolved against a folder the driver moved into, or the current
    // directory moved at all (no second thread could then extract).
    const fs::path before = fs::current_path();
    EXPECT_EQ(Extract(OneEntry(StoredEntry("c.txt", Content)), 0, "a/b/c.txt"), erOk);
    EXPECT_EQ(ReadFile(Out() / "a/b/c.txt"), Content);
    EXPECT_EQ(fs::current_path(), before);

    fs::current_path(Out());
    const std::string relative = "x/y/z.txt";
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), relative, 0x20, 0), erOk);
    EXPECT_EQ(ReadFile(Out() / "x/y/z.txt"), Content);
    EXPECT_FALSE(fs::exists(Out() / "x/y/x"));
}

TEST_F(ExtractEntryTest, FolderEntriesCreateFoldersOrReportFailure)
{
    // A folder entry written as a file, the 0x10 attribute ignored, or a
    // folder that could not be created reported as success.
    CraftedEntry folder = StoredEntry("d/", {});
    EXPECT_EQ(Extract(OneEntry(folder), 0, "d/e/"), erOk);
    EXPECT_TRUE(fs::is_directory(Out() / "d/e"));
    EXPECT_EQ(Extract(OneEntry(folder), 0, "g", 0x10), erOk);
    EXPECT_TRUE(fs::is_directory(Out() / "g"));
    EXPECT_EQ(Extract(OneEntry(folder), 0, "d/e/"), erOk);  // already there

    WriteFile(Out() / "blocker", std::string("a file"));
    EXPECT_EQ(Extract(OneEntry(folder), 0, "blocker/sub/"), erOutput);
    EXPECT_EQ(Extract(OneEntry(StoredEntry("f", Content)), 0, "blocker/sub/f.txt"), erOutput);
    EXPECT_EQ(OutputTree(), (std::vector<std::string>{"blocker", "d", "d/e", "g"}));
}

TEST_F(ExtractEntryTest, OverlongOutputNameIsRefused)
{
    // A path past the platform's limit overrunning a buffer or written
    // anyway, or one within it refused for the entry names' 259-byte limit.
    fs::create_directories(Out());
    const size_t limit = TExtractionDriver::MaxOutputName;
    std::string name = Target("");
    while (name.size() < limit) {
        const size_t room = limit - name.size();
        name += std::string(std::min<size_t>(room, 100), 'n');
        if (name.size() < limit - 1)
            name += '/';
    }
    ASSERT_EQ(name.size(), limit);
    CraftedZip zip = OneEntry(StoredEntry("f", Content));
    WriteFile(ArchivePath(), zip.Build());
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), name, 0x20, 0), erOk);
    EXPECT_EQ(ReadFile(name), Content);
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), name + "x", 0x20, 0), erOutput);
    std::error_code error;
    EXPECT_FALSE(fs::exists(name + "x", error));
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), "", 0x20, 0), erOutput);
}

TEST_F(ExtractEntryTest, OutputErrorKeepsTheSystemCause)
{
    // A failed output step that loses its errno (the user could not tell a
    // name too long from a file in the way or missing rights), or a cause
    // left over from an earlier entry after a success.
    fs::create_directories(Out());
    WriteFile(Out() / "blocker", std::string("a file"));
    const CraftedZip zip = OneEntry(StoredEntry("f", Content));
    const std::string longPart(300, 'n');
    struct Case {
        std::string Name;
        std::vector<int> Causes;
    };
    std::vector<Case> cases = {
        {longPart + ".txt", {ENAMETOOLONG}},
        {longPart + "/f.txt", {ENAMETOOLONG}},
        {"blocker/sub/f.txt", {ENOTDIR, EEXIST}},
    };
    if (geteuid() != 0) {  // root writes anywhere
        fs::create_directories(Out() / "locked");
        fs::permissions(Out() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        cases.push_back({"locked/f.txt", {EACCES}});
    }
    for (const Case& c : cases) {
        EXPECT_EQ(Extract(zip, 0, c.Name), erOutput) << c.Name;
        EXPECT_NE(std::find(c.Causes.begin(), c.Causes.end(), Driver.OutputError()), c.Causes.end())
            << c.Name << ": " << Driver.OutputError();
        EXPECT_EQ(Extract(zip, 0, "ok.txt"), erOk);
        EXPECT_EQ(Driver.OutputError(), 0);
    }
    std::error_code error;
    fs::permissions(Out() / "locked", fs::perms::owner_all, error);
}

TEST_F(ExtractEntryTest, StoredDataDescriptorWithAndWithoutSignature)
{
    // A descriptor without "PK" 07 08 reported as a CRC error, the central
    // size ignored so a stored bit-3 entry copies nothing, or a descriptor cut
    // off by the end of the archive read as garbage.
    fs::create_directories(Out());
    for (const bool signature : {true, false}) {
        CraftedEntry entry = StoredEntry("f.txt", Content);
        entry.Flags = 0x08;
        entry.DataDescriptor = true;
        entry.DescriptorSignature = signature;
        entry.LocalCrc32 = entry.LocalCompressedSize = entry.LocalUncompressedSize = 0;
        CraftedZip zip;
        zip.Add(entry);
        zip.Add(StoredEntry("next.txt", Content));  // its header follows the descriptor
        const uint32_t size = uint32_t(Content.size());
        EXPECT_EQ(Extract(zip, 0, "f.txt", 0x20, size, size), erOk) << signature;
        EXPECT_EQ(ReadFile(Out() / "f.txt"), Content);
        // Without central sizes the stored copy has nothing to copy.
        EXPECT_EQ(Extract(zip, 0, "g.txt", 0x20), erCrc) << signature;

        entry.Crc32 ^= 4;  // the descriptor's CRC, not the header's, is checked
        EXPECT_EQ(Extract(OneEntry(entry), 0, "h.txt", 0x20, size, size), erCrc) << signature;
    }
    CraftedEntry cut = StoredEntry("f.txt", Content);
    cut.Flags = 0x08;
    cut.LocalCompressedSize = 0;
    Bytes bytes = OneEntry(cut).Build();
    bytes.resize(30 + 5 + Content.size() + 2);  // two bytes of descriptor, then the end
    WriteFile(ArchivePath(), bytes);
    const uint32_t size = uint32_t(Content.size());
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("c.txt"), 0x20, 0, nullptr, 0, size, size), erRead);
    EXPECT_EQ(OutputTree(), (std::vector<std::string>{"f.txt"}));
}

TEST_F(ExtractEntryTest, NestedCallWhileBusyIsRefused)
{
    // A second extraction started from a handler during the pump clobbering
    // the running one, or the busy mark left set after a return.
    fs::create_directories(Out());
    CraftedZip zip = OneEntry(StoredEntry("f.txt", Content));
    std::vector<int> nested;
    Driver.State().PumpHook = [&] {
        nested.push_back(Driver.ExtractEntry(ArchivePath(), Target("nested.txt"), 0x20, 0));
    };
    EXPECT_EQ(Extract(zip, 0, "f.txt"), erOk);
    ASSERT_FALSE(nested.empty());
    EXPECT_EQ(nested, std::vector<int>(nested.size(), erBusy));
    EXPECT_EQ(ReadFile(Out() / "f.txt"), Content);
    EXPECT_FALSE(fs::exists(Out() / "nested.txt"));
    EXPECT_FALSE(Driver.State().EngineBusy);
}

TEST_F(ExtractEntryTest, NestedCallAfterThirtySecondsIsStillRefused)
{
    // A handler that held a dialog open for more than 30 s inside the pump
    // taking the state away from the interrupted extraction (which then
    // crashed on a released window).
    fs::create_directories(Out());
    CraftedZip zip = OneEntry(StoredEntry("f.bin", RandomData(100000, 8)));
    uint32_t now = 1000;
    Driver.State().TickCount = [&] { return now; };
    std::vector<int> nested;
    Driver.State().PumpHook = [&] {
        now += 31000;
        nested.push_back(Driver.ExtractEntry(ArchivePath(), Target("nested.bin"), 0x20, 0));
    };
    EXPECT_EQ(Extract(zip, 0, "f.bin"), erOk);
    EXPECT_EQ(nested, std::vector<int>(nested.size(), erBusy));
    EXPECT_GT(nested.size(), 1u);
    EXPECT_FALSE(fs::exists(Out() / "nested.bin"));
}

TEST_F(ExtractEntryTest, StaleBusyMarkIsIgnoredAfterThirtySeconds)
{
    // The stale rule never firing (engine locked for good) or firing early.
    fs::create_directories(Out());
    CraftedZip zip = OneEntry(StoredEntry("f.txt", Content));
    uint32_t now = 20000;
    Driver.State().TickCount = [&] { return now; };
    Driver.State().EngineBusy = true;
    Driver.State().LastPumpTick = 1000;
    EXPECT_EQ(Extract(zip, 0, "f.txt"), erBusy);  // 19 s: still busy
    now = 31001;
    EXPECT_EQ(Extract(zip, 0, "f.txt"), erOk);  // 30.001 s: stale
    Driver.State().EngineBusy = true;
    Driver.State().LastPumpTick = 0;  // never pumped: never stale
    EXPECT_EQ(Extract(zip, 0, "g.txt"), erBusy);
}

TEST_F(ExtractEntryTest, AbortThroughProgressReceiver)
{
    // The receiver's abort ignored in the copy loop or in the final 100 %
    // message, or the aborted file kept.
    fs::create_directories(Out());
    const Bytes big = RandomData(200000, 5);
    CraftedZip zip = OneEntry(StoredEntry("f.bin", big));
    WriteFile(ArchivePath(), zip.Build());

    AbortingReceiver midway(50);
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("f.bin"), 0x20, 0, &midway, 7), erAborted);
    ASSERT_FALSE(midway.Percents.empty());
    EXPECT_EQ(midway.Percents.front(), 0);
    EXPECT_LT(midway.Percents.back(), 100);

    AbortingReceiver atEnd(100);
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("f.bin"), 0x20, 0, &atEnd, 7), erAborted);
    EXPECT_EQ(atEnd.Percents.back(), 100);
    EXPECT_EQ(OutputTree(), std::vector<std::string>{});

    AbortingReceiver never(0xFFFF);
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("f.bin"), 0x20, 0, &never, 7), erOk);
    EXPECT_LE(never.Percents.size(), 102u);  // at most one message per whole percent
}

TEST_F(ExtractEntryTest, TestEntryChecksWithoutWriting)
{
    // The test mode writing files, or missing a CRC mismatch.
    fs::create_directories(Out());
    CraftedEntry bad = StoredEntry("bad", Content);
    bad.Crc32 ^= 1;
    CraftedZip zip;
    zip.Add(StoredEntry("good", Content));
    zip.Add(bad);
    WriteFile(ArchivePath(), zip.Build());
    EXPECT_EQ(Driver.TestEntry(ArchivePath(), zip.LocalHeaderOffset(0)), erOk);
    EXPECT_EQ(Driver.TestEntry(ArchivePath(), zip.LocalHeaderOffset(1)), erCrc);
    EXPECT_EQ(OutputTree(), std::vector<std::string>{});
}

TEST_F(ExtractEntryTest, StoredEntryWhoseSizesDisagreeIsRefused)
{
    // A stored entry whose sizes disagree (in the local header or in the
    // directory) passing because the bytes copied match their CRC, a file
    // written for it, and an encrypted entry (whose compressed size holds its
    // encryption header) refused as a format error instead of as encrypted.
    struct Case {
        const char* What;
        std::string Data;  // the CRC is always that of these bytes
        uint32_t LocalCompressed, LocalUncompressed, CentralCompressed, CentralUncompressed;
        uint16_t Flags;
        int Expected;
    };
    const Case cases[] = {
        {"sizes 4/3 everywhere", "abcd", 4, 3, 4, 3, 0, erFormat},
        {"sizes 3/4 everywhere", "abc", 3, 4, 3, 4, 0, erFormat},
        {"directory 4/3, header 3/3", "abc", 3, 3, 4, 3, 0, erFormat},
        {"directory 3/3, header 3/4", "abc", 3, 4, 3, 3, 0, erFormat},
        {"sizes 3/3", "abc", 3, 3, 3, 3, 0, erOk},
        {"encrypted, 15/3", std::string(15, 'e'), 15, 3, 15, 3, 1, erEncrypted},
    };
    fs::create_directories(Out());
    for (const Case& c : cases) {
        CraftedEntry entry = StoredEntry("f.txt", Bytes(c.Data.begin(), c.Data.end()));
        entry.Flags = c.Flags;
        entry.LocalCompressedSize = c.LocalCompressed, entry.LocalUncompressedSize = c.LocalUncompressed;
        entry.CompressedSize = c.CentralCompressed, entry.UncompressedSize = c.CentralUncompressed;
        EXPECT_EQ(Extract(OneEntry(entry), 0, "f.txt", 0x20, c.CentralCompressed, c.CentralUncompressed), c.Expected)
            << c.What;
        EXPECT_EQ(Driver.TestEntry(ArchivePath(), 0, nullptr, 0, c.CentralCompressed, c.CentralUncompressed), c.Expected)
            << c.What << ", tested";
        EXPECT_EQ(OutputTree(), c.Expected == erOk ? std::vector<std::string>{"f.txt"} : std::vector<std::string>{})
            << c.What;
        fs::remove(Out() / "f.txt");
    }
}

TEST_F(ExtractEntryTest, RealToolArchivesWithRefusedMethodsOrEncryption)
{
    // Encryption or a method we do not decode (PPMd) decoded as something
    // else, or a file created for it.
    REQUIRE_TOOL("zip");
    fs::create_directories(Out());
    WriteFile(Dir / "data.txt", TextLikeData(20000, 4));
    struct Case {
        std::string Command;
        int Expected;
    };
    std::vector<Case> cases = {
        {"zip -q -P secret " + Quote(ArchivePath()) + " data.txt", erEncrypted},
    };
    if (TOOL_PRESENT("7zz")) {
        cases.push_back({"7zz a -tzip -mm=PPMd -bso0 " + Quote(ArchivePath()) + " data.txt", erUnsupported});
        cases.push_back({"7zz a -tzip -psecret -mem=AES256 -bso0 " + Quote(ArchivePath()) + " data.txt", erEncrypted});
    }
    for (const Case& c : cases) {
        fs::remove(ArchivePath());
        ASSERT_EQ(RunCommand("cd " + Quote(Dir.Path().string()) + " && " + c.Command).ExitCode, 0) << c.Command;
        std::vector<TZipEntry> entries;
        ListZipEntries(ArchivePath(), entries);
        ASSERT_EQ(entries.size(), 1u) << c.Command;
        EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("data.txt"), 0x20, entries[0].LocalHeaderOffset),
                  c.Expected)
            << c.Command;
        EXPECT_EQ(OutputTree(), std::vector<std::string>{}) << c.Command;
    }
}

TEST_F(ExtractEntryTest, DeflatedDescriptorEntryWithoutAnySizes)
{
    // A deflated bit-3 entry with no sizes anywhere (the caller passes none)
    // ending early, a missing descriptor signature misread, or the 0xFFFFFFFF
    // marks of a streaming writer ending the input at once.
    fs::create_directories(Out());
    const Bytes payload(Content.begin(), Content.begin() + 1000);
    Bytes deflated = {0x01, 0xE8, 0x03, 0x17, 0xFC};  // final stored block, LEN 1000, NLEN
    deflated.insert(deflated.end(), payload.begin(), payload.end());
    for (const bool signature : {true, false})
        for (const uint32_t localSize : {0u, 0xFFFFFFFFu}) {
            CraftedEntry entry = StoredEntry("d.txt", payload);
            entry.Method = 8;
            entry.Data = deflated;
            entry.CompressedSize = uint32_t(deflated.size());
            entry.Flags = 0x08;
            entry.DataDescriptor = true;
            entry.DescriptorSignature = signature;
            entry.LocalCrc32 = 0;
            entry.LocalCompressedSize = entry.LocalUncompressedSize = localSize;
            CraftedZip zip = OneEntry(entry);
            EXPECT_EQ(Extract(zip, 0, "d.txt"), erOk) << signature << " " << localSize;
            EXPECT_EQ(ReadFile(Out() / "d.txt"), payload);
        }
}

TEST_F(ExtractEntryTest, ArchiveKeptOpenIsReadAnewWhenItsFileChanges)
{
    // The archive kept open between entries: bytes of an archive rewritten in
    // place or replaced under the same name taken from the old copy, or an
    // archive removed since still extracting.
    fs::create_directories(Out());
    const Bytes first = TextLikeData(3000, 1), second = TextLikeData(3000, 2), third = TextLikeData(3000, 3);
    EXPECT_EQ(Extract(OneEntry(StoredEntry("f", first)), 0, "1"), erOk);
    EXPECT_EQ(Extract(OneEntry(StoredEntry("f", second)), 0, "2"), erOk);  // same size, rewritten in place
    WriteFile(Dir / "new.zip", OneEntry(StoredEntry("f", third)).Build());
    fs::rename(Dir / "new.zip", ArchivePath());
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("3"), 0x20, 0), erOk);
    EXPECT_EQ(ReadFile(Out() / "1"), first);
    EXPECT_EQ(ReadFile(Out() / "2"), second);
    EXPECT_EQ(ReadFile(Out() / "3"), third);
    fs::remove(ArchivePath());
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("4"), 0x20, 0), erRead);

    // An archive handed over in memory is read from there, under its name only.
    const Bytes held = OneEntry(StoredEntry("f", first)).Build();
    Driver.UseArchive("held.zip", std::make_unique<TMemoryArchiveReader>(held.data(), held.size()));
    EXPECT_EQ(Driver.ExtractEntry("held.zip", Target("5"), 0x20, 0), erOk);
    EXPECT_EQ(ReadFile(Out() / "5"), first);
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), Target("6"), 0x20, 0), erRead);
}

// Catches the local header's ZIP64 field misread: values taken for the wrong
// size (each is there only when its 32-bit field is saturated, uncompressed
// first), a field too short for a saturated size taken as zero instead of a
// damaged entry, and sizes that no file can have handed to a decoder.
TEST_F(ExtractEntryTest, LocalZip64SizesAreTakenAsTheFormatPlacesThem)
{
    const uint32_t size = uint32_t(Content.size());
    struct Case {
        const char* What;
        std::optional<uint32_t> LocalCompressed, LocalUncompressed;
        Bytes Extra;
        int Expected;
    };
    const Case cases[] = {
        {"both sizes in the field", 0xFFFFFFFFu, 0xFFFFFFFFu, Zip64Extra({size, size}), erOk},
        {"only the compressed size saturated", 0xFFFFFFFFu, size, Zip64Extra({size}), erOk},
        {"field after another field", 0xFFFFFFFFu, 0xFFFFFFFFu,
         [] { Bytes e = {0x55, 0x54, 1, 0, 7}; const Bytes z = Zip64Extra({5000, 5000}); e.insert(e.end(), z.begin(), z.end()); return e; }(),
         erOk},
        {"field too short for both sizes", 0xFFFFFFFFu, 0xFFFFFFFFu, Zip64Extra({size}), erFormat},
        {"compressed size no file can have", 0xFFFFFFFFu, 0xFFFFFFFFu, Zip64Extra({size, 1ull << 62}), erFormat},
    };
    for (const Case& c : cases) {
        CraftedEntry entry = StoredEntry("f.txt", Content);
        entry.LocalCompressedSize = c.LocalCompressed, entry.LocalUncompressedSize = c.LocalUncompressed;
        entry.Extra = c.Extra;
        fs::create_directories(Out());
        // No directory sizes: the local header alone must say how much to copy.
        EXPECT_EQ(Extract(OneEntry(entry), 0, "f.txt"), c.Expected) << c.What;
        if (c.Expected == erOk) {
            EXPECT_EQ(ReadFile(Out() / "f.txt"), Content) << c.What;
        }
        fs::remove_all(Out());
    }
}

TEST_F(ExtractEntryTest, RelativeNameWithoutANameableCurrentFolderIsRefused)
{
    // A relative output name resolved against a current folder that has no
    // name any more (it was removed): the file written below '/'.
    WriteFile(ArchivePath(), OneEntry(StoredEntry("f", Content)).Build());
    fs::create_directories(Dir / "gone");
    fs::current_path(Dir / "gone");
    fs::remove(Dir / "gone");
    const std::string name = "valbrix-relative-" + std::to_string(::getpid()) + ".txt";
    EXPECT_EQ(Driver.ExtractEntry(ArchivePath(), name, 0x20, 0), erOutput);
    EXPECT_FALSE(fs::exists("/" + name));
}

TEST_F(ExtractEntryTest, ProcessKilledMidEntryLeavesNothingBehind)
{
    // A process killed while it writes an entry leaving a partial file under
    // a temporary name (or the target's) in the target folder.
    fs::create_directories(Out());
    const Bytes big = RandomData(400000, 3);
    WriteFile(ArchivePath(), OneEntry(StoredEntry("big.bin", big)).Build());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct TKiller : TProgressReceiver {
            void Progress(int16_t, uint16_t& percent) override
            {
                if (percent >= 50 && percent < 100)
                    ::_exit(42);  // as abrupt as a kill: no destructor runs
            }
        } killer;
        Driver.ExtractEntry(ArchivePath(), Target("big.bin"), 0x20, 0, &killer);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 42) << "the entry ended before half of it was reported";
    EXPECT_EQ(OutputTree(), std::vector<std::string>{});
}
