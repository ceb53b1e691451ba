// The job and its workers leave the process as they found it: the umask
// (which workers once read by setting it, so two of them interleaving left
// it at 0 and later files came out writable by everyone) and the current
// folder. Several runs in one process, as the window makes them, each
// checked file by file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractJob.h"
#include "platform/FileServices.h"
#include "platform/ThreadPolicy.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

// A run's size: the full stress by default, smaller where a slow build
// (ThreadSanitizer) runs it.
int Scaled(int count)
{
    const char* divisor = std::getenv("VALBRIX_STRESS_DIVISOR");
    const int by = divisor ? std::max(1, std::atoi(divisor)) : 1;
    return std::max(1, count / by);
}

class Quiet : public TExtractReceiver {
public:
    TReplaceAnswer AskReplace(const TZipEntry&, const std::string&, const TExistingNode&) override
    {
        return raKeep;
    }
    bool Progress(uint64_t, uint64_t) override { return true; }
    void EntryDone(const TEntryOutcome& outcome) override { Failed += outcome.Result != erOk; }
    int Failed = 0;
};

// Puts the umask back when the test ends, however it ends.
class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : FOld(::umask(mask)) {}
    ~UmaskScope() { ::umask(FOld); }

private:
    mode_t FOld;
};

mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);  // the test's own thread, no worker running
    ::umask(mask);
    return mask;
}

}  // namespace

// Catches a umask read that changes the mask: two threads reading it by
// setting it to 0 and back can leave it at 0 for good, and every later file
// is writable by everyone. Also a parse of /proc that takes the wrong line.
TEST(JobProcessState, UmaskIsReadWithoutChangingIt)
{
    for (mode_t mask : {mode_t(022), mode_t(077), mode_t(027), mode_t(0)}) {
        UmaskScope scope(mask);
        EXPECT_EQ(platform::ReadUmask(), platform::TFileMode(mask));
        EXPECT_EQ(CurrentUmask(), mask);
    }
    UmaskScope scope(022);
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i)
        readers.emplace_back([&wrong] {
            for (int read = 0; read < Scaled(20000); ++read)
                wrong += platform::ReadUmask() != 022;
        });
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(CurrentUmask(), mode_t(022));
}

// Catches workers that touch the process's umask: after each of many runs
// with four workers over thousands of tiny entries in one process, the
// umask is what it was and every file and folder has the mode it implies;
// the calling thread keeps its scheduling policy.
TEST(JobProcessState, ManyRunsWithFourWorkersKeepTheUmaskAndEveryMode)
{
    const int entries = Scaled(20000);
    const int runs = Scaled(20);
    const mode_t mask = 022;
    UmaskScope scope(mask);
    TempDir dir;
    CraftedZip zip;
    for (int i = 0; i < entries; ++i)
        zip.Add(StoredEntry("d" + std::to_string(i % 97) + "/f" + std::to_string(i), Bytes{uint8_t('a' + i % 26)}));
    WriteFile(dir / "a.zip", zip.Build());
    TZipArchive archive;
    ASSERT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
    const fs::path before = fs::current_path();
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const fs::path out = dir / ("out" + std::to_string(run));
        fs::create_directories(out);
        Quiet receiver;
        TJobOptions options;
        options.Workers = 4;
        TExtractJob job(archive, options, receiver);
        ASSERT_EQ(job.OpenTarget(out.string()), 0);
        TArchiveSelection selection(archive);
        const TJobSummary summary = job.Run(selection);
        ASSERT_EQ(summary.Written, uint64_t(entries));
        ASSERT_EQ(receiver.Failed, 0);
        ASSERT_EQ(CurrentUmask(), mask);
        ASSERT_EQ(fs::current_path(), before);
        ASSERT_FALSE(platform::ThisThreadRunsAsBatch());  // the workers' policy is theirs alone
        int files = 0;
        for (const auto& item : fs::recursive_directory_iterator(out)) {
            struct stat facts {};
            ASSERT_EQ(::lstat(item.path().c_str(), &facts), 0);
            const mode_t wanted = S_ISDIR(facts.st_mode) ? 0755 : 0644;
            ASSERT_EQ(facts.st_mode & 07777, wanted) << item.path();
            files += S_ISREG(facts.st_mode);
        }
        ASSERT_EQ(files, entries);
        fs::remove_all(out);
    }
}
