// POSIX implementation of the extraction side's file services. System calls
// interrupted by a signal are retried; short reads and writes are continued,
// so callers see either the whole count or a failure.
#include "FileServices.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace valbrix::platform {

static_assert(MaxPathBytes == PATH_MAX - 1);

namespace {

// The folder part of `path` with its '/', or "" for a bare name.
std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Random names collide rarely; a few tries make a failure a real one.
constexpr int UniqueNameAttempts = 100;

// ".valbrix-" and six letters or digits: short and fixed, so it fits even
// when the target's own name is at the file system's length limit; the
// leading dot keeps it out of listings.
std::string UniqueName()
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // Different in every process, thread and call, so a name taken by a concurrent run is rare.
    static std::atomic<uint64_t> counter{0};
    uint64_t bits = (uint64_t(::getpid()) << 32 ^
                     uint64_t(std::chrono::steady_clock::now().time_since_epoch().count())) ^
                    (++counter * 0x9E3779B97F4A7C15ull);
    bits ^= bits >> 29;
    std::string name = ".valbrix-";
    for (int i = 0; i < 6; ++i, bits /= 36)
        name += Letters[bits % 36];
    return name;
}

}  // namespace

TFileMode ReadUmask()
{
    // umask() can only be read by setting it, and a second thread creating a
    // file between the set and the restore gets mode 0666. /proc tells it
    // without a change; where /proc is missing, the strictest mask is assumed
    // rather than touching process-wide state.
    constexpr TFileMode Strictest = 077;
    TFile status;
    if (status.OpenRead("/proc/self/status") != 0)
        return Strictest;
    char text[4096];
    const long got = status.Read(text, sizeof text - 1);
    if (got <= 0)
        return Strictest;
    text[got] = '\0';
    const char* line = std::strstr(text, "\nUmask:");
    if (!line)
        return Strictest;
    char* end = nullptr;
    const unsigned long mask = std::strtoul(line + 7, &end, 8);
    return end == line + 7 || mask > 0777 ? Strictest : TFileMode(mask);
}

TFileMode ModeForAttributes(uint16_t attributes, TFileMode umask)
{
    const TFileMode mode = 0666 & ~umask;
    return attributes & 0x01 ? mode & ~TFileMode(0222) : mode | S_IWUSR;
}

TFile::~TFile()
{
    Close();
}

int TFile::OpenRead(const std::string& path)
{
    Close();
    do
        FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (FFd < 0 && errno == EINTR);
    if (FFd < 0)
        return errno;
    FPath = path;
    return 0;
}

