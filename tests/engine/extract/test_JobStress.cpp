// The job under load, for the race detector as much as for itself: random
// archives of tiny stored, deflated and encrypted entries, files already in
// the target, replace questions answered at random, aborts at random
// points, 1 to 8 workers. Each run is held against a one-worker run of the
// same archive with the same answers, which is the behaviour a person is
// promised whatever the worker count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractJob.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* Password = "geheim";

int Scaled(int count)
{
    const char* divisor = std::getenv("VALBRIX_STRESS_DIVISOR");
    const int by = divisor ? std::max(1, std::atoi(divisor)) : 1;
    return std::max(1, count / by);
}

// The answers of one run: decided by the entry's name alone, so the
// reference run and the run under test are asked alike and answer alike.
struct Script {
    uint32_t Seed = 0;
    std::string AbortAtQuestion;      // this replace question is answered "Abbrechen"
    size_t AbortAfterResults = SIZE_MAX;  // the job is aborted at this many results

    TReplaceAnswer Answer(const std::string& name) const
    {
        if (name == AbortAtQuestion)
            return raAbort;
        return std::hash<std::string>{}(name + std::to_string(Seed)) % 2 ? raReplace : raKeep;
    }
};

class ScriptedReceiver : public TExtractReceiver {
public:
    explicit ScriptedReceiver(const Script& script) : FScript(script) {}
    TReplaceAnswer AskReplace(const TZipEntry& entry, const std::string& target, const TExistingNode&) override
    {
        Events.push_back("ask " + target);
        return FScript.Answer(entry.FileName);
    }
    bool Progress(uint64_t done, uint64_t total) override { return done <= total; }
    void EntryDone(const TEntryOutcome& outcome) override
    {
        Events.push_back(outcome.Entry.FileName + " -> " + std::to_string(outcome.Result) +
                         (outcome.Written ? " written" : ""));
        if (++Results == FScript.AbortAfterResults && Job)
            Job->Abort();
    }
    TPasswordAnswer AskPassword(const TZipEntry&, bool wrongBefore, TSecret& password) override
    {
        Events.push_back("password");
        if (wrongBefore)
            return paNoOther;
        password = TSecret(Password);
        return paGiven;
    }

    std::vector<std::string> Events;
    TExtractJob* Job = nullptr;

private:
    const Script& FScript;
    size_t Results = 0;
};

std::map<std::string, std::string> FilesOf(const std::map<std::string, std::string>& tree)
{
    std::map<std::string, std::string> files;
    for (const auto& [name, text] : tree)
        if (name.back() != '/')
            files.emplace(name, text);
    return files;
}

// An archive of `count` tiny entries in a few folders, added by the zip
// tool in groups of random kind (stored, deflated, encrypted), so the kinds
// interleave in the archive's order.
std::vector<std::string> MakeArchive(const fs::path& dir, std::mt19937& random, int count)
{
    const fs::path source = dir / "src";
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back("d" + std::to_string(random() % 4) + "/f" + std::to_string(i) + ".txt");
        fs::create_directories((source / names.back()).parent_path());
        const Bytes text = TextLikeData(random() % 3000, random());
        WriteFile(source / names.back(), text);
    }
    for (size_t first = 0; first < names.size();) {
        const size_t group = std::min(names.size() - first, size_t(1 + random() % 8));
        static const char* const Kinds[] = {"-0", "-6", "-6 -P geheim", "-0 -P geheim"};
        std::string command = "cd " + Quote(source.string()) + " && zip -q -X " + Kinds[random() % 4] + " " +
                              Quote((dir / "a.zip").string());
        for (size_t i = first; i < first + group; ++i)
            command += " " + Quote(names[i]);
        if (RunCommand(command + " >/dev/null 2>&1").ExitCode != 0)
            return {};
        first += group;
    }
    return names;
}

struct RunResult {
    std::vector<std::string> Events;
    std::map<std::string, std::string> Tree;
    bool Aborted = false;
};

RunResult Extract(const fs::path& dir, const std::string& out, const std::vector<std::string>& existing,
                  const Script& script, unsigned workers)
{
    const fs::path target = dir / out;
    fs::create_directories(target);
    for (const std::string& name : existing) {
        fs::create_directories((target / name).parent_path());
        WriteFile(target / name, "stood there before: " + name);
    }
    TZipArchive archive;
    EXPECT_EQ(archive.Open((dir / "a.zip").string()), akArchive);
    ScriptedReceiver receiver(script);
    TJobOptions options;
    options.Workers = workers;
    TExtractJob job(archive, options, receiver);
    receiver.Job = &job;
    EXPECT_EQ(job.OpenTarget(target.string()), 0);
    TArchiveSelection selection(archive);
    RunResult result;
    result.Aborted = job.Run(selection).Aborted;
    result.Events = receiver.Events;
    result.Tree = FolderTree(target);
    return result;
}

}  // namespace

// Catches a result delivered out of order or lost, a question asked twice
// or not at all, a file written against its answer, a partial or stray file
// after an abort, and any data race the race detector sees while workers,
// questions and aborts interleave.
TEST(JobStress, RandomRunsMatchTheOneWorkerRun)
{
    if (!HaveTool("zip"))
        GTEST_SKIP() << "zip is needed to make the archives";
    const int rounds = Scaled(24);
    for (int round = 0; round < rounds; ++round) {
        std::mt19937 random(uint32_t(round) * 7919u + 17u);
        TempDir dir;
        const std::vector<std::string> names = MakeArchive(dir.Path(), random, 20 + int(random() % 60));
        ASSERT_FALSE(names.empty()) << "zip failed";
        std::vector<std::string> existing;
        for (const std::string& name : names)
            if (random() % 4 == 0)
                existing.push_back(name);
        Script script;
        script.Seed = random();
        const unsigned kind = random() % 3;  // 0: to the end, 1: "Abbrechen" at a question, 2: an abort from outside
        if (kind == 1 && !existing.empty())
            script.AbortAtQuestion = existing[random() % existing.size()];
        if (kind == 2)
            script.AbortAfterResults = 1 + random() % names.size();
        const unsigned workers = 1 + random() % 8;
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(names.size()) + " entries, " +
                     std::to_string(workers) + " workers, kind " + std::to_string(kind));

        const RunResult reference = Extract(dir.Path(), "one", existing, script, 1);
        const RunResult run = Extract(dir.Path(), "many", existing, script, workers);
        EXPECT_EQ(run.Aborted, reference.Aborted);
        EXPECT_EQ(run.Events, reference.Events);
        // Folders may be made ahead of their entry's turn; files never are.
        EXPECT_EQ(FilesOf(run.Tree), FilesOf(reference.Tree));
        if (!reference.Aborted) {
            EXPECT_EQ(run.Tree, reference.Tree);
        }
    }
}
