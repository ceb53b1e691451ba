// The extraction job: what its receiver sees and what lands on disk, the
// same for 1, 2 and 4 workers over one table of archives; the clash of two
// entries on one path; an abort in the middle; hostile ZIP64 sizes in the
// progress; passwords asked through the receiver; the current directory
// left alone. Each test names the fault it would catch.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "engine/ResultCodes.h"
#include "engine/SizeSum.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractJob.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// Writes down every call in the order it came, and answers as told.
class Recorder : public TExtractReceiver {
public:
    TReplaceAnswer AskReplace(const TZipEntry& entry, const std::string& target, const TExistingNode&) override
    {
        Events.push_back("ask " + target + " for " + entry.FileName);
        return Answer;
    }
    bool Progress(uint64_t done, uint64_t total) override
    {
        Monotone = Monotone && done >= LastDone && done <= total;
        LastDone = done;
        Total = total;
        Ends += done == total ? 1 : 0;
        return true;
    }
    void EntryDone(const TEntryOutcome& outcome) override
    {
        Events.push_back(outcome.Entry.FileName + " -> " + std::to_string(outcome.Result) +
                         (outcome.Written ? " written" : ""));
        if (Events.size() == AbortAfterEvents && Job)
            Job->Abort();
    }

    TReplaceAnswer Answer = raKeep;
    std::vector<std::string> Events;
    size_t AbortAfterEvents = SIZE_MAX;
    TExtractJob* Job = nullptr;
    uint64_t LastDone = 0;
    uint64_t Total = 0;
    int Ends = 0;
    bool Monotone = true;
};

struct JobCase {
    const char* What;
    std::vector<CraftedEntry> Entries;
    std::map<std::string, std::string> Existing;  // files in the target before the run
    TJobOptions Options;
    TReplaceAnswer Answer;
    std::vector<std::string> Events;             // what the receiver must see, in this order
    std::map<std::string, std::string> Tree;     // what the target must hold afterwards
};

CraftedEntry BadCrc(const std::string& name, const std::string& text)
{
    CraftedEntry entry = StoredEntry(name, Text(text));
    entry.Crc32 ^= 1;
    return entry;
}

CraftedEntry Folder(const std::string& name)
{
    CraftedEntry entry = StoredEntry(name, {});
    entry.ExternalAttributes = 0x10;
    return entry;
}

// Many small entries, so several workers really run side by side and a
// result that overtakes an earlier one would show.
std::vector<CraftedEntry> ManyEntries()
{
    std::vector<CraftedEntry> entries;
    for (int i = 0; i < 40; ++i)
        entries.push_back(i % 7 == 3 ? BadCrc("m/f" + std::to_string(i), "bad") :
                                       StoredEntry("m/f" + std::to_string(i), Text(std::string(size_t(i) * 97, 'a' + char(i % 26)))));
    return entries;
}

