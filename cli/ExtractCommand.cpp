// `valbrix-cli extract` and `valbrix-cli test`: adapters over the engine's
// archive object and extraction job. Entry names come from the archive and
// are not trusted; the job's containment rule keeps everything below the
// target folder, which it holds by a handle, so relative paths stay what
// they were when the command started. Each failed or refused entry gives
// one line on stderr, in archive order whatever the number of workers;
// files that stood before the run are kept and counted in one line (one
// line each with -v); two entries of the run that land on one file are a
// failure of the later one. The exit status says whether all succeeded.
// Ctrl+C or SIGTERM stops every worker, and the entry being written leaves
// nothing behind. Encrypted entries take the password from --password-file
// or a prompt without echo (cli/Password.h), asked on this thread in
// archive order.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "cli/ArchiveInput.h"
#include "cli/Commands.h"
#include "cli/DecodeRun.h"
#include "cli/Messages.h"
#include "cli/NameText.h"
#include "cli/Password.h"
#include "cli/RunSetup.h"
#include "cli/TerminalReport.h"
#include "cli/Usage.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractJob.h"
#include "engine/extract/TargetPath.h"
#include "platform/ErrorText.h"
#include "platform/FolderServices.h"
#include "platform/Paths.h"
#include "platform/Terminal.h"

namespace valbrix::cli {

namespace {

struct TExtractArgs {
    std::string Folder = ".";
    TJobOptions Options;
    std::string Archive;
    std::vector<std::string> Names;     // empty: every entry
    std::vector<std::string> Excluded;  // -x patterns
    std::optional<std::string> PasswordFile;
    bool Quiet = false;
    bool Verbose = false;
    bool ToStdout = false;
};

// The one way a signal handler can reach the running job.
std::atomic<TExtractJob*> InterruptedJob{nullptr};
static_assert(std::atomic<TExtractJob*>::is_always_lock_free);

void OnInterrupt(int)
{
    if (TExtractJob* job = InterruptedJob.load())
        job->Abort();
}

// Routes Ctrl+C and SIGTERM to the job while it runs, and back to the default after.
class TInterruptGuard {
public:
    explicit TInterruptGuard(TExtractJob& job)
    {
        InterruptedJob.store(&job);
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
    }
    ~TInterruptGuard()
    {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        InterruptedJob.store(nullptr);
    }
    TInterruptGuard(const TInterruptGuard&) = delete;
    TInterruptGuard& operator=(const TInterruptGuard&) = delete;
};

const std::vector<TOption> ExtractOptions = {
    {'d', nullptr, true},       {0, "flat", false},          {0, "overwrite", false},  {'j', "jobs", true},
    {'x', "exclude", true},     {0, "password-file", true},  {'q', "quiet", false},    {'v', "verbose", false},
    {'p', "stdout", false},
};

// -j N, -jN, --jobs=N: 1 to 256.
bool ParseWorkers(const std::string& text, unsigned& workers)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text[0] == '-' || value == 0 || value > 256)
        return false;
    workers = unsigned(value);
    return true;
}

// Fills `parsed` from the command line; false when it is done (help, a wrong line).
bool ParseExtractArgs(const std::vector<std::string>& args, TExtractArgs& parsed, int& exitStatus)
{
    TCommandLine line;
    if (!ParseCommand("extract", args, ExtractOptions, line, exitStatus))
        return false;
    if (line.Operands().empty()) {
        exitStatus = UsageError("extract", "no archive given");
        return false;
    }
    if (line.Has("jobs") && !ParseWorkers(line.Last("jobs"), parsed.Options.Workers)) {
        exitStatus = UsageError("extract", "-j takes a number from 1 to 256, not '" + line.Last("jobs") + "'");
        return false;
    }
    if (line.Has("stdout") && line.Has("d")) {
        exitStatus = UsageError("extract", "-p writes to standard output and takes no -d");
        return false;
    }
    if (line.Has("d"))
        parsed.Folder = line.Last("d");
    parsed.Options.WithFolders = !line.Has("flat");
    parsed.Options.Overwrite = line.Has("overwrite");
    if (line.Has("password-file"))
        parsed.PasswordFile = line.Last("password-file");
    parsed.Excluded = line.Values("exclude");
    parsed.Quiet = line.Has("quiet");
    parsed.Verbose = line.Has("verbose");
    parsed.ToStdout = line.Has("stdout");
    parsed.Archive = line.Operands()[0];
    parsed.Names.assign(line.Operands().begin() + 1, line.Operands().end());
    return true;
}

