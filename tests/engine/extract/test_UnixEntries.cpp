// Entries as Unix hosts store them, extracted through the job as both front
// ends run it: permission bits (less the umask, never set-id or sticky),
// symbolic links judged by the containment rule, no entry written through
// a link, exact times from the extra fields, and MS-DOS archives as before.
// Each row names the fault it would catch.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <sys/stat.h>

#include "engine/ResultCodes.h"
#include "engine/archive/ExtraFields.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractJob.h"
#include "engine/extract/TargetPath.h"
#include "platform/FileServices.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t RegularFile = 0100000;
constexpr uint32_t Folder = 0040000;
constexpr uint32_t Link = 0120000;

CraftedEntry UnixEntry(const std::string& name, const std::string& data, uint32_t mode)
{
    CraftedEntry entry = StoredEntry(name, Bytes(data.begin(), data.end()));
    entry.HostSystem = 3;
    entry.ExternalAttributes = mode << 16;
    return entry;
}

Bytes UnixTimeExtra(uint32_t seconds)
{
    Bytes extra;
    PutLe16(extra, 0x5455);
    PutLe16(extra, 5);
    extra.push_back(1);  // modification time present
    PutLe32(extra, seconds);
    return extra;
}

Bytes NtfsTimeExtra(uint64_t ticks)
{
    Bytes extra;
    PutLe16(extra, 0x000A);
    PutLe16(extra, 32);
    PutLe32(extra, 0);
    PutLe16(extra, 1);
    PutLe16(extra, 24);
    for (int i = 0; i < 3; ++i)
        PutLe64(extra, ticks);
    return extra;
}

struct Outcomes : TExtractReceiver {
    TReplaceAnswer AskReplace(const TZipEntry&, const std::string&, const TExistingNode&) override
    {
        return raReplace;
    }
    bool Progress(uint64_t, uint64_t) override { return true; }
    void EntryDone(const TEntryOutcome& outcome) override
    {
        Results[outcome.Entry.FileName] = outcome.Result;
        Errors[outcome.Entry.FileName] = outcome.OutputError;
    }
    std::map<std::string, int> Results;
    std::map<std::string, int> Errors;
};

Outcomes ExtractAll(const fs::path& archive, const fs::path& target, unsigned workers = 1)
{
    TZipArchive zip;
    EXPECT_EQ(zip.Open(archive.string()), akArchive);
    Outcomes outcomes;
    TJobOptions options;
    options.Workers = workers;
    TExtractJob job(zip, options, outcomes);
    EXPECT_EQ(job.OpenTarget(target.string()), 0);
    TArchiveSelection selection(zip);
    job.Run(selection);
    return outcomes;
}

// Writes the entries as `name` in `dir` with an empty "out" folder beside it.
fs::path WriteArchive(const TempDir& dir, const std::string& name, const std::vector<CraftedEntry>& entries)
{
    CraftedZip zip;
    for (const CraftedEntry& entry : entries)
        zip.Add(entry);
    WriteFile(dir / name, zip.Build());
    fs::create_directories(dir / "out");
    return dir / name;
}

uint32_t ModeOf(const fs::path& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0xFFFFFFFF;
}

timespec ModifiedOf(const fs::path& path)
{
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mtim;
}

std::string LinkOf(const fs::path& path)
{
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(path)) ? fs::read_symlink(path, error).string() : std::string();
}

uint32_t Umask()
{
    return platform::ReadUmask();
}

