// `valbrix-cli extract` and `valbrix-cli test`: run the extraction driver
// over every entry of an archive (or the named ones), in archive order.
// Entry names come from the archive and are not trusted: the engine's
// containment rule (engine/TargetPath.h) keeps everything below the target
// folder. The driver changes the
// current directory while it creates folders, so every path handed to it is
// absolute. Each failed or refused entry gives one line on stderr; the exit
// status says whether all succeeded. Encrypted entries take the password
// from --password-file or a prompt without echo (cli/Password.h).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "cli/Commands.h"
#include "cli/NameText.h"
#include "cli/Password.h"
#include "engine/archive/ArchiveReader.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "engine/extract/TargetPath.h"
#include "engine/archive/ZipDirectory.h"

namespace valbrix::cli {

namespace {

namespace fs = std::filesystem;

struct TExtractOptions {
    std::string Folder = ".";
    bool Flat = false;
    bool Overwrite = false;
    std::string Archive;
    std::vector<std::string> Names;  // empty: every entry
    std::optional<std::string> PasswordFile;
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
    case erEncrypted: return "encrypted entry";
    case erWrongPassword: return "wrong password or damaged data";
    case erEncryptionUnsupported: return "encryption method not supported";
    default: return "unknown result";
    }
}

// A failed output step names its cause, so a full disk reads differently
// from missing rights or a name too long for the file system.
void ReportFailure(const std::string& name, int code, int systemError = 0)
{
    if (code == erOutput && systemError != 0)
        std::fprintf(stderr, "%s: %d %s: %s\n", EscapedName(name).c_str(), code, ResultMeaning(code),
                     std::strerror(systemError));
    else
        std::fprintf(stderr, "%s: %d %s\n", EscapedName(name).c_str(), code, ResultMeaning(code));
}

bool ParseExtractArgs(const std::vector<std::string>& args, TExtractOptions& options)
{
    size_t i = 0;
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
        if (args[i] == "--flat")
            options.Flat = true;
        else if (args[i] == "--overwrite")
            options.Overwrite = true;
        else if (args[i] == "-d" && i + 1 < args.size())
            options.Folder = args[++i];
        else if (args[i] == "--password-file" && i + 1 < args.size())
            options.PasswordFile = args[++i];
        else if (args[i] == "--") {
            ++i;
            break;
        } else
            return false;
    }
    if (i >= args.size())
        return false;
    options.Archive = args[i];
    options.Names.assign(args.begin() + long(i) + 1, args.end());
    return true;
}

// Calls visit(entry) for each entry of the archive's directory, in archive
// order, holding one entry at a time: memory stays the same whatever the
// entry count. Returns the directory's status, dsNone when the archive
// cannot be opened.
template <typename TVisit>
TDirectoryStatus WalkEntries(const std::string& archive, TVisit visit)
{
    if (!IsZipArchive(archive))
        return dsNone;
    TZipDirectory directory;
    int result = OpenZipDirectory(archive, directory);
    for (; result == drEntry; result = NextZipEntry(directory))
        visit(directory.Entry);
    CloseZipDirectory(directory);
    return result < 0 ? dsNone : directory.Status;
}

// The first walk over the directory, before anything is written: whether it
// can be opened (an empty archive can), whether it is damaged (then warned
// about), and which of the names asked for it holds. False when it cannot be
// opened, with the line on stderr.
bool SurveyEntries(const std::string& archive, const std::vector<std::string>& names, bool& damaged,
                   std::vector<bool>& found)
{
    found.assign(names.size(), false);
    uint64_t count = 0;
    const TDirectoryStatus status = WalkEntries(archive, [&](const TZipEntry& entry) {
        ++count;
        for (size_t i = 0; i < names.size(); ++i)
            found[i] = found[i] || entry.FileName == names[i];
    });
    if (status == dsNone && IsEmptyZipArchive(archive))
        return true;
    if (status == dsNone) {
        std::fprintf(stderr, "valbrix-cli: '%s' is not a ZIP archive that can be opened\n",
                     EscapedName(archive).c_str());
        return false;
    }
    damaged = status == dsDamaged;
    if (damaged)
        WarnDamagedDirectory(archive, count);
    return true;
}

// Reports each name asked for that matches no entry; false when there was one.
bool ReportNamesNotFound(const std::vector<std::string>& names, const std::vector<bool>& found)
{
    bool allFound = true;
    for (size_t i = 0; i < names.size(); ++i)
        if (!found[i]) {
            std::fprintf(stderr, "%s: not found in the archive\n", EscapedName(names[i]).c_str());
            allFound = false;
        }
    return allFound;
}