// Words the job's questions and results on stderr, and asks for passwords.
class TStderrReceiver : public TExtractReceiver {
public:
    // `bytesCounted`: the job counts progress in bytes (the selection holds
    // some), not in entries, which would read as bytes on the terminal.
    TStderrReceiver(TCliPasswordProvider* passwords, bool verbose, bool bytesCounted, TTerminalReport& report)
        : FPasswords(passwords), FVerbose(verbose), FBytesCounted(bytesCounted), FReport(report)
    {
    }

    // Files that stood before the run are kept; one line each only with -v,
    // else a count at the end (a second extraction would bury every failure).
    TReplaceAnswer AskReplace(const TZipEntry& entry, const std::string&, const TExistingNode&) override
    {
        ++FKept;
        if (FVerbose) {
            FReport.Erase();
            PrintEntryError(entry.FileName, "exists, kept (--overwrite replaces it)");
        }
        return raKeep;
    }
    uint64_t Kept() const { return FKept; }
    bool Progress(uint64_t done, uint64_t) override
    {
        if (FBytesCounted)
            FReport.Progress(done);
        return true;
    }
    void EntryDone(const TEntryOutcome& outcome) override
    {
        const bool file = !IsFolderName(outcome.Entry.FileName);
        FDecoded += file ? 1 : 0;
        if (outcome.Result != erOk) {
            FReport.Erase();
            PrintEntryError(outcome.Entry.FileName, ResultText(outcome.Result, outcome.Entry, outcome.OutputError));
        } else if ((outcome.Written || FTesting) && file)
            FReport.FileDone(outcome.Entry.UncompressedSize);
    }
    // A test counts what it decoded (folder entries have nothing to decode).
    void SetTesting() { FTesting = true; }
    uint64_t Decoded() const { return FDecoded; }
    TPasswordAnswer AskPassword(const TZipEntry& entry, bool wrongBefore, TSecret& password) override
    {
        if (!FPasswords)
            return paCancelled;  // nobody to ask: the entry fails as encrypted
        FReport.Erase();
        // A new entry gets its own tries; one asked again keeps counting.
        if (entry.LocalHeaderOffset != FAskedOffset || !FAskedBefore) {
            FPasswords->SetEntryName(entry.FileName);
            FAskedOffset = entry.LocalHeaderOffset;
            FAskedBefore = true;
        }
        return FPasswords->AskPassword(wrongBefore, password);
    }

private:
    TCliPasswordProvider* FPasswords;
    bool FVerbose;
    bool FBytesCounted;
    TTerminalReport& FReport;
    uint64_t FKept = 0;
    bool FTesting = false;
    uint64_t FDecoded = 0;
    uint64_t FAskedOffset = 0;
    bool FAskedBefore = false;
};

// Makes the target folder when it is missing and opens it for the job;
// false, said with its reason, when it cannot be made, opened or written.
bool PrepareTarget(TExtractJob& job, const std::string& folder)
{
    int systemError = platform::CreateFolders(folder);
    if (systemError == 0)
        systemError = job.OpenTarget(folder);
    if (systemError == 0)
        systemError = platform::FolderWriteError(folder);
    if (systemError == 0)
        return true;
    PrintError("target folder '" + EscapedName(folder) + "' cannot be used: " + platform::ErrorText(systemError));
    return false;
}

// Each entry left out because an earlier one of the run lands on its file; false when there was one.
bool ReportClashes(const TArchiveSelection& selection)
{
    for (const TClash& clash : selection.Clashes())
        PrintEntryError(clash.EntryName,
                        "same name as an earlier entry of this run (" + EscapedName(clash.Target) + "), not written");
    return selection.Clashes().empty();
}

// Standard input cannot carry both the archive and the password.
bool BothFromStdin(const std::string& archive, const std::optional<std::string>& passwordFile)
{
    return archive == "-" && passwordFile && *passwordFile == "-";
}

// Runs the job with Ctrl+C routed to it; false, said on stderr, when it was interrupted.
bool RunWithInterrupt(TExtractJob& job, TEntrySelection& selection, TTerminalReport& report, TJobSummary& summary)
{
    {
        const TInterruptGuard guard(job);
        summary = job.Run(selection);
    }
    if (!summary.Aborted)
        return true;
    report.Erase();
    PrintError("interrupted");
    return false;
}