// Puts TZ for the scope, so MS-DOS times (local) shift while exact ones do not.
class TimeZone {
public:
    explicit TimeZone(const char* zone)
    {
        const char* old = std::getenv("TZ");
        FOld = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone()
    {
        if (FOld)
            ::setenv("TZ", FOld->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> FOld;
};

}  // namespace

// Catches: modes dropped (a script comes out 644), modes widened (640 comes
// out 644), the umask ignored, set-id or sticky bits applied, a device or
// pipe type made (or the entry failed) instead of a plain file, and an
// MS-DOS entry whose high attribute bits look like a mode taken as one.
TEST(UnixEntries, FileModes)
{
    const uint32_t umask = Umask();
    struct Row {
        const char* Fault;
        CraftedEntry Entry;
        uint32_t Mode;
    };
    CraftedEntry dosReadOnly = StoredEntry("dos-ro.txt", Bytes{'x'});
    dosReadOnly.ExternalAttributes = (RegularFile | 0777) << 16 | 0x01;  // host 0: the high bits mean nothing
    CraftedEntry unixNoMode = UnixEntry("no-mode.txt", "x", 0);
    const Row rows[] = {
        {"script stored 755 comes out 644", UnixEntry("run.sh", "#!/bin/sh\n", RegularFile | 0755), 0755 & ~umask},
        {"640 widened to the umask's 644", UnixEntry("group.txt", "g", RegularFile | 0640), 0640 & ~umask},
        {"600 private file readable by others", UnixEntry("private.txt", "p", RegularFile | 0600), 0600},
        {"777 written as writable by all", UnixEntry("all.txt", "a", RegularFile | 0777), 0777 & ~umask},
        {"set-user-ID and sticky applied", UnixEntry("setuid", "s", RegularFile | 07755), 0755 & ~umask},
        {"a pipe's type made", UnixEntry("fifo", "f", 0010644), 0644 & ~umask},
        {"a Unix entry without a mode loses the umask's rule", unixNoMode, (0666 & ~umask) | S_IWUSR},
        {"MS-DOS read-only taken from the high bits", dosReadOnly, 0444 & ~umask},
    };
    TempDir dir;
    std::vector<CraftedEntry> entries;
    for (const Row& row : rows)
        entries.push_back(row.Entry);
    const Outcomes outcomes = ExtractAll(WriteArchive(dir, "modes.zip", entries), dir / "out");
    for (const Row& row : rows) {
        EXPECT_EQ(outcomes.Results.at(row.Entry.Name), erOk) << row.Fault;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "out" / row.Entry.Name))) << row.Fault;
        EXPECT_EQ(ModeOf(dir / "out" / row.Entry.Name), row.Mode) << row.Fault;
    }
}

// Catches a folder's stored mode applied before its files are written (a
// read-only folder would refuse them, unless run as root) or not at all.
TEST(UnixEntries, FolderModeComesAfterItsContents)
{
    TempDir dir;
    const fs::path archive = WriteArchive(dir, "folders.zip",
                                          {UnixEntry("ro/", "", Folder | 0555), UnixEntry("ro/inner/", "", Folder | 0500),
                                           UnixEntry("ro/inner/f.txt", "inside", RegularFile | 0644),
                                           UnixEntry("ro/g.txt", "beside", RegularFile | 0644)});
    for (unsigned workers : {1u, 2u}) {
        SCOPED_TRACE(workers);
        fs::remove_all(dir / "out" / "ro");
        const Outcomes outcomes = ExtractAll(archive, dir / "out", workers);
        EXPECT_EQ(outcomes.Results.at("ro/inner/f.txt"), erOk);
        EXPECT_EQ(outcomes.Results.at("ro/g.txt"), erOk);
        EXPECT_EQ(ModeOf(dir / "out/ro"), 0555u & ~Umask());
        EXPECT_EQ(ModeOf(dir / "out/ro/inner"), 0500u);
        fs::permissions(dir / "out/ro", fs::perms::owner_all, fs::perm_options::add);
        fs::permissions(dir / "out/ro/inner", fs::perms::owner_all, fs::perm_options::add);
    }
}