std::vector<JobCase> Cases()
{
    TJobOptions flat;
    flat.WithFolders = false;
    TJobOptions folders;
    std::vector<JobCase> cases;
    cases.push_back({"flat names clash, the second kept",
                     {StoredEntry("a/x.txt", Text("first")), StoredEntry("b/x.txt", Text("second")),
                      StoredEntry("top.txt", Text("top"))},
                     {}, flat, raKeep,
                     {"a/x.txt -> 0 written", "ask x.txt for b/x.txt", "b/x.txt -> 0", "top.txt -> 0 written"},
                     {{"x.txt", "first"}, {"top.txt", "top"}}});
    cases.push_back({"flat names clash, the second replaces",
                     {StoredEntry("a/x.txt", Text("first")), StoredEntry("b/x.txt", Text("second"))},
                     {}, flat, raReplace,
                     {"a/x.txt -> 0 written", "ask x.txt for b/x.txt", "b/x.txt -> 0 written"},
                     {{"x.txt", "second"}}});
    cases.push_back({"failures, refusals and questions keep archive order",
                     {BadCrc("bad.txt", "b"), StoredEntry("../evil.txt", Text("e")), StoredEntry("old.txt", Text("new")),
                      Folder("d/"), StoredEntry("d/in.txt", Text("in")), StoredEntry("", Text("nameless"))},
                     {{"old.txt", "old"}}, folders, raKeep,
                     {"bad.txt -> 1", "../evil.txt -> 10", "ask old.txt for old.txt", "old.txt -> 0", "d/ -> 0 written",
                      "d/in.txt -> 0 written", " -> 10"},
                     {{"old.txt", "old"}, {"d/", ""}, {"d/in.txt", "in"}}});
    cases.push_back({"a file, then an entry below it",
                     {StoredEntry("p", Text("file")), StoredEntry("p/q", Text("below"))},
                     {}, folders, raKeep,
                     {"p -> 0 written", "p/q -> 2"},
                     {{"p", "file"}}});
    JobCase many{"forty entries, every seventh damaged", ManyEntries(), {}, folders, raKeep, {}, {{"m/", ""}}};
    for (const CraftedEntry& entry : many.Entries) {
        const bool bad = entry.Crc32 != ReferenceCrc32(entry.Data);
        many.Events.push_back(entry.Name + (bad ? " -> 1" : " -> 0 written"));
        if (!bad)
            many.Tree[entry.Name] = std::string(entry.Data.begin(), entry.Data.end());
    }
    cases.push_back(many);
    // Names met twice in a folder the run made itself, where the job spares
    // the look at the disk: once right behind the first, once after more
    // entries than the job holds, a pair in the folder once it is known as
    // the run's, and a file named like a folder the run made.
    JobCase again{"names met again in a folder this run made",
                  {StoredEntry("n/a.txt", Text("first a")), StoredEntry("n/a.txt", Text("second a")),
                   StoredEntry("n/sub/x", Text("x"))},
                  {}, folders, raKeep,
                  {"n/a.txt -> 0 written", "ask n/a.txt for n/a.txt", "n/a.txt -> 0", "n/sub/x -> 0 written"},
                  {{"n/", ""}, {"n/a.txt", "first a"}, {"n/sub/", ""}, {"n/sub/x", "x"}}};
    for (int i = 0; i < 80; ++i) {
        const std::string name = "n/f" + std::to_string(i);
        again.Entries.push_back(StoredEntry(name, Text(name)));
        again.Events.push_back(name + " -> 0 written");
        again.Tree[name] = name;
    }
    for (const char* text : {"first b", "second b"})
        again.Entries.push_back(StoredEntry("n/b.txt", Text(text)));
    again.Events.insert(again.Events.end(), {"n/b.txt -> 0 written", "ask n/b.txt for n/b.txt", "n/b.txt -> 0"});
    again.Tree["n/b.txt"] = "first b";
    again.Entries.push_back(StoredEntry("n/a.txt", Text("third a")));
    again.Entries.push_back(StoredEntry("n/sub", Text("file over folder")));
    again.Events.insert(again.Events.end(), {"ask n/a.txt for n/a.txt", "n/a.txt -> 0", "ask n/sub for n/sub", "n/sub -> 0"});
    cases.push_back(again);
    return cases;
}

}  // namespace

