// Entries in the window's name order visit their folders in turn (a/f1,
// b/f1, c/f1, a/f2 …), so the drivers keep several folders open. What they
// keep must not send a file to the wrong folder, outlive a folder removed
// during the run, or grow past its budget of open handles.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractJob.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

int OpenHandles()
{
    int count = 0;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (::readdir(fds))
            ++count;
        ::closedir(fds);
    }
    return count;
}

// Removes one folder after the first entry is named, and watches the
// process's open handles while the run goes on.
class Watcher : public TExtractReceiver {
public:
    TReplaceAnswer AskReplace(const TZipEntry&, const std::string&, const TExistingNode&) override
    {
        return raReplace;
    }
    bool Progress(uint64_t, uint64_t) override { return true; }
    void EntryDone(const TEntryOutcome& outcome) override
    {
        Failed += outcome.Result != erOk;
        if (++Done == 1 && !RemoveAfterFirst.empty())
            fs::remove_all(RemoveAfterFirst);
        if (Done % 16 == 0)  // a listing of the handles costs more than an entry
            MostHandles = std::max(MostHandles, OpenHandles());
    }
    fs::path RemoveAfterFirst;
    int Done = 0;
    int Failed = 0;
    int MostHandles = 0;
};

std::string FolderOf(int i) { return "d" + std::to_string(i); }

}  // namespace

TEST(JobFolderTurns, NameOrderAcrossManyFolders)
{
    struct Row {
        const char* fault;
        int folders;
        unsigned workers;
        bool removeOne;
    } rows[] = {
        {"a held folder answers for another of the same driver", 40, 1, false},
        {"held folders of one worker leak into the other's names", 40, 2, false},
        // Its first file is the run's first; its other entries lie beyond
        // the entries decoded ahead, so they are reached after the removal.
        {"a folder removed during the run stays held and its later files are lost", 100, 2, true},
        {"more folders than the budget: handles grow without bound", 300, 2, false},
        {"the budget multiplied by the workers", 300, 8, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        constexpr int PerFolder = 2;
        TempDir dir;
        CraftedZip zip;
        for (int f = 0; f < row.folders; ++f)
            for (int n = 0; n < PerFolder; ++n) {
                const std::string name = FolderOf(f) + "/f" + std::to_string(n);
                zip.Add(StoredEntry(name, Bytes(name.begin(), name.end())));
            }
        for (int f = 0; f < row.folders; ++f) {
            // Made in the folder the driver holds, not by a path from the target.
            CraftedEntry link = StoredEntry(FolderOf(f) + "/link", Bytes{'f', '0'});
            link.HostSystem = 3;
            link.ExternalAttributes = 0120777u << 16;
            zip.Add(link);
        }
        WriteFile(dir / "a.zip", zip.Build());
        TZipArchive archive;
        ASSERT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
        std::vector<TZipEntry> entries = EntriesOf(archive);
        // By file name, as the window lists them: each folder's turn comes
        // again after all the others (links last).
        std::stable_sort(entries.begin(), entries.end(), [](const TZipEntry& a, const TZipEntry& b) {
            return a.FileName.substr(a.FileName.find('/')) < b.FileName.substr(b.FileName.find('/'));
        });
        const fs::path out = dir / "out";
        fs::create_directories(out);
        Watcher watcher;
        if (row.removeOne)
            watcher.RemoveAfterFirst = out / FolderOf(0);
        const int handlesBefore = OpenHandles();
        TJobOptions options;
        options.Workers = row.workers;
        TExtractJob job(archive, options, watcher);
        ASSERT_EQ(job.OpenTarget(out.string()), 0);
        TListSelection selection(entries);
        job.Run(selection);
        EXPECT_EQ(watcher.Failed, 0);
        for (int f = 0; f < row.folders; ++f)
            ASSERT_EQ(fs::read_symlink(out / FolderOf(f) / "link"), "f0") << f;
        // Folders kept, files held until named, the archive per worker, slack.
        EXPECT_LE(watcher.MostHandles, handlesBefore + 256 + 64 + int(row.workers) * 4 + 16);
        for (int f = 0; f < row.folders; ++f)
            for (int n = row.removeOne && f == 0 ? 1 : 0; n < PerFolder; ++n) {
                const std::string name = FolderOf(f) + "/f" + std::to_string(n);
                ASSERT_EQ(ReadFile(out / name), Bytes(name.begin(), name.end())) << name;
            }
    }
}