// Each row catches one way a link could reach outside the target or be
// written through: its target judged, and what the run leaves behind.
TEST(UnixEntries, Links)
{
    struct Row {
        const char* Fault;
        std::vector<CraftedEntry> Entries;
        std::map<std::string, int> Results;
        std::map<std::string, std::string> Links;  // name -> target that must stand ("": nothing at all)
    };
    const Row rows[] = {
        {"a link comes out as a text file holding its target",
         {UnixEntry("sub/t.txt", "t", RegularFile | 0644), UnixEntry("link.txt", "sub/t.txt", Link | 0777)},
         {{"link.txt", erOk}},
         {{"link.txt", "sub/t.txt"}}},
        {"'../' that stays inside refused",
         {UnixEntry("t.txt", "t", RegularFile | 0644), UnixEntry("sub/up.txt", "../t.txt", Link | 0777)},
         {{"sub/up.txt", erOk}},
         {{"sub/up.txt", "../t.txt"}}},
        {"an absolute target made", {UnixEntry("abs", "/etc/passwd", Link | 0777)}, {{"abs", erLinkOutside}},
         {{"abs", ""}}},
        {"a target climbing out made, or its folder left behind", {UnixEntry("sub/out", "../../x", Link | 0777)},
         {{"sub/out", erLinkOutside}},
         {{"sub", ""}}},
        {"'..' behind a component that may be a link trusted",
         {UnixEntry("dot", ".", Link | 0777), UnixEntry("sneak", "dot/../x", Link | 0777)},
         {{"dot", erOk}, {"sneak", erLinkOutside}},
         {{"dot", "."}, {"sneak", ""}}},
        {"a file written through a link made earlier in the run",
         {UnixEntry("real/", "", Folder | 0755), UnixEntry("via", "real", Link | 0777),
          UnixEntry("via/f.txt", "through", RegularFile | 0644), UnixEntry("via/deep/g.txt", "x", RegularFile | 0644)},
         {{"via", erOk}, {"via/f.txt", erOutput}, {"via/deep/g.txt", erOutput}},
         {{"via", "real"}, {"real/f.txt", ""}, {"real/deep", ""}}},
        {"an empty link target made", {UnixEntry("empty", "", Link | 0777)}, {{"empty", erLinkInvalid}},
         {{"empty", ""}}},
        {"a target with a zero byte cut short",
         {UnixEntry("nul", std::string("a\0b", 3), Link | 0777)},
         {{"nul", erLinkInvalid}},
         {{"nul", ""}}},
        {"a target over 4 KB gathered", {UnixEntry("long", std::string(5000, 'a'), Link | 0777)},
         {{"long", erLinkInvalid}},
         {{"long", ""}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Fault);
        TempDir dir;
        const Outcomes outcomes = ExtractAll(WriteArchive(dir, "links.zip", row.Entries), dir / "out", 2);
        for (const auto& [name, result] : row.Results)
            EXPECT_EQ(outcomes.Results.at(name), result) << name;
        for (const auto& [name, target] : row.Links) {
            if (target.empty())
                EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "out" / name))) << name;
            else
                EXPECT_EQ(LinkOf(dir / "out" / name), target) << name;
        }
    }
}

// Catches a path through a link found by the run (not made by it) followed,
// and a link replacing an existing link writing to what the old one pointed at.
TEST(UnixEntries, LinksThatStoodBefore)
{
    TempDir dir;
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "out" / "away");
    WriteFile(dir / "out" / "old.txt", std::string("old"));
    fs::create_symlink("old.txt", dir / "out" / "l");
    const fs::path archive =
        WriteArchive(dir, "stood.zip",
                     {UnixEntry("away/f.txt", "x", RegularFile | 0644), UnixEntry("away/new/", "", Folder | 0755),
                      StoredEntry("away/dos.txt", Bytes{'d'}), UnixEntry("l", "new.txt", Link | 0777)});
    const Outcomes outcomes = ExtractAll(archive, dir / "out");
    EXPECT_EQ(outcomes.Results.at("away/f.txt"), erOutput);
    EXPECT_EQ(outcomes.Errors.at("away/f.txt"), ELOOP);
    EXPECT_EQ(outcomes.Results.at("away/new/"), erOutput);
    EXPECT_EQ(outcomes.Results.at("away/dos.txt"), erOutput);
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_EQ(outcomes.Results.at("l"), erOk);
    EXPECT_EQ(LinkOf(dir / "out" / "l"), "new.txt");
    const Bytes old = ReadFile(dir / "out" / "old.txt");
    EXPECT_EQ(std::string(old.begin(), old.end()), "old");
}