// Catches results or questions out of archive order with several workers,
// the flat-name clash written twice at once (or without the question), a
// file and an entry below it racing, a refused name written or unreported,
// a failed entry leaving a file, the worker count changing anything a
// person sees, and a name the run wrote itself replaced without the question.
TEST(ExtractJob, ReceiverSeesTheSameInArchiveOrderForAnyWorkerCount)
{
    for (const JobCase& c : Cases()) {
        for (unsigned workers : {1u, 2u, 4u}) {
            SCOPED_TRACE(std::string(c.What) + ", workers " + std::to_string(workers));
            TempDir dir;
            CraftedZip zip;
            for (const CraftedEntry& entry : c.Entries)
                zip.Add(entry);
            WriteFile(dir / "a.zip", zip.Build());
            fs::create_directories(dir / "out");
            for (const auto& [name, text] : c.Existing)
                WriteFile(dir / "out" / name, text);
            TZipArchive archive;
            ASSERT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
            Recorder recorder;
            recorder.Answer = c.Answer;
            TJobOptions options = c.Options;
            options.Workers = workers;
            TExtractJob job(archive, options, recorder);
            ASSERT_EQ(job.OpenTarget((dir / "out").string()), 0);
            TArchiveSelection selection(archive);
            const fs::path before = fs::current_path();
            const TJobSummary summary = job.Run(selection);
            EXPECT_EQ(fs::current_path(), before);
            EXPECT_FALSE(summary.Aborted);
            EXPECT_EQ(recorder.Events, c.Events);
            EXPECT_EQ(FolderTree(dir / "out"), c.Tree);
            EXPECT_TRUE(recorder.Monotone);
            EXPECT_EQ(recorder.Ends, 1);  // the bar reaches its end once, at the end
        }
    }
}

// Catches an abort that lets workers go on writing, leaves a partial or
// temporary file behind, or leaves whole files on disk that were never
// delivered (counted as not extracted); and a trail that misses what the
// run made, or names a file that stood there before, so that taking the
// run back would leave its files or delete the user's.
TEST(ExtractJob, AbortInTheMiddleStopsEveryWorkerAndLeavesNothingPartial)
{
    for (unsigned workers : {1u, 2u, 4u}) {
        SCOPED_TRACE("workers " + std::to_string(workers));
        TempDir dir;
        CraftedZip zip;
        std::map<std::string, Bytes> contents;
        contents["old"] = Text("new contents");
        zip.Add(StoredEntry("old", contents["old"]));
        for (int i = 1; i < 24; ++i) {
            const std::string name = "d/e/f" + std::to_string(i);
            contents[name] = RandomData(size_t(300000 + i), uint32_t(i + 1));
            zip.Add(StoredEntry(name, contents[name]));
        }
        WriteFile(dir / "a.zip", zip.Build());
        fs::create_directories(dir / "out");
        WriteFile(dir / "out" / "old", std::string("old contents"));
        TZipArchive archive;
        ASSERT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
        Recorder recorder;
        recorder.AbortAfterEvents = 3;
        TJobOptions options;
        options.Workers = workers;
        options.Overwrite = true;
        options.KeepTrail = true;
        TExtractJob job(archive, options, recorder);
        recorder.Job = &job;
        ASSERT_EQ(job.OpenTarget((dir / "out").string()), 0);
        TArchiveSelection selection(archive);
        const TJobSummary summary = job.Run(selection);
        EXPECT_TRUE(summary.Aborted);
        EXPECT_EQ(recorder.Ends, 0);
        std::vector<std::string> delivered;
        for (const std::string& event : recorder.Events) {
            EXPECT_NE(event.find(" -> 0 written"), std::string::npos) << event;
            delivered.push_back(event.substr(0, event.find(" -> ")));
        }
        EXPECT_GE(delivered.size(), 3u);
        EXPECT_EQ(summary.Written, delivered.size());
        // Every file on disk is whole and was delivered; a folder only where a file went.
        std::vector<std::string> onDisk;
        for (const auto& [name, text] : FolderTree(dir / "out")) {
            if (name.back() == '/')
                continue;
            onDisk.push_back(name);
            ASSERT_TRUE(contents.count(name)) << "left behind: " << name;
            EXPECT_EQ(Text(text), contents[name]) << name;
        }
        std::sort(delivered.begin(), delivered.end());
        EXPECT_EQ(onDisk, delivered);
        std::vector<std::string> trailFiles = job.Trail().Files;
        std::sort(trailFiles.begin(), trailFiles.end());
        delivered.erase(std::find(delivered.begin(), delivered.end(), "old"));
        EXPECT_EQ(trailFiles, delivered);
        // Each made once, by whichever worker came first; a child may be delivered before its parent.
        std::vector<std::string> trailFolders = job.Trail().Folders;
        std::sort(trailFolders.begin(), trailFolders.end());
        EXPECT_EQ(trailFolders, (std::vector<std::string>{"d", "d/e"}));

        platform::TFolder target;
        ASSERT_EQ(target.Open((dir / "out").string()), 0);
        EXPECT_EQ(RemoveTrail(target, job.Trail()), 0u);
        const std::map<std::string, std::string> left = FolderTree(dir / "out");
        ASSERT_EQ(left.size(), 1u) << "first left: " << left.begin()->first;
        EXPECT_EQ(left.begin()->second, "new contents");
    }
}

