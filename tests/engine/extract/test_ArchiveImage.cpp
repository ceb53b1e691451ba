// A job of many small entries out of the archive's order reads them from a
// copy of the archive in memory. Each run here tests every entry once in
// name order (from the copy) and once in the archive's order (from the
// file): each entry's CRC check must come out the same, whatever the
// archive holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/ArchiveImage.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractJob.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

class ResultsByName : public TExtractReceiver {
public:
    TReplaceAnswer AskReplace(const TZipEntry&, const std::string&, const TExistingNode&) override
    {
        return raReplace;
    }
    bool Progress(uint64_t, uint64_t) override { return true; }
    void EntryDone(const TEntryOutcome& outcome) override { Results[outcome.Entry.FileName] = outcome.Result; }
    std::map<std::string, int> Results;
};

ResultsByName TestEntries(const TZipArchive& archive, const std::vector<TZipEntry>& entries, unsigned workers)
{
    ResultsByName results;
    TJobOptions options;
    options.Workers = workers;
    options.TestOnly = true;
    TExtractJob job(archive, options, results);
    TListSelection selection(entries);
    job.Run(selection);
    return results;
}

}  // namespace

TEST(ArchiveImage, ScatteredRunEqualsTheFilesRun)
{
    struct Row {
        const char* fault;
        unsigned workers;
        bool shrinkAfterOpening;
    } rows[] = {
        {"an entry read from another place of the copy", 1, false},
        {"workers reading one copy get each other's bytes", 2, false},
        {"a file that shrank after opening copied short and read past its end", 2, true},
    };
    constexpr int Entries = int(TArchiveImage::MinEntries) + 76;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        TempDir dir;
        CraftedZip zip;
        for (int i = 0; i < Entries; ++i) {
            const std::string name = "d" + std::to_string(i % 40) + "/f" + std::to_string(i);
            CraftedEntry entry = StoredEntry(name, Bytes(size_t(i % 300), char('a' + i % 26)));
            if (i % 97 == 5)
                entry.Crc32 ^= 1;  // a damaged entry keeps its own result
            zip.Add(entry);
        }
        WriteFile(dir / "a.zip", zip.Build());
        TZipArchive archive;
        ASSERT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
        std::vector<TZipEntry> inArchiveOrder = EntriesOf(archive);
        std::vector<TZipEntry> byName = inArchiveOrder;
        std::sort(byName.begin(), byName.end(),
                  [](const TZipEntry& a, const TZipEntry& b) { return a.FileName > b.FileName; });
        ASSERT_TRUE(TArchiveImage::Worth(fs::file_size(dir / "a.zip"), byName.size(), true, false));
        if (row.shrinkAfterOpening)
            fs::resize_file(dir / "a.zip", fs::file_size(dir / "a.zip") / 2);

        const ResultsByName fromFile = TestEntries(archive, inArchiveOrder, row.workers);
        const ResultsByName fromCopy = TestEntries(archive, byName, row.workers);
        EXPECT_EQ(fromCopy.Results, fromFile.Results);
        const auto failed = std::count_if(fromFile.Results.begin(), fromFile.Results.end(),
                                          [](const auto& result) { return result.second != erOk; });
        EXPECT_EQ(failed == Entries / 97 + 1, !row.shrinkAfterOpening);  // only the damaged ones, when whole
    }
}

// Catches a copy made of an archive too large to hold, of one whose
// entries are large enough to read one by one, and of a run in the
// archive's order, which reads ahead without it.
TEST(ArchiveImage, WorthOnlyForManySmallEntriesOutOfOrder)
{
    struct Row {
        const char* fault;
        uint64_t archiveBytes, entries;
        bool scattered, spanned, worth;
    } rows[] = {
        {"20,000 small files in name order", 45u << 20, 20000, true, false, true},
        {"the archive's own order copied", 45u << 20, 20000, false, false, false},
        {"an archive past the bound held whole", (64u << 20) + 1, 100000, true, false, false},
        {"few large entries copied", 60u << 20, 1024, true, false, false},
        {"a spanned set copied as one", 45u << 20, 20000, true, true, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TArchiveImage::Worth(row.archiveBytes, row.entries, row.scattered, row.spanned), row.worth)
            << row.fault;
}
