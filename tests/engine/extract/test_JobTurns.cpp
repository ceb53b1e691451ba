// The job with workers behaves like one careful worker: at every question
// and every result the target holds exactly what the one-worker run holds
// there, whatever the answer; a full disk ends the run with one word; what
// workers hold ahead stays within its bounds; the test mode writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractJob.h"
#include "engine/extract/OutputFile.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

// A disk that is full for the names given, or after a number of bytes.
class TFullDisk : public TOutputLimit {
public:
    int Take(const std::string& target, size_t bytes) override
    {
        if (FullFor.count(target))
            return ENOSPC;
        Taken += bytes;
        return Taken.load() > Budget ? ENOSPC : 0;
    }
    std::set<std::string> FullFor;
    uint64_t Budget = UINT64_MAX;
    std::atomic<uint64_t> Taken{0};
};

// Notes every call with the target as it stands right then.
class TSnapshots : public TExtractReceiver {
public:
    explicit TSnapshots(fs::path out) : FOut(std::move(out)) {}
    TReplaceAnswer AskReplace(const TZipEntry& entry, const std::string&, const TExistingNode&) override
    {
        Note("ask " + entry.FileName);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a slow answer: workers run ahead meanwhile
        if (Disk)
            TakenAtAnswer = std::max(TakenAtAnswer, Disk->Taken.load());
        return Answer;
    }
    bool Progress(uint64_t, uint64_t) override { return true; }
    void EntryDone(const TEntryOutcome& outcome) override
    {
        Note(outcome.Entry.FileName + " " + std::to_string(outcome.Result));
    }

    TReplaceAnswer Answer = raKeep;
    const TFullDisk* Disk = nullptr;
    uint64_t TakenAtAnswer = 0;
    std::vector<std::string> Events;
    std::vector<std::map<std::string, std::string>> Trees;

private:
    // Files only: workers may make an entry's folders ahead of its turn.
    void Note(const std::string& event)
    {
        Events.push_back(event);
        Trees.push_back(FilesOf(FolderTree(FOut)));
    }

public:
    static std::map<std::string, std::string> FilesOf(std::map<std::string, std::string> tree)
    {
        std::erase_if(tree, [](const auto& item) { return item.first.back() == '/'; });
        return tree;
    }
    fs::path FOut;
};

struct TTurnRow {
    const char* Name;           // the ctest case's suffix
    const char* Fault;          // what a wrong job would do here
    std::set<int> Existing;     // rows whose file stands before the run: a question
    std::set<int> Damaged;      // rows that fail their CRC
    std::set<int> DiskFull;     // rows the disk is full for
};

// gtest puts a parameter's printout into each case's ctest name.
void PrintTo(const TTurnRow& row, std::ostream* out)
{
    *out << row.Name;
}

constexpr int Rows = 24;

std::string RowName(int row)
{
    return (row % 3 == 0 ? "top" : "d/sub/f") + std::to_string(row);
}

}  // namespace

// Each row, answered in every way, for 1, 2 and 4 workers: the events and
// the target at each of them equal the one-worker run's. One ctest case per
// row, so that the sanitizer stages, where a row takes most of a minute, can
// run them side by side.
const TTurnRow TurnRows[] = {
    {"QuestionOpen", "a later entry written while the question for an earlier one is open", {5, 14}, {}, {}},
    {"FailureLate", "a failure reported after a later entry appeared", {}, {2, 9, 10}, {}},
    {"DiskFull", "a full disk reported per entry, or entries written after it", {}, {}, {11}},
    {"OutOfOrder", "a question, a failure and a full disk out of order", {4}, {7}, {16}},
    {"FirstDelayed", "the first entry's question or failure delayed behind later ones", {0}, {1}, {}},
};

class JobTurnRows : public ::testing::TestWithParam<TTurnRow> {};

