// Private folders of the window; see the header. The owner test reads the
// start time from /proc/<pid>/stat (field 22, clock ticks since boot), so a
// process id reused after a crash does not keep the dead run's files alive.
#include "PrivateFolders.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <signal.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "FolderServices.h"

namespace valbrix::platform {

namespace {

constexpr std::string_view NamePrefix = "valbrix-";
constexpr std::string_view RandomPart = "XXXXXX";  // mkdtemp's six random characters

// Field 22 of /proc/<pid>/stat; none when the process (or /proc) is not there.
std::optional<unsigned long long> ProcessStartTicks(long pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* file = std::fopen(path.c_str(), "re");
    if (!file)
        return std::nullopt;
    char buffer[1024];
    const size_t length = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    const std::string_view stat(buffer, length);
    // The command name (field 2) is in parentheses and may hold blanks and ')'.
    size_t at = stat.rfind(')');
    if (at == std::string_view::npos)
        return std::nullopt;
    for (int field = 2; field < 22 && at != std::string_view::npos; ++field)
        at = stat.find(' ', at + 1);
    if (at == std::string_view::npos)
        return std::nullopt;
    unsigned long long ticks = 0;
    if (std::from_chars(stat.data() + at + 1, stat.data() + stat.size(), ticks).ec != std::errc())
        return std::nullopt;
    return ticks;
}

unsigned long long OwnStartTicks()
{
    return ProcessStartTicks(long(getpid())).value_or(0);
}

bool ProcessRuns(long pid, unsigned long long startTicks)
{
    if (const auto ticks = ProcessStartTicks(pid))
        return *ticks == startTicks;
    if (errno == ENOENT && ProcessStartTicks(long(getpid())))
        return false;  // /proc works, and this process is not in it
    // Without /proc only the id can be asked: a reused id keeps the folder.
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Reads "<digits>-" at `at`; false when the text does not continue so.
bool ReadNumber(std::string_view name, size_t& at, unsigned long long& value)
{
    const auto [end, error] = std::from_chars(name.data() + at, name.data() + name.size(), value);
    if (error != std::errc() || end == name.data() + at || end == name.data() + name.size() || *end != '-')
        return false;
    at = size_t(end - name.data()) + 1;
    return true;
}

struct TSessionName {
    long Pid = 0;
    unsigned long long StartTicks = 0;
};

// "valbrix-<pid>-<start>-XXXXXX" and nothing else.
std::optional<TSessionName> ParseSessionName(std::string_view name)
{
    if (name.substr(0, NamePrefix.size()) != NamePrefix)
        return std::nullopt;
    size_t at = NamePrefix.size();
    unsigned long long pid = 0, start = 0;
    if (!ReadNumber(name, at, pid) || !ReadNumber(name, at, start) || pid == 0 || pid > 0x7FFFFFFF)
        return std::nullopt;
    if (name.size() - at != RandomPart.size())
        return std::nullopt;
    return TSessionName{long(pid), start};
}

std::string MakeTemporaryFolder(const std::string& pattern)
{
    std::string path = pattern;
    return mkdtemp(path.data()) ? path : std::string();
}

}  // namespace

std::string PrivateFolderPrefix()
{
    return std::string(NamePrefix) + std::to_string(getpid()) + '-' + std::to_string(OwnStartTicks()) + '-';
}

TPrivateFolders::TPrivateFolders(std::string baseFolder) : FBase(std::move(baseFolder))
{
    while (FBase.size() > 1 && FBase.back() == '/')
        FBase.pop_back();
}

TPrivateFolders::~TPrivateFolders()
{
    RemoveAll();
}

std::string TPrivateFolders::Create()
{
    if (FSession.empty() || access(FSession.c_str(), F_OK) != 0) {
        FSession = MakeTemporaryFolder(FBase + '/' + PrivateFolderPrefix() + std::string(RandomPart));
        if (FSession.empty())
            return std::string();
    }
    return MakeTemporaryFolder(FSession + '/' + std::string(RandomPart));
}

void TPrivateFolders::Remove(const std::string& folder)
{
    if (Contains(folder))
        RemoveTree(folder, [](const std::string&) {});
}

void TPrivateFolders::RemoveAll()
{
    if (FSession.empty())
        return;
    // What resists (a program still writing there) goes with the next start's sweep.
    RemoveTree(FSession, [](const std::string&) {});
    FSession.clear();
}

bool TPrivateFolders::Contains(const std::string& path) const
{
    return !FSession.empty() && path.size() > FSession.size() + 1 && path.compare(0, FSession.size(), FSession) == 0 &&
           path[FSession.size()] == '/';
}

int RemoveStalePrivateFolders(const std::string& baseFolder)
{
    const int baseFd = open(baseFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0)
        return 0;
    DIR* dir = fdopendir(baseFd);
    if (!dir) {
        close(baseFd);
        return 0;
    }
    int removed = 0;
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        const auto session = ParseSessionName(name);
        struct stat info {};
        if (!session || fstatat(dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || ProcessRuns(session->Pid, session->StartTicks))
            continue;
        if (RemoveTree(baseFolder + '/' + name, [](const std::string&) {}))
            ++removed;
    }
    closedir(dir);
    return removed;
}

}  // namespace valbrix::platform