int TFile::OpenRegularRead(const std::string& path)
{
    Close();
    do
        FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    while (FFd < 0 && errno == EINTR);
    if (FFd < 0)
        return errno;
    struct stat info {};
    if (::fstat(FFd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
        Close();
        return error;
    }
    FPath = path;
    return 0;
}

TFolder::~TFolder()
{
    Close();
}

namespace {

uint64_t NextFolderSerial()
{
    static std::atomic<uint64_t> serial{0};
    return ++serial;
}

// The walk beneath a folder one component at a time, for kernels without
// openat2: each component is opened without following it, and a link (which
// O_PATH | O_NOFOLLOW would open as the link itself) is told by its type.
int OpenComponentsBeneath(int baseFd, const std::string& relative)
{
    int fd = ::fcntl(baseFd, F_DUPFD_CLOEXEC, 0);
    for (size_t pos = 0; fd >= 0 && pos < relative.size();) {
        size_t end = relative.find('/', pos);
        if (end == std::string::npos)
            end = relative.size();
        const std::string component = relative.substr(pos, end - pos);
        pos = end + 1;
        if (component.empty() || component == ".")
            continue;
        if (component == "..") {
            ::close(fd);
            errno = ELOOP;
            return -1;
        }
        int next;
        do
            next = ::openat(fd, component.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        while (next < 0 && errno == EINTR);
        struct stat info {};
        if (next < 0 && errno == ENOTDIR && ::fstatat(fd, component.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(info.st_mode))
            errno = ELOOP;
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
    }
    return fd;
}

}  // namespace

int TFolder::Open(const std::string& path)
{
    return OpenFrom(AT_FDCWD, path);
}

int TFolder::OpenAt(const TFolder& base, const std::string& relative)
{
    return OpenFrom(base.Handle(), relative);
}

int TFolder::OpenFrom(int folderFd, const std::string& path)
{
    Close();
    do
        FFd = ::openat(folderFd, path.empty() ? "." : path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    while (FFd < 0 && errno == EINTR);
    if (FFd < 0)
        return errno;
    FSerial = NextFolderSerial();
    return 0;
}

int TFolder::OpenBeneath(const TFolder& base, const std::string& relative)
{
    Close();
    open_how how{};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    do
        FFd = int(::syscall(SYS_openat2, base.Handle(), relative.empty() ? "." : relative.c_str(), &how, sizeof how));
    while (FFd < 0 && (errno == EINTR || errno == EAGAIN));
    // ENOSYS: a kernel before 5.6; EPERM: a system-call filter (some
    // container runtimes) that does not know the call. Callers keep what
    // they reach, so the walk's extra calls come once per folder.
    if (FFd < 0 && errno != ENOSYS && errno != EPERM)
        return errno == EXDEV ? ELOOP : errno;  // EXDEV: ".." would climb out
    if (FFd < 0) {
        FFd = OpenComponentsBeneath(base.Handle(), relative);
        if (FFd < 0)
            return errno;
    }
    FSerial = NextFolderSerial();
    return 0;
}

void TFolder::Close()
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
}

int CreateFolderAt(const TFolder& base, const std::string& relative)
{
    return ::mkdirat(base.Handle(), relative.c_str(), 0777) == 0 ? 0 : errno;
}

bool NodeFactsAt(const TFolder& base, const std::string& relative, TNodeFacts& facts)
{
    struct stat info {};
    if (::fstatat(base.Handle(), relative.empty() ? "." : relative.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    facts = {S_ISDIR(info.st_mode), uint64_t(info.st_size), int64_t(info.st_mtim.tv_sec)};
    return true;
}

bool RenameAt(const TFolder& base, const std::string& from, const std::string& to)
{
    return ::renameat(base.Handle(), from.c_str(), base.Handle(), to.c_str()) == 0;
}

bool RemoveAt(const TFolder& base, const std::string& relative)
{
    return ::unlinkat(base.Handle(), relative.c_str(), 0) == 0;
}

bool RemoveEmptyFolderAt(const TFolder& base, const std::string& relative)
{
    return ::unlinkat(base.Handle(), relative.c_str(), AT_REMOVEDIR) == 0;
}

int CreateLinkAt(const TFolder& folder, const std::string& name, const std::string& target, bool& replaced)
{
    replaced = false;
    if (::symlinkat(target.c_str(), folder.Handle(), name.c_str()) == 0)
        return 0;
    if (errno != EEXIST)
        return errno;
    replaced = true;
    for (int attempt = 0; attempt < UniqueNameAttempts; ++attempt) {
        const std::string beside = UniqueName();
        if (::symlinkat(target.c_str(), folder.Handle(), beside.c_str()) != 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        if (::renameat(folder.Handle(), beside.c_str(), folder.Handle(), name.c_str()) == 0)
            return 0;
        const int error = errno;
        ::unlinkat(folder.Handle(), beside.c_str(), 0);
        return error;
    }
    return EEXIST;
}

bool SetLinkTimeAt(const TFolder& folder, const std::string& name, int64_t seconds, uint32_t nanoseconds)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {std::time_t(seconds), long(nanoseconds)}};
    return ::utimensat(folder.Handle(), name.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SetFolderModeBeneath(const TFolder& base, const std::string& relative, TFileMode mode)
{
    TFolder folder;
    if (folder.OpenBeneath(base, relative) != 0)
        return false;
    // An O_PATH handle takes no fchmod; its /proc entry names the folder itself.
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", folder.Handle());
    return ::chmod(self, mode_t(mode)) == 0;
}

int TFile::CreateUnnamedIn(const TFolder& base, const std::string& folder, TFileMode mode)
{
    Close();
    do
        FFd = ::openat(base.Handle(), folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                       mode_t(mode));
    while (FFd < 0 && errno == EINTR);
    FPath.clear();
    return FFd < 0 ? errno : 0;
}

int TFile::CreateTempBeside(const TFolder& base, const std::string& target)
{
    return CreateTempIn(base.Handle(), target);
}

int TFile::CreateTempBeside(const std::string& target)
{
    return CreateTempIn(AT_FDCWD, target);
}

int TFile::CreateTempIn(int folderFd, const std::string& target)
{
    Close();
    for (int attempt = 0; attempt < UniqueNameAttempts; ++attempt) {
        std::string name = FolderOf(target) + UniqueName();
        do
            FFd = ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        while (FFd < 0 && errno == EINTR);
        if (FFd >= 0) {
            FPath = std::move(name);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int TFile::LinkAs(const TFolder& base, const std::string& path, TLinkWay& way)
{
    if (way != lwProcFd) {
        if (::linkat(FFd, "", base.Handle(), path.c_str(), AT_EMPTY_PATH) == 0) {
            way = lwEmptyPath;
            return 0;
        }
        // Without CAP_DAC_READ_SEARCH the call is refused whatever the path
        // (ENOENT on kernels before 6.10); any other error is the path's.
        if (way == lwEmptyPath || (errno != ENOENT && errno != EPERM))
            return errno;
        way = lwProcFd;
    }
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", FFd);
    return ::linkat(AT_FDCWD, self, base.Handle(), path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

int TFile::LinkBeside(const TFolder& base, const std::string& target, TLinkWay& way, std::string& chosenPath)
{
    for (int attempt = 0; attempt < UniqueNameAttempts; ++attempt) {
        std::string name = FolderOf(target) + UniqueName();
        const int error = LinkAs(base, name, way);
        if (error != EEXIST) {
            if (error == 0)
                chosenPath = std::move(name);
            return error;
        }
    }
    return EEXIST;
}

bool TFile::SetMode(TFileMode mode)
{
    return ::fchmod(FFd, mode_t(mode)) == 0;
}

int TFile::Sync()
{
    return ::fsync(FFd) == 0 ? 0 : errno;
}

int TFile::Close()
{
    if (FFd < 0)
        return 0;
    // No retry on EINTR: the descriptor is released either way on Linux.
    const int result = ::close(FFd);
    FFd = -1;
    return result == 0 ? 0 : errno;
}

namespace {

// Repeats a read until count bytes arrived, the file ended or a real error
// came; `readSome(out, wanted, done)` reads once behind the `done` bytes read so far.
template <typename TReadSome>
long ReadFully(void* buffer, size_t count, TReadSome readSome)
{
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = readSome(out + done, count - done, done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += size_t(n);
    }
    return long(done);
}

}  // namespace

long TFile::Read(void* buffer, size_t count)
{
    return ReadFully(buffer, count, [this](char* out, size_t wanted, size_t) { return ::read(FFd, out, wanted); });
}

bool TFile::WriteAll(const void* data, size_t count)
{
    const auto* in = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = ::write(FFd, in, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        in += n;
        count -= size_t(n);
    }
    return true;
}

bool TFile::Seek(uint64_t position)
{
    return FFd >= 0 && ::lseek(FFd, off_t(position), SEEK_SET) == off_t(position);
}

long TFile::ReadAt(uint64_t position, void* buffer, size_t count)
{
    return ReadFully(buffer, count, [this, position](char* out, size_t wanted, size_t done) {
        return ::pread(FFd, out, wanted, off_t(position + done));
    });
}

namespace {

TFileIdentity IdentityOf(const struct stat& info)
{
    return {uint64_t(info.st_dev), uint64_t(info.st_ino), uint64_t(info.st_size),
            int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

}  // namespace

bool TFile::Identity(TFileIdentity& identity) const
{
    struct stat info {};
    if (FFd < 0 || ::fstat(FFd, &info) != 0)
        return false;
    identity = IdentityOf(info);
    return true;
}

bool TFolder::Identity(TFileIdentity& identity) const
{
    struct stat info {};
    if (FFd < 0 || ::fstat(FFd, &info) != 0)
        return false;
    identity = IdentityOf(info);
    return true;
}

bool FileIdentity(const std::string& path, TFileIdentity& identity)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    identity = IdentityOf(info);
    return true;
}

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int64_t FileSize(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return -1;
    return int64_t(info.st_size);
}

int CreateFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

bool PathExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool IsWritable(const std::string& path)
{
    return ::access(path.c_str(), W_OK) == 0;
}

bool AddOwnerWrite(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

std::string RunningProgramPath()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, size_t(length)) : std::string();
}

bool RenameFile(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

std::optional<int64_t> LocalTimeToSeconds(const TLocalTime& time)
{
    std::tm local{};
    local.tm_sec = time.Second;
    local.tm_min = time.Minute;
    local.tm_hour = time.Hour;
    local.tm_mday = time.Day;
    local.tm_mon = time.Month - 1;
    local.tm_year = time.Year - 1900;
    local.tm_isdst = -1;  // let the C library decide whether DST was in force
    // mktime would quietly roll 31 February into March; such a time names no
    // moment, so the file keeps the time it has.
    if (local.tm_sec < 0 || local.tm_sec > 59 || local.tm_min < 0 || local.tm_min > 59 || local.tm_hour < 0 ||
        local.tm_hour > 23 || local.tm_mday < 1 || local.tm_mon < 0 || local.tm_mon > 11)
        return std::nullopt;
    const std::tm asked = local;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == std::time_t(-1) || local.tm_mday != asked.tm_mday)
        return std::nullopt;
    return int64_t(seconds);
}

bool TFile::SetLastWriteTime(int64_t seconds, uint32_t nanoseconds)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {std::time_t(seconds), long(nanoseconds)}};
    return ::futimens(FFd, times) == 0;
}

}  // namespace valbrix::platform