// Catches the exact time dropped for the 2-second MS-DOS one, an exact time
// shifted by the time zone, the NTFS field's 100 ns lost, the NTFS field
// preferred over the extended timestamp, and the MS-DOS time no longer
// local time.
TEST(UnixEntries, ExactTimes)
{
    constexpr uint32_t UtSeconds = 1700000000;           // 2023-11-14 22:13:20 UTC
    constexpr uint64_t NtfsTicks = 133444736001234567ull;  // 2023-11-14 ... with 123456700 ns
    const int64_t ntfsSeconds = int64_t((NtfsTicks - 116444736000000000ull) / 10000000);
    CraftedEntry ut = StoredEntry("ut.txt", Bytes{'u'});
    ut.Extra = UnixTimeExtra(UtSeconds);
    CraftedEntry ntfs = StoredEntry("ntfs.txt", Bytes{'n'});
    ntfs.Extra = NtfsTimeExtra(NtfsTicks);
    CraftedEntry both = StoredEntry("both.txt", Bytes{'b'});
    both.Extra = NtfsTimeExtra(NtfsTicks);
    const Bytes utField = UnixTimeExtra(UtSeconds);
    both.Extra.insert(both.Extra.end(), utField.begin(), utField.end());
    CraftedEntry dos = StoredEntry("dos.txt", Bytes{'d'});
    dos.DosDateTime = 0x5A8F6C21;  // 2025-04-15 13:33:02, local time
    TempDir dir;
    const fs::path archive = WriteArchive(dir, "times.zip", {ut, ntfs, both, dos});
    struct Zone {
        const char* Name;
        int64_t DosSeconds;  // what 2025-04-15 13:33:02 there is in UTC
    };
    for (const Zone& zone : {Zone{"UTC0", 1744723982}, Zone{"CET-1CEST,M3.5.0,M10.5.0/3", 1744723982 - 7200}}) {
        SCOPED_TRACE(zone.Name);
        const TimeZone scope(zone.Name);
        fs::remove_all(dir / "out");
        fs::create_directory(dir / "out");
        ExtractAll(archive, dir / "out");
        EXPECT_EQ(ModifiedOf(dir / "out/ut.txt").tv_sec, UtSeconds);
        EXPECT_EQ(ModifiedOf(dir / "out/ut.txt").tv_nsec, 0);
        EXPECT_EQ(ModifiedOf(dir / "out/ntfs.txt").tv_sec, ntfsSeconds);
        EXPECT_EQ(ModifiedOf(dir / "out/ntfs.txt").tv_nsec, 123456700);
        EXPECT_EQ(ModifiedOf(dir / "out/both.txt").tv_sec, UtSeconds);
        EXPECT_EQ(ModifiedOf(dir / "out/dos.txt").tv_sec, zone.DosSeconds);
    }
}

