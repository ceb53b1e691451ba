// `valbrix-cli extract` and `valbrix-cli test`: run the extraction driver
// over every entry of an archive (or the named ones), in archive order.
// Entry names come from the archive and are not trusted: the engine's
// containment rule (engine/TargetPath.h) keeps everything below the target
// folder. The driver changes the
// current directory while it creates folders, so every path handed to it is
// absolute. Each failed or refused entry gives one line on stderr; the exit
// status says whether all succeeded.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "cli/Commands.h"
#include "engine/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "engine/TargetPath.h"
#include "engine/ZipDirectory.h"

namespace valbrix::cli {

namespace {

namespace fs = std::filesystem;

struct TExtractOptions {
    std::string Folder = ".";
    bool Flat = false;
    bool Overwrite = false;
    std::string Archive;
    std::vector<std::string> Names;  // empty: every entry
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
    default: return "unknown result";
    }
}

void ReportFailure(const std::string& name, int code)
{
    std::fprintf(stderr, "%s: %d %s\n", name.c_str(), code, ResultMeaning(code));
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

// Reads the archive's directory the way `list` does; nothing when it cannot
// be opened. A damaged directory gives the entries that could be read, with
// `damaged` set and the warning printed.
std::optional<std::vector<TZipEntry>> ReadEntries(const std::string& archive, bool& damaged)
{
    std::vector<TZipEntry> entries;
    const TDirectoryStatus status = ListZipEntries(archive, entries);
    if (status == dsNone && IsEmptyZipArchive(archive))
        return entries;
    if (status == dsNone) {
        std::fprintf(stderr, "valbrix-cli: '%s' is not a ZIP archive that can be opened\n", archive.c_str());
        return std::nullopt;
    }
    damaged = status == dsDamaged;
    if (damaged)
        WarnDamagedDirectory(archive, entries.size());
    return entries;
}

// Keeps the entries whose names were asked for; a name that matches nothing is reported.
bool SelectEntries(std::vector<TZipEntry>& entries, const std::vector<std::string>& names)
{
    if (names.empty())
        return true;
    bool allFound = true;
    std::vector<TZipEntry> selected;
    std::vector<bool> taken(entries.size(), false);
    for (const std::string& name : names) {
        bool found = false;
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].FileName == name) {
                found = true;
                taken[i] = true;
            }
        if (!found) {
            std::fprintf(stderr, "%s: not found in the archive\n", name.c_str());
            allFound = false;
        }
    }
    for (size_t i = 0; i < entries.size(); ++i)
        if (taken[i])
            selected.push_back(entries[i]);
    entries.swap(selected);
    return allFound;
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
                     entry.FileName.c_str());
        return false;
    }
    std::error_code error;
    if (!folderEntry && !options.Overwrite && fs::exists(fs::symlink_status(*target, error))) {
        std::fprintf(stderr, "%s: exists, kept (use --overwrite to replace it)\n", entry.FileName.c_str());
        return true;
    }
    const int code = driver.ExtractEntry(archive, *target, entry.Attributes, entry.LocalHeaderOffset, nullptr, 0,
                                         entry.CompressedSize, entry.UncompressedSize);
    if (code != erOk)
        ReportFailure(entry.FileName, code);
    return code == erOk;
}

}  // namespace

int RunExtractCommand(const std::vector<std::string>& args)
{
    TExtractOptions options;
    if (!ParseExtractArgs(args, options)) {
        std::fputs("valbrix-cli: usage: extract [-d FOLDER] [--flat] [--overwrite] ARCHIVE [NAME...]\n", stderr);
        return ExitCannotOpen;
    }
    // Both made absolute before anything can move the current directory.
    const std::string archive = AbsolutePath(options.Archive);
    const std::string folder = AbsolutePath(options.Folder);
    bool damaged = false;
    std::optional<std::vector<TZipEntry>> entries = ReadEntries(archive, damaged);
    if (!entries)
        return ExitCannotOpen;
    std::error_code error;
    fs::create_directories(folder, error);
    if (!fs::is_directory(folder, error)) {
        std::fprintf(stderr, "valbrix-cli: target folder '%s' cannot be created\n", folder.c_str());
        return ExitCannotOpen;
    }
    bool allOk = SelectEntries(*entries, options.Names);
    TExtractionDriver driver;
    for (const TZipEntry& entry : *entries)
        allOk = ExtractOne(driver, archive, entry, folder, options) && allOk;
    // The entries behind the damage were never seen: the archive as a whole could not be read.
    if (damaged)
        return ExitCannotOpen;
    return allOk ? ExitOk : ExitEntryFailed;
}

int RunTestCommand(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fputs("valbrix-cli: test takes exactly one archive (try --help)\n", stderr);
        return ExitCannotOpen;
    }
    const std::string archive = AbsolutePath(args[0]);
    bool damaged = false;
    std::optional<std::vector<TZipEntry>> entries = ReadEntries(archive, damaged);
    if (!entries)
        return ExitCannotOpen;
    TExtractionDriver driver;
    size_t failed = damaged ? 1 : 0;  // the unreadable rest of the directory counts as one failure
    for (const TZipEntry& entry : *entries) {
        if (IsFolderName(entry.FileName))
            continue;
        const int code = driver.TestEntry(archive, entry.LocalHeaderOffset, nullptr, 0, entry.CompressedSize,
                                          entry.UncompressedSize);
        if (code != erOk) {
            ReportFailure(entry.FileName, code);
            ++failed;
        }
    }
    std::printf("%zu entries tested, %zu failed\n", entries->size(), failed);
    return failed == 0 ? ExitOk : ExitEntryFailed;
}

}  // namespace valbrix::cli
