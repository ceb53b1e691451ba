// The freedesktop base folders; see XdgFolders.h.
#include "XdgFolders.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace valbrix::platform {

namespace {

std::string AbsoluteVariable(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

}  // namespace

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

std::string XdgConfigHome()
{
    const std::string value = AbsoluteVariable("XDG_CONFIG_HOME");
    return value.empty() ? HomeFolder() + "/.config" : value;
}

std::string XdgDataHome()
{
    const std::string value = AbsoluteVariable("XDG_DATA_HOME");
    return value.empty() ? HomeFolder() + "/.local/share" : value;
}

int CreateFolderPath(const std::string& path)
{
    // Level by level from the root, so each new level gets its own mode and
    // an existing one (perhaps a link to a folder) is taken as it is.
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string level = path.substr(0, end);
        if (!level.empty() && level.back() != '/' && ::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (end == std::string::npos)
            break;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

}  // namespace valbrix::platform