// Catches the containment rule for link targets going wrong either way.
TEST(UnixEntries, LinkTargetRule)
{
    struct Row {
        const char* Link;
        const char* Target;
        bool Inside;
    };
    const Row rows[] = {
        {"l", "t.txt", true},         {"l", "sub/./t.txt", true},     {"a/b/l", "../../t", true},
        {"a/b/l", "../../..", false}, {"l", "..", false},             {"l", "/t", false},
        {"a/l", "x/../y", false},     {"a/l", ".././../t", false},    {"a/l", "./../t", true},
        {"l", "", false},             {"a/l", "..//t", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LinkTargetStaysInside(row.Link, row.Target), row.Inside) << row.Link << " -> " << row.Target;
}

// Catches what real tools write read otherwise than by hand-made bytes:
// zip -y keeps links as links and modes in the high attribute bits.
TEST(UnixEntries, ZipMadeTreeExtractsAsMade)
{
    REQUIRE_TOOL("zip");
    TempDir dir;
    fs::create_directories(dir / "in/sub");
    WriteFile(dir / "in/run.sh", std::string("#!/bin/sh\necho hi\n"));
    WriteFile(dir / "in/sub/secret.txt", std::string(3000, 's'));
    fs::permissions(dir / "in/run.sh", fs::perms(0755));
    fs::permissions(dir / "in/sub/secret.txt", fs::perms(0640));
    fs::create_symlink("sub/secret.txt", dir / "in/link.txt");
    ASSERT_EQ(RunCommand("cd " + Quote((dir / "in").string()) + " && zip -qry ../made.zip .").ExitCode, 0);
    fs::create_directory(dir / "out");
    const Outcomes outcomes = ExtractAll(dir / "made.zip", dir / "out", 2);
    for (const auto& [name, result] : outcomes.Results)
        EXPECT_EQ(result, erOk) << name;
    EXPECT_EQ(ModeOf(dir / "out/run.sh"), 0755u & ~Umask());
    EXPECT_EQ(ModeOf(dir / "out/sub/secret.txt"), 0640u & ~Umask());
    EXPECT_EQ(LinkOf(dir / "out/link.txt"), "sub/secret.txt");
    EXPECT_EQ(ModifiedOf(dir / "out/run.sh").tv_sec, ModifiedOf(dir / "in/run.sh").tv_sec);
}

// Catches the time fields read past their end or believed when they hold no
// modification time: short fields, a flags byte without it, an NTFS tag
// whose size lies, a time before 1970, and the tag searched past others.
TEST(UnixEntries, TimeFieldsBadInput)
{
    const auto data = [](const Bytes& field) { return Bytes(field.begin() + 4, field.end()); };
    struct Row {
        const char* Fault;
        bool Ntfs;
        Bytes Field;  // without its id and size
        std::optional<TExactTime> Time;
    };
    Bytes secondTag = {0, 0, 0, 0, 2, 0, 4, 0, 9, 9, 9, 9};  // tag 2 first, then tag 1
    const Bytes ntfs = data(NtfsTimeExtra(116444736000000000ull + 15));
    secondTag.insert(secondTag.end(), ntfs.begin() + 4, ntfs.end());
    Bytes lyingTag = data(NtfsTimeExtra(133444736001234567ull));
    lyingTag[6] = 25;  // the tag claims a byte more than the field holds
    const Row rows[] = {
        {"extended timestamp read", false, data(UnixTimeExtra(1700000000)), TExactTime{1700000000, 0}},
        {"seconds after 2038 read as before 1970", false, data(UnixTimeExtra(0x90000000u)), TExactTime{0x90000000, 0}},
        {"no modification time, flag 0 believed", false, {0x06, 1, 2, 3, 4}, std::nullopt},
        {"short field read past its end", false, {0x01, 1, 2, 3}, std::nullopt},
        {"NTFS time read", true, ntfs, TExactTime{0, 1500}},
        {"tag 1 not found behind tag 2", true, secondTag, TExactTime{0, 1500}},
        {"a tag that lies about its size", true, lyingTag, std::nullopt},
        {"a time before 1970", true, data(NtfsTimeExtra(5)), std::nullopt},
        {"no room for the tag", true, {0, 0, 0, 0, 1, 0}, std::nullopt},
    };
    for (const Row& row : rows) {
        TExactTime time;
        const bool taken = row.Ntfs ? TakeNtfsTimeField(row.Field.data(), row.Field.size(), time)
                                    : TakeUnixTimeField(row.Field.data(), row.Field.size(), time);
        EXPECT_EQ(taken ? std::optional<TExactTime>(time) : std::nullopt, row.Time) << row.Fault;
    }
}