INSTANTIATE_TEST_SUITE_P(JobTurns, JobTurnRows, ::testing::ValuesIn(TurnRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_P(JobTurnRows, TargetAtEveryQuestionAndResultIsTheOneWorkerRuns)
{
    const TTurnRow& row = GetParam();
    for (TReplaceAnswer answer : {raReplace, raKeep, raAbort}) {
        std::vector<std::string> serialEvents;
        std::vector<std::map<std::string, std::string>> serialTrees;
        for (unsigned workers : {1u, 2u, 4u}) {
            SCOPED_TRACE(std::string(row.Fault) + ", answer " + std::to_string(answer) + ", workers " +
                         std::to_string(workers));
            TempDir dir;
            CraftedZip zip;
            for (int i = 0; i < Rows; ++i) {
                // Sizes vary, so workers finish out of order.
                CraftedEntry entry = StoredEntry(RowName(i), RandomData(size_t(1 + (i * 7919) % 5 * 40000), i + 1));
                if (row.Damaged.count(i))
                    entry.Crc32 ^= 1;
                zip.Add(entry);
            }
            WriteFile(dir / "a.zip", zip.Build());
            const fs::path out = dir / "out";
            fs::create_directories(out);
            for (int i : row.Existing) {
                fs::create_directories((out / RowName(i)).parent_path());
                WriteFile(out / RowName(i), std::string("old"));
            }
            TZipArchive archive;
            ASSERT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
            TFullDisk disk;
            for (int i : row.DiskFull)
                disk.FullFor.insert(RowName(i));
            TSnapshots receiver(out);
            receiver.Answer = answer;
            TJobOptions options;
            options.Workers = workers;
            options.OutputLimit = &disk;
            TExtractJob job(archive, options, receiver);
            ASSERT_EQ(job.OpenTarget(out.string()), 0);
            TArchiveSelection selection(archive);
            const TJobSummary summary = job.Run(selection);
            const std::map<std::string, std::string> after = FolderTree(out);
            receiver.Trees.push_back(TSnapshots::FilesOf(after));
            if (workers == 1) {
                serialEvents = receiver.Events;
                serialTrees = receiver.Trees;
                // The one-worker run itself: a full disk is one word, not a result per entry.
                if (!row.DiskFull.empty() && !(answer == raAbort && !row.Existing.empty())) {
                    const int first = *row.DiskFull.begin();
                    EXPECT_EQ(summary.DiskError, ENOSPC);
                    EXPECT_EQ(summary.NotExtracted, uint64_t(Rows - first));
                    EXPECT_FALSE(summary.Aborted);
                    EXPECT_FALSE(after.count(RowName(first)));
                }
                continue;
            }
            EXPECT_EQ(receiver.Events, serialEvents);
            EXPECT_EQ(receiver.Trees, serialTrees);
        }
    }
}

// Catches a full disk met by one worker while others still decode: the run
// must end after the entry that met it, with every file on disk whole, no
// entry reported as failed for want of room, and the entries written and
// those not extracted adding up to the selection.
TEST(JobTurns, SizeLimitedDiskEndsTheRunOnceWithWholeFiles)
{
    constexpr int Count = 40;
    constexpr size_t Size = 10240;
    for (unsigned workers : {1u, 2u, 4u}) {
        SCOPED_TRACE("workers " + std::to_string(workers));
        TempDir dir;
        CraftedZip zip;
        std::map<std::string, std::string> contents;
        for (int i = 0; i < Count; ++i) {
            const Bytes data = RandomData(Size, i + 7);
            contents["f" + std::to_string(i)] = std::string(data.begin(), data.end());
            zip.Add(StoredEntry("f" + std::to_string(i), data));
        }
        WriteFile(dir / "a.zip", zip.Build());
        fs::create_directories(dir / "out");
        TZipArchive archive;
        ASSERT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
        TFullDisk disk;
        disk.Budget = 14 * Size + Size / 2;
        TSnapshots receiver(dir / "out");
        TJobOptions options;
        options.Workers = workers;
        options.OutputLimit = &disk;
        TExtractJob job(archive, options, receiver);
        ASSERT_EQ(job.OpenTarget((dir / "out").string()), 0);
        TArchiveSelection selection(archive);
        const TJobSummary summary = job.Run(selection);
        EXPECT_EQ(summary.DiskError, ENOSPC);
        EXPECT_FALSE(summary.Aborted);
        EXPECT_EQ(summary.Failed, 0u);
        EXPECT_EQ(summary.Written + summary.NotExtracted, uint64_t(Count));
        if (workers == 1) {
            EXPECT_EQ(summary.Written, 14u);
        }
        const std::map<std::string, std::string> tree = FolderTree(dir / "out");
        EXPECT_EQ(tree.size(), summary.Written);
        for (const auto& [name, text] : tree)
            EXPECT_EQ(text, contents[name]) << name;
    }
}

// Catches read-ahead without bounds: while the first entry's question is
// open, workers may hold no more bytes than the bound (and the entry they
// run); and a test run that writes anything or reports a folder entry as
// decoded.
TEST(JobTurns, ReadAheadStaysBoundedAndTheTestModeWritesNothing)
{
    TempDir dir;
    CraftedZip zip;
    for (int i = 0; i < 30; ++i)
        zip.Add(StoredEntry("f" + std::to_string(i), RandomData(20000, i + 3)));
    zip.Add(StoredEntry("d/", {}));
    CraftedEntry damaged = StoredEntry("d/bad", RandomData(100, 1));
    damaged.Crc32 ^= 1;
    zip.Add(damaged);
    WriteFile(dir / "a.zip", zip.Build());
    fs::create_directories(dir / "out");
    WriteFile(dir / "out" / "f0", std::string("old"));
    TZipArchive archive;
    ASSERT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
    {
        TFullDisk disk;
        TSnapshots receiver(dir / "out");
        receiver.Disk = &disk;
        TJobOptions options;
        options.Workers = 2;
        options.HeldBytes = 60000;
        options.OutputLimit = &disk;
        TExtractJob job(archive, options, receiver);
        ASSERT_EQ(job.OpenTarget((dir / "out").string()), 0);
        TArchiveSelection selection(archive);
        job.Run(selection);
        ASSERT_FALSE(receiver.Events.empty());
        EXPECT_EQ(receiver.Events.front(), "ask f0");
        // The answer takes long enough for every entry to be decoded: what is held meanwhile is the bound.
        EXPECT_LE(receiver.TakenAtAnswer, 60000u);
    }
    const std::map<std::string, std::string> extracted = FolderTree(dir / "out");
    {
        TSnapshots receiver(dir / "none");
        TJobOptions options;
        options.Workers = 2;
        options.TestOnly = true;
        fs::create_directories(dir / "none");
        TExtractJob job(archive, options, receiver);
        TArchiveSelection selection(archive);
        const TJobSummary summary = job.Run(selection);
        EXPECT_EQ(summary.Failed, 1u);
        EXPECT_EQ(receiver.Events.back(), "d/bad " + std::to_string(erCrc));
        EXPECT_TRUE(FolderTree(dir / "none").empty());
        EXPECT_EQ(FolderTree(dir / "out"), extracted);
    }
}