int ExtractToFolder(const TExtractArgs& parsed, const TZipArchive& archive, TArchiveSelection& selection,
                    TCliPasswordProvider* passwords)
{
    TTerminalReport report(!parsed.Quiet && platform::StderrIsTerminal());
    TStderrReceiver receiver(passwords, parsed.Verbose, selection.TotalBytes() > 0, report);
    TExtractJob job(archive, parsed.Options, receiver);
    // Names that match nothing make no folder for nothing.
    if (selection.Count() > 0 && !PrepareTarget(job, parsed.Folder))
        return ExitCannotOpen;
    const bool allFound = ReportNamesNotFound(selection);
    const bool noClash = ReportClashes(selection);
    TJobSummary summary;
    if (!RunWithInterrupt(job, selection, report, summary))
        return ExitInterrupted;
    // One line for a full disk: every entry behind it would only fail the same way.
    if (summary.DiskError != 0) {
        report.Erase();
        PrintError("no room left on the target (" + platform::ErrorText(summary.DiskError) + "): " +
                   Counted(summary.NotExtracted, "entry", "entries") + " not extracted");
        return ExitEntryFailed;
    }
    report.Finish();
    if (receiver.Kept() > 0 && !parsed.Verbose && !parsed.Quiet)
        PrintError(GroupedNumber(receiver.Kept()) + (receiver.Kept() == 1 ? " existing file" : " existing files") +
                   " kept; --overwrite replaces them");
    // The entries behind the damage were never seen: the archive as a whole could not be read.
    if (archive.Kind() == akDamaged)
        return ExitCannotOpen;
    return allFound && noClash && summary.Failed == 0 ? ExitOk : ExitEntryFailed;
}

}  // namespace

int RunExtractCommand(const std::vector<std::string>& args)
{
    TExtractArgs parsed;
    int exitStatus = ExitOk;
    if (!ParseExtractArgs(args, parsed, exitStatus))
        return exitStatus;
    if (BothFromStdin(parsed.Archive, parsed.PasswordFile))
        return UsageError("extract", "standard input cannot carry both the archive and the password");
    TZipArchive archive;
    TArchiveInput input;
    if (!input.Open(archive, parsed.Archive))
        return ExitCannotOpen;
    bool passwordUsable = true;
    const auto passwords = PasswordProvider(parsed.PasswordFile, passwordUsable);
    if (!passwordUsable)
        return ExitCannotOpen;
    const TClashCheck clashes = parsed.ToStdout ? ccNone : parsed.Options.WithFolders ? ccWithFolders : ccFlat;
    TArchiveSelection selection(archive, NameFilter(parsed.Names, parsed.Excluded), clashes);
    if (!parsed.ToStdout)
        return ExtractToFolder(parsed, archive, selection, passwords.get());
    const bool allFound = ReportNamesNotFound(selection);
    // Standard output carries the bytes: no progress or summary beside them.
    const TDecodeCounts counts = DecodeToStdout(archive, selection, passwords.get());
    if (archive.Kind() == akDamaged)
        return ExitCannotOpen;
    return allFound && counts.Failed == 0 ? ExitOk : ExitEntryFailed;
}

int RunTestCommand(const std::vector<std::string>& args)
{
    TCommandLine line;
    int exitStatus = ExitOk;
    if (!ParseCommand("test", args, {{0, "password-file", true}, {'x', "exclude", true}, {'q', "quiet", false}},
                      line, exitStatus))
        return exitStatus;
    if (line.Operands().empty())
        return UsageError("test", "no archive given");
    std::optional<std::string> passwordFile;
    if (line.Has("password-file"))
        passwordFile = line.Last("password-file");
    if (BothFromStdin(line.Operands()[0], passwordFile))
        return UsageError("test", "standard input cannot carry both the archive and the password");
    TZipArchive archive;
    TArchiveInput input;
    if (!input.Open(archive, line.Operands()[0]))
        return ExitCannotOpen;
    bool passwordUsable = true;
    const auto passwords = PasswordProvider(passwordFile, passwordUsable);
    if (!passwordUsable)
        return ExitCannotOpen;
    TArchiveSelection selection(archive, NameFilter({line.Operands().begin() + 1, line.Operands().end()},
                                                    line.Values("exclude")));
    const bool allFound = ReportNamesNotFound(selection);
    const bool quiet = line.Has("quiet");
    TTerminalReport report(!quiet && platform::StderrIsTerminal());
    // The job's test mode: the same workers, order and password handling as an extraction.
    TStderrReceiver receiver(passwords.get(), false, false, report);
    receiver.SetTesting();
    TJobOptions options;
    options.TestOnly = true;
    TExtractJob job(archive, options, receiver);
    TJobSummary summary;
    if (!RunWithInterrupt(job, selection, report, summary))
        return ExitInterrupted;
    report.Finish();
    const uint64_t failed = summary.Failed + (archive.Kind() == akDamaged ? 1 : 0);  // the unreadable rest counts as one
    if (!quiet)
        std::printf("%s tested, %llu failed\n", Counted(receiver.Decoded(), "entry", "entries").c_str(),
                    static_cast<unsigned long long>(failed));
    if (archive.Kind() == akDamaged)
        return ExitCannotOpen;  // the damage is told as list and extract tell it
    return allFound && failed == 0 ? ExitOk : ExitEntryFailed;
}

}  // namespace valbrix::cli