// Catches a parent removed before its child (with several workers a child
// folder may be delivered first, and the parent then stays), a folder
// removed with someone's file in it, and a file already gone counted as
// left.
TEST(RunTrail, RemovesDeepestFirstAndKeepsWhatOthersPutThere)
{
    TempDir dir;
    fs::create_directories(dir / "x" / "y" / "z");
    fs::create_directories(dir / "kept");
    WriteFile(dir / "x" / "y" / "f", std::string("f"));
    WriteFile(dir / "kept" / "theirs", std::string("theirs"));
    TRunTrail trail;
    trail.Files = {"x/y/f", "gone"};
    trail.Folders = {"x/y/z", "x", "kept", "x/y"};
    platform::TFolder target;
    ASSERT_EQ(target.Open(dir.Path().string()), 0);
    EXPECT_EQ(RemoveTrail(target, trail), 1u);  // "kept" holds a file of someone else's
    EXPECT_FALSE(fs::exists(dir / "x"));
    EXPECT_EQ(ReadFile(dir / "kept" / "theirs"), Text("theirs"));
}

// Answers password questions from a script, and notes each one among the
// other events, with the thread it came on.
class PasswordRecorder : public Recorder {
public:
    TPasswordAnswer AskPassword(const TZipEntry& entry, bool wrongBefore, TSecret& password) override
    {
        Events.push_back("password for " + entry.FileName + (wrongBefore ? " again" : ""));
        OffThread = OffThread || std::this_thread::get_id() != JobThread;
        if (Script.empty()) {
            ADD_FAILURE() << "password asked once more than scripted";
            return paCancelled;
        }
        const std::string answer = Script.front();
        Script.erase(Script.begin());
        if (answer == "-")
            return paCancelled;
        password = TSecret(answer);
        return paGiven;
    }
    std::vector<std::string> Script;  // "-": Abbrechen
    std::thread::id JobThread = std::this_thread::get_id();
    bool OffThread = false;
};

struct PasswordCase {
    const char* What;
    std::vector<std::string> Script;
    std::vector<std::string> Events;
    std::vector<std::string> Files;  // what the target holds afterwards
    std::vector<std::string> SecondScript;  // a second run's answers: only for what the first gave no password
};

