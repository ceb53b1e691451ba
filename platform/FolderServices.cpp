// Folder services; see the header. RemoveTree works on descriptors (openat,
// unlinkat with O_NOFOLLOW) so a symbolic link planted inside the tree, or a
// folder swapped for one while we walk, can never lead the removal outside.
#include "FolderServices.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace valbrix::platform {

namespace {

// Empties the folder open as dirFd (taken over and closed here).
void RemoveContents(int dirFd, const std::string& path, const std::function<void(const std::string&)>& fileNotRemoved)
{
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        close(dirFd);
        return;
    }
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string full = path + '/' + name;
        struct stat info {};
        if (fstatat(dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            const int child = openat(dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                RemoveContents(child, full, fileNotRemoved);
            unlinkat(dirfd(dir), name.c_str(), AT_REMOVEDIR);
        } else if (unlinkat(dirfd(dir), name.c_str(), 0) != 0) {
            fileNotRemoved(full);
        }
    }
    closedir(dir);
}

}  // namespace

bool IsSameFile(const std::string& first, const std::string& second)
{
    struct stat a {}, b {};
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

std::string TemporaryFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

bool CreatePrivateFolder(const std::string& path)
{
    // mkdir never reuses an existing name (EEXIST), which is the exclusivity we need.
    return mkdir(path.c_str(), 0700) == 0;
}

bool RemoveTree(const std::string& folder, const std::function<void(const std::string&)>& fileNotRemoved)
{
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    RemoveContents(fd, path, fileNotRemoved);
    return rmdir(path.c_str()) == 0;
}

int FolderWriteError(const std::string& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

int FileWriteError(const std::string& file)
{
    return ::access(file.c_str(), W_OK) == 0 ? 0 : errno;
}

}  // namespace valbrix::platform
