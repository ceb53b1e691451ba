// Whole-file reading and atomic replacement; see WholeFile.h.
#include "WholeFile.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

#include "FileServices.h"

namespace valbrix::platform {

namespace {

// Where a replacement must go: the final target of a symbolic link, or the
// path itself (also for a dangling link, which then becomes a file).
std::string ReplacementTarget(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

int SyncAndClose(TFile& file)
{
    const int synced = file.Sync();
    const int closed = file.Close();
    return synced != 0 ? synced : closed;
}

}  // namespace

TWholeFile ReadWholeFile(const std::string& path, uint64_t maxBytes)
{
    TWholeFile result;
    TFile file;
    if ((result.ErrorCode = file.OpenRegularRead(path)) != 0)
        return result;
    char buffer[65536];
    for (;;) {
        const long got = file.Read(buffer, sizeof buffer);
        if (got < 0) {
            result.ErrorCode = errno != 0 ? errno : EIO;
            break;
        }
        if (got == 0)
            break;
        if (result.Bytes.size() + uint64_t(got) > maxBytes) {
            result.ErrorCode = EFBIG;
            break;
        }
        result.Bytes.append(buffer, size_t(got));
    }
    // Half a file must never be taken for the whole one.
    if (result.ErrorCode != 0)
        result.Bytes.clear();
    return result;
}

int ReplaceWholeFile(const std::string& path, const std::string& bytes)
{
    const std::string target = ReplacementTarget(path);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    const TFileMode mode = existed ? TFileMode(old.st_mode & 07777) : 0666 & ~ReadUmask();

    TFile file;
    if (const int created = file.CreateTempBeside(target); created != 0)
        return created;
    const std::string temporary = file.Path();
    int error = 0;
    if (!file.WriteAll(bytes.data(), bytes.size()))
        error = errno != 0 ? errno : EIO;
    else if (!file.SetMode(mode))
        error = errno != 0 ? errno : EPERM;
    const int closed = SyncAndClose(file);
    if (error == 0)
        error = closed;
    if (error == 0 && !RenameFile(temporary, target))
        error = errno != 0 ? errno : EIO;
    if (error != 0)
        RemoveFile(temporary);
    return error;
}

}  // namespace valbrix::platform
