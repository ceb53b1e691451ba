// `valbrix-cli extract` and `valbrix-cli test`: adapters over the engine's
// archive object and extraction job. Entry names come from the archive and
// are not trusted; the job's containment rule keeps everything below the
// target folder, which it holds by a handle, so relative paths stay what
// they were when the command started. Each failed, refused or kept entry
// gives one line on stderr, in archive order whatever the number of
// workers; the exit status says whether all succeeded. Ctrl+C stops every
// worker, and the entry being written leaves nothing behind. Encrypted
// entries take the password from --password-file or a prompt without echo
// (cli/Password.h), asked on this thread in archive order.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "cli/Commands.h"
#include "cli/NameText.h"
#include "cli/Password.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/extract/ExtractJob.h"
#include "engine/extract/TargetPath.h"

namespace valbrix::cli {

namespace {

namespace fs = std::filesystem;

struct TExtractArgs {
    std::string Folder = ".";
    TJobOptions Options;
    std::string Archive;
    std::vector<std::string> Names;  // empty: every entry
    std::optional<std::string> PasswordFile;
};

// The one way a signal handler can reach the running job.
std::atomic<TExtractJob*> InterruptedJob{nullptr};
static_assert(std::atomic<TExtractJob*>::is_always_lock_free);

void OnInterrupt(int)
{
    if (TExtractJob* job = InterruptedJob.load())
        job->Abort();
}

// Routes Ctrl+C to the job while it runs, and back to the default after.
class TInterruptGuard {
public:
    explicit TInterruptGuard(TExtractJob& job)
    {
        InterruptedJob.store(&job);
        std::signal(SIGINT, OnInterrupt);
    }
    ~TInterruptGuard()
    {
        std::signal(SIGINT, SIG_DFL);
        InterruptedJob.store(nullptr);
    }
    TInterruptGuard(const TInterruptGuard&) = delete;
    TInterruptGuard& operator=(const TInterruptGuard&) = delete;
};

const char* ResultMeaning(int code)
{
    switch (code) {
    case erBusy: return "engine busy";
    case erCrc: return "CRC error";
    case erOutput: return "output file cannot be created or written";
    case erRead: return "archive cannot be read or its data ended early";
    case erFormat: return "bad local header or malformed compressed data";
    case erAborted: return "aborted";
    case erUnsupported: return "unsupported compression method";
    case erMemoryLimit: return "dictionary or window over 256 MB";
    case erEncrypted: return "encrypted entry";
    case erWrongPassword: return "wrong password or damaged data";
    case erEncryptionUnsupported: return "encryption method not supported";
    case erNameRefused: return "refused, the name leaves the target folder or names nothing";
    default: return "unknown result";
    }
}

// A failed output step names its cause, so a full disk reads differently
// from missing rights or a name too long for the file system.
void ReportFailure(const std::string& name, int code, int systemError = 0)
{
    if (code == erNameRefused) {  // not the engine failing: the name's own fault, said as such
        std::fprintf(stderr, "%s: %s\n", EscapedName(name).c_str(), ResultMeaning(code));
        return;
    }
    if (code == erOutput && systemError != 0)
        std::fprintf(stderr, "%s: %d %s: %s\n", EscapedName(name).c_str(), code, ResultMeaning(code),
                     std::strerror(systemError));
    else
        std::fprintf(stderr, "%s: %d %s\n", EscapedName(name).c_str(), code, ResultMeaning(code));
}

// -j N, -jN; 0 and non-numbers are refused.
bool ParseWorkers(const std::string& text, unsigned& workers)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value == 0 || value > 256)
        return false;
    workers = unsigned(value);
    return true;
}

bool ParseExtractArgs(const std::vector<std::string>& args, TExtractArgs& parsed)
{
    size_t i = 0;
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
        if (args[i] == "--flat")
            parsed.Options.WithFolders = false;
        else if (args[i] == "--overwrite")
            parsed.Options.Overwrite = true;
        else if (args[i] == "-d" && i + 1 < args.size())
            parsed.Folder = args[++i];
        else if (args[i] == "--password-file" && i + 1 < args.size())
            parsed.PasswordFile = args[++i];
        else if (args[i] == "-j" && i + 1 < args.size()) {
            if (!ParseWorkers(args[++i], parsed.Options.Workers))
                return false;
        } else if (args[i].rfind("-j", 0) == 0) {
            if (!ParseWorkers(args[i].substr(2), parsed.Options.Workers))
                return false;
        } else if (args[i] == "--") {
            ++i;
            break;
        } else
            return false;
    }
    if (i >= args.size())
        return false;
    parsed.Archive = args[i];
    parsed.Names.assign(args.begin() + long(i) + 1, args.end());
    return true;
}

// Opens the archive and tells stderr what is wrong with it. False when it
// cannot be opened; a damaged directory is warned about and still used.
bool OpenArchive(TZipArchive& archive, const std::string& name)
{
    const TArchiveKind kind = archive.Open(name);
    if (kind == akNotArchive) {
        if (!WarnSetProblem(archive.Path(), archive))
            std::fprintf(stderr, "valbrix-cli: '%s' is not a ZIP archive that can be opened\n",
                         EscapedName(archive.Path()).c_str());
        return false;
    }
    if (kind == akDamaged)
        WarnDamagedDirectory(archive.Path(), archive);
    return true;
}