// Catches a password question asked on a worker thread, asked once per
// worker or per entry though the password fits, out of archive order
// against the replace question and the results, a wrong password not asked
// again, Abbrechen that writes something or fails with another code, a
// password given for a later entry not tried on an earlier one's password,
// and passwords that are not kept for the next run while the archive stays
// open; the same for 1, 2 and 4 workers.
TEST(ExtractJob, PasswordsAskedOnTheJobsThreadInArchiveOrder)
{
    REQUIRE_TOOL("zip");
    TempDir dir;
    fs::create_directories(dir / "in");
    for (const char* name : {"a1.txt", "a2.txt", "plain.txt", "b1.txt", "a3.txt"})
        WriteFile(dir / "in" / name, std::string(size_t(20000), name[0]) + name);
    const std::string path = (dir / "a.zip").string();
    // The kept "eins" is tried on b1.txt first; zip's random header lets a
    // wrong password pass the check byte in one archive of 256, and such an
    // archive would end b1.txt without asking again: made anew then.
    std::string wrong;
    for (int attempt = 0; attempt < 16 && wrong.empty(); ++attempt) {
        fs::remove(path);
        ASSERT_EQ(RunCommand("cd " + Quote((dir / "in").string()) + " && zip -q -P eins " + Quote(path) +
                             " a1.txt a2.txt && zip -q " + Quote(path) + " plain.txt && zip -q -P zwei " +
                             Quote(path) + " b1.txt && zip -q -P eins " + Quote(path) + " a3.txt")
                      .ExitCode,
                  0);
        TZipArchive made;
        ASSERT_EQ(made.Open(path), akArchive);
        const std::vector<TZipEntry> entries = EntriesOf(made);
        ASSERT_EQ(entries.size(), 5u);
        const TZipEntry& b1 = entries[3];
        if (!ZipCryptoHeaderPasses(path, b1, "eins"))
            wrong = WrongZipCryptoPassword(path, b1, false);
    }
    ASSERT_FALSE(wrong.empty());
    const std::vector<PasswordCase> cases = {
        {"right, then wrong and right for the second password",
         {"eins", wrong, "zwei"},
         {"password for a1.txt", "a1.txt -> 0 written", "a2.txt -> 0 written", "ask plain.txt for plain.txt",
          "plain.txt -> 0 written", "password for b1.txt again", "password for b1.txt again", "b1.txt -> 0 written",
          "a3.txt -> 0 written"},
         {"a1.txt", "a2.txt", "a3.txt", "b1.txt", "plain.txt"},
         {}},
        {"Abbrechen fails that entry only",
         {"-", "eins", "-"},
         {"password for a1.txt", "a1.txt -> 7", "password for a2.txt", "a2.txt -> 0 written",
          "ask plain.txt for plain.txt", "plain.txt -> 0 written", "password for b1.txt again", "b1.txt -> 7",
          "a3.txt -> 0 written"},
         {"a2.txt", "a3.txt", "plain.txt"},
         {"-"}},
    };
    for (const PasswordCase& c : cases) {
        for (unsigned workers : {1u, 2u, 4u}) {
            SCOPED_TRACE(std::string(c.What) + ", workers " + std::to_string(workers));
            fs::remove_all(dir / "out");
            fs::create_directories(dir / "out");
            WriteFile(dir / "out" / "plain.txt", std::string("old"));
            TZipArchive zip;
            ASSERT_EQ(zip.Open((dir / "a.zip").string()), akArchive);
            PasswordRecorder recorder;
            recorder.Answer = raReplace;
            recorder.Script = c.Script;
            TJobOptions options;
            options.Workers = workers;
            TExtractJob job(zip, options, recorder);
            ASSERT_EQ(job.OpenTarget((dir / "out").string()), 0);
            TArchiveSelection selection(zip);
            job.Run(selection);
            EXPECT_EQ(recorder.Events, c.Events);
            EXPECT_FALSE(recorder.OffThread);
            EXPECT_TRUE(recorder.Script.empty());
            std::vector<std::string> files;
            for (const auto& [name, text] : FolderTree(dir / "out"))
                files.push_back(name);
            EXPECT_EQ(files, c.Files);

            // The archive still open: what was given is tried again; only b1.txt may still ask.
            PasswordRecorder again;
            again.Script = c.SecondScript;
            options.Overwrite = true;
            TExtractJob second(zip, options, again);
            ASSERT_EQ(second.OpenTarget((dir / "out").string()), 0);
            TArchiveSelection all(zip);
            second.Run(all);
            EXPECT_TRUE(again.Script.empty());
        }
    }
}

