// posix_spawn-based process start with a detached reaper; see the header.
#include "ProcessStart.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace valbrix::platform {

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> parts;
    std::string current;
    bool inQuotes = false, haveArgument = false;
    for (char c : commandLine) {
        if (c == '"') {
            inQuotes = !inQuotes;
            haveArgument = true;  // "" is an empty argument, not nothing
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (haveArgument)
                parts.push_back(current);
            current.clear();
            haveArgument = false;
        } else {
            current += c;
            haveArgument = true;
        }
    }
    if (haveArgument)
        parts.push_back(current);
    return parts;
}

static bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string FindOnPath(const std::string& program)
{
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return IsExecutableFile(program) ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(start, end - start);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + program;
        if (IsExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return {};
}

static bool EndsWithExe(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".exe";
}

// Reaps the child when it ends; the caller keeps no hold on it.
static void ReapLater(pid_t pid)
{
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

bool StartProcess(const std::vector<std::string>& argv, bool searchPath, bool waitForStart, int waitMs,
                  const std::string& workingFolder)
{
    if (argv.empty() || argv[0].empty())
        return false;
    std::vector<std::string> args = argv;
    std::string program = searchPath ? FindOnPath(args[0]) : args[0];
    if (EndsWithExe(args[0])) {
        // A Windows program is no executable here; it runs through wine or not at all.
        std::string wine = FindOnPath("wine");
        struct stat info {};
        if (wine.empty() || program.empty() || stat(program.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return false;
        args.insert(args.begin(), wine);
        args[1] = program;
        program = wine;
    } else if (program.empty() || !IsExecutableFile(program)) {
        return false;
    }

    std::vector<char*> rawArgs;
    for (std::string& arg : args)
        rawArgs.push_back(arg.data());
    rawArgs.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    // glibc's posix_spawn reports a failed exec (or chdir) as an error, so success means the program runs.
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, rawArgs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;

    if (waitForStart) {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + milliseconds(waitMs);
        int status = 0;
        while (steady_clock::now() < deadline) {
            if (waitpid(pid, &status, WNOHANG) == pid)
                return true;  // already ended and reaped
            std::this_thread::sleep_for(milliseconds(10));
        }
    }
    ReapLater(pid);
    return true;
}

}  // namespace valbrix::platform