// The password file when one is named (null and a line on stderr when it
// cannot be read), else the terminal when there is one. `usable` is false
// only for a password file that cannot be read.
std::unique_ptr<TCliPasswordProvider> PasswordProvider(const std::optional<std::string>& passwordFile, bool& usable)
{
    usable = true;
    if (!passwordFile)
        return TCliPasswordProvider::FromTerminal();
    auto provider = TCliPasswordProvider::FromFile(*passwordFile);
    usable = provider != nullptr;
    return provider;
}

// Words the job's questions and results on stderr, and asks for passwords.
class TStderrReceiver : public TExtractReceiver {
public:
    explicit TStderrReceiver(TCliPasswordProvider* passwords) : FPasswords(passwords) {}

    TReplaceAnswer AskReplace(const TZipEntry& entry, const std::string&, const TExistingNode&) override
    {
        std::fprintf(stderr, "%s: exists, kept (use --overwrite to replace it)\n", EscapedName(entry.FileName).c_str());
        return raKeep;
    }
    bool Progress(uint64_t, uint64_t) override { return true; }
    void EntryDone(const TEntryOutcome& outcome) override
    {
        if (outcome.Result != erOk)
            ReportFailure(outcome.Entry.FileName, outcome.Result, outcome.OutputError);
    }
    TPasswordAnswer AskPassword(const TZipEntry& entry, bool wrongBefore, TSecret& password) override
    {
        if (!FPasswords)
            return paCancelled;  // nobody to ask: the entry fails as encrypted
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
    uint64_t FAskedOffset = 0;
    bool FAskedBefore = false;
};

}  // namespace

int RunExtractCommand(const std::vector<std::string>& args)
{
    TExtractArgs parsed;
    if (!ParseExtractArgs(args, parsed)) {
        std::fputs("valbrix-cli: usage: extract [-d FOLDER] [--flat] [--overwrite] [-j N] [--password-file FILE] "
                   "ARCHIVE [NAME...]\n",
                   stderr);
        return ExitCannotOpen;
    }
    TZipArchive archive;
    if (!OpenArchive(archive, parsed.Archive))
        return ExitCannotOpen;
    bool passwordUsable = true;
    const auto passwords = PasswordProvider(parsed.PasswordFile, passwordUsable);
    if (!passwordUsable)
        return ExitCannotOpen;
    TArchiveSelection selection(archive, parsed.Names);
    std::error_code error;
    fs::create_directories(parsed.Folder, error);
    TStderrReceiver receiver(passwords.get());
    TExtractJob job(archive, parsed.Options, receiver);
    if (job.OpenTarget(parsed.Folder) != 0) {
        std::fprintf(stderr, "valbrix-cli: target folder '%s' cannot be created\n",
                     EscapedName(parsed.Folder).c_str());
        return ExitCannotOpen;
    }
    bool allOk = true;
    for (const std::string& name : selection.NamesNotFound()) {
        std::fprintf(stderr, "%s: not found in the archive\n", EscapedName(name).c_str());
        allOk = false;
    }
    TJobSummary summary;
    {
        const TInterruptGuard guard(job);
        summary = job.Run(selection);
    }
    if (summary.Aborted) {
        std::fputs("valbrix-cli: interrupted\n", stderr);
        return ExitInterrupted;
    }
    // The entries behind the damage were never seen: the archive as a whole could not be read.
    if (archive.Kind() == akDamaged)
        return ExitCannotOpen;
    return allOk && summary.Failed == 0 ? ExitOk : ExitEntryFailed;
}

int RunTestCommand(const std::vector<std::string>& args)
{
    std::optional<std::string> passwordFile;
    size_t at = 0;
    if (args.size() == 3 && args[0] == "--password-file") {
        passwordFile = args[1];
        at = 2;
    }
    if (args.size() != at + 1) {
        std::fputs("valbrix-cli: test takes [--password-file FILE] and exactly one archive (try --help)\n", stderr);
        return ExitCannotOpen;
    }
    TZipArchive archive;
    if (!OpenArchive(archive, args[at]))
        return ExitCannotOpen;
    bool passwordUsable = true;
    const auto passwords = PasswordProvider(passwordFile, passwordUsable);
    if (!passwordUsable)
        return ExitCannotOpen;
    TExtractionDriver driver;
    driver.SetPasswordProvider(passwords.get());
    if (archive.Reader())
        driver.LendArchive(*archive.Reader());
    size_t tested = 0;
    size_t failed = archive.Kind() == akDamaged ? 1 : 0;  // the unreadable rest of the directory counts as one failure
    archive.ForEachEntry([&](const TZipEntry& entry) {
        if (IsFolderName(entry.FileName))  // nothing to decode: not counted as tested
            return true;
        ++tested;
        if (passwords)
            passwords->SetEntryName(entry.FileName);
        // A damaged entry's data is not all there: it fails unread.
        const int code = entry.Damage != edNone ? erRead
                                                : driver.TestEntry(entry.LocalHeaderOffset, entry.CompressedSize,
                                                                   entry.UncompressedSize);
        if (code != erOk) {
            ReportFailure(entry.FileName, code);
            ++failed;
        }
        return true;
    });
    std::printf("%zu entries tested, %zu failed\n", tested, failed);
    if (archive.Kind() == akDamaged)
        return ExitCannotOpen;  // the damage is told as for list and extract
    return failed == 0 ? ExitOk : ExitEntryFailed;
}

}  // namespace valbrix::cli