// The archive stays open for the whole run, so the driver need not ask the
// file system for each entry whether it is still the same file.
void HoldArchiveOpen(TExtractionDriver& driver, const std::string& archive)
{
    auto file = std::make_unique<TFileArchiveReader>();
    if (file->Open(archive) == 0)
        driver.UseArchive(archive, std::move(file));
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

bool IsSelected(const TZipEntry& entry, const std::vector<std::string>& names)
{
    return names.empty() || std::find(names.begin(), names.end(), entry.FileName) != names.end();
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error).lexically_normal();
    std::string text = absolute.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// Extracts one entry below `folder`; false when it failed or was refused.
bool ExtractOne(TExtractionDriver& driver, const std::string& archive, const TZipEntry& entry,
                const std::string& folder, const TExtractOptions& options)
{
    const bool folderEntry = IsFolderName(entry.FileName);
    if (folderEntry && options.Flat)
        return true;
    const std::optional<std::string> target = EntryTargetPath(folder, entry.FileName, !options.Flat);
    if (!target) {
        std::fprintf(stderr, "%s: refused, the name leaves the target folder or names nothing\n",
                     EscapedName(entry.FileName).c_str());
        return false;
    }
    std::error_code error;
    if (!folderEntry && !options.Overwrite && fs::exists(fs::symlink_status(*target, error))) {
        std::fprintf(stderr, "%s: exists, kept (use --overwrite to replace it)\n", EscapedName(entry.FileName).c_str());
        return true;
    }
    const int code = driver.ExtractEntry(archive, *target, entry.Attributes, entry.LocalHeaderOffset, nullptr, 0,
                                         entry.CompressedSize, entry.UncompressedSize);
    if (code != erOk)
        ReportFailure(entry.FileName, code, driver.OutputError());
    return code == erOk;
}

}  // namespace

int RunExtractCommand(const std::vector<std::string>& args)
{
    TExtractOptions options;
    if (!ParseExtractArgs(args, options)) {
        std::fputs("valbrix-cli: usage: extract [-d FOLDER] [--flat] [--overwrite] [--password-file FILE] ARCHIVE "
                   "[NAME...]\n",
                   stderr);
        return ExitCannotOpen;
    }
    // Both made absolute before anything can move the current directory.
    const std::string archive = AbsolutePath(options.Archive);
    const std::string folder = AbsolutePath(options.Folder);
    bool damaged = false;
    std::vector<bool> found;
    if (!SurveyEntries(archive, options.Names, damaged, found))
        return ExitCannotOpen;
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error)) {
        std::fprintf(stderr, "valbrix-cli: target folder '%s' cannot be created\n", EscapedName(folder).c_str());
        return ExitCannotOpen;
    }
    bool passwordUsable = true;
    const auto passwords = PasswordProvider(options.PasswordFile, passwordUsable);
    if (!passwordUsable)
        return ExitCannotOpen;
    bool allOk = ReportNamesNotFound(options.Names, found);
    TExtractionDriver driver;
    driver.SetPasswordProvider(passwords.get());
    HoldArchiveOpen(driver, archive);
    WalkEntries(archive, [&](const TZipEntry& entry) {
        if (!IsSelected(entry, options.Names))
            return;
        if (passwords)
            passwords->SetEntryName(entry.FileName);
        allOk = ExtractOne(driver, archive, entry, folder, options) && allOk;
    });
    // The entries behind the damage were never seen: the archive as a whole could not be read.
    if (damaged)
        return ExitCannotOpen;
    return allOk ? ExitOk : ExitEntryFailed;
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
    const std::string archive = AbsolutePath(args[at]);
    bool damaged = false;
    std::vector<bool> found;
    if (!SurveyEntries(archive, {}, damaged, found))
        return ExitCannotOpen;
    bool passwordUsable = true;
    const auto passwords = PasswordProvider(passwordFile, passwordUsable);
    if (!passwordUsable)
        return ExitCannotOpen;
    TExtractionDriver driver;
    driver.SetPasswordProvider(passwords.get());
    HoldArchiveOpen(driver, archive);
    size_t tested = 0;
    size_t failed = damaged ? 1 : 0;  // the unreadable rest of the directory counts as one failure
    WalkEntries(archive, [&](const TZipEntry& entry) {
        if (IsFolderName(entry.FileName))  // nothing to decode: not counted as tested
            return;
        ++tested;
        if (passwords)
            passwords->SetEntryName(entry.FileName);
        const int code = driver.TestEntry(archive, entry.LocalHeaderOffset, nullptr, 0, entry.CompressedSize,
                                          entry.UncompressedSize);
        if (code != erOk) {
            ReportFailure(entry.FileName, code);
            ++failed;
        }
    });
    std::printf("%zu entries tested, %zu failed\n", tested, failed);
    return failed == 0 ? ExitOk : ExitEntryFailed;
}

}  // namespace valbrix::cli