// Catches a progress total or a done count that wraps on ZIP64 sizes near
// 2^64 (the bar would run backwards or divide by a wrapped total).
TEST(ExtractJob, HostileSizesSaturateTheProgress)
{
    static_assert(AddSizeSaturated(UINT64_MAX - 1, uint64_t(5)) == UINT64_MAX);
    static_assert(AddSizeSaturated(int64_t(INT64_MAX - 1), uint64_t(UINT64_MAX)) == INT64_MAX);
    static_assert(AddSizeSaturated(int64_t(-5), uint64_t(3)) == 3);
    TempDir dir;
    CraftedZip zip;
    zip.Add(StoredEntry("a", Text("aaaa")));
    zip.Add(StoredEntry("b", Text("bbbb")));
    WriteFile(dir / "a.zip", zip.Build());
    fs::create_directories(dir / "out");
    TZipArchive archive;
    ASSERT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
    std::vector<TZipEntry> entries = EntriesOf(archive);
    ASSERT_EQ(entries.size(), 2u);
    // The directory is what lies: sizes near 2^64 for data of four bytes.
    entries[0].UncompressedSize = UINT64_MAX - 1;
    entries[1].UncompressedSize = UINT64_MAX / 2 + 7;
    TListSelection selection(entries);
    EXPECT_EQ(selection.TotalBytes(), UINT64_MAX);
    for (unsigned workers : {1u, 2u}) {
        Recorder recorder;
        TJobOptions options;
        options.Workers = workers;
        options.Overwrite = true;
        TExtractJob job(archive, options, recorder);
        ASSERT_EQ(job.OpenTarget((dir / "out").string()), 0);
        TListSelection again(entries);
        job.Run(again);
        EXPECT_EQ(recorder.Total, UINT64_MAX);
        EXPECT_TRUE(recorder.Monotone);
        EXPECT_EQ(recorder.Ends, 1);
        EXPECT_EQ(recorder.Events.size(), 2u);
    }
}

// Catches an archive object that misreads what a file is, loses the count
// of a damaged directory, or reads through a path that a later change of
// the current directory would move.
TEST(ZipArchive, KindCountAndAnOpenFileThatOutlivesTheCurrentDirectory)
{
    TempDir dir;
    CraftedZip zip;
    zip.Add(StoredEntry("a", Text("aaaa")));
    zip.Add(StoredEntry("b", Text("bbbb")));
    const Bytes whole = zip.Build();
    WriteFile(dir / "whole.zip", whole);
    // The directory's second record without its signature: the first entry still reads.
    Bytes cut = whole;
    const size_t secondRecord = whole.size() - 22 - (46 + 1);  // end record 22 bytes, name "b"
    cut[secondRecord] ^= 0xFF;
    WriteFile(dir / "cut.zip", cut);
    CraftedZip empty;
    WriteFile(dir / "empty.zip", empty.Build());
    WriteFile(dir / "text.zip", Text("not an archive at all"));
    WriteFile(dir / "nodot", whole);

    const fs::path saved = fs::current_path();
    fs::current_path(dir.Path());
    struct Row {
        const char* Name;
        TArchiveKind Kind;
        uint64_t Entries;
    } rows[] = {{"whole.zip", akArchive, 2}, {"empty.zip", akEmpty, 0}, {"text.zip", akNotArchive, 0},
                {"nodot", akArchive, 2}, {"missing.zip", akNotArchive, 0}};
    for (const Row& row : rows) {
        TZipArchive archive;
        EXPECT_EQ(archive.Open(row.Name), row.Kind) << row.Name;
        EXPECT_EQ(archive.EntriesRead(), row.Entries) << row.Name;
        EXPECT_EQ(archive.Path(), (dir.Path() / row.Name).string()) << row.Name;
    }
    TZipArchive damaged;
    const TArchiveKind damagedKind = damaged.Open("cut.zip");
    EXPECT_TRUE(damagedKind == akDamaged) << int(damagedKind);
    EXPECT_EQ(damaged.EntriesRead(), 2u);  // the local headers give both entries the cut directory lost

    TZipArchive relative;
    ASSERT_EQ(relative.Open("whole.zip"), akArchive);
    fs::current_path(saved);
    uint64_t seen = 0;
    EXPECT_EQ(relative.ForEachEntry([&seen](const TZipEntry&) { return ++seen, true; }), dsComplete);
    EXPECT_EQ(seen, 2u);
}
