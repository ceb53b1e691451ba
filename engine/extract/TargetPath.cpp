// The containment rule for entry names: see TargetPath.h. On Linux a ':' is
// an ordinary character ("a:b.txt" is a file name); only a drive prefix
// followed by a delimiter is what an archive made on Windows means by an
// absolute path, so only that is dropped.
#include "engine/extract/TargetPath.h"

#include <cctype>

namespace valbrix {

namespace {

bool IsDrivePrefix(const std::string& name, size_t pos)
{
    return pos + 2 < name.size() && std::isalpha(static_cast<unsigned char>(name[pos])) && name[pos + 1] == ':' &&
           name[pos + 2] == '/';
}

}  // namespace

bool IsFolderName(const std::string& entryName)
{
    return !entryName.empty() && entryName.back() == '/';
}

std::optional<std::string> ContainedName(const std::string& entryName, bool lastOnly)
{
    size_t pos = 0;
    for (;;) {  // "/x", "C:/x", "/C:/x" all start at x
        if (pos < entryName.size() && entryName[pos] == '/')
            ++pos;
        else if (IsDrivePrefix(entryName, pos))
            pos += 3;
        else
            break;
    }
    std::string relative;
    std::string last;
    while (pos < entryName.size()) {
        size_t end = entryName.find('/', pos);
        if (end == std::string::npos)
            end = entryName.size();
        const std::string component = entryName.substr(pos, end - pos);
        pos = end + 1;
        if (component == ".." || component.find('\0') != std::string::npos)
            return std::nullopt;
        if (component.empty() || component == ".")
            continue;
        relative += (relative.empty() ? "" : "/") + component;
        last = component;
    }
    return lastOnly ? last : relative;
}

bool LinkTargetStaysInside(const std::string& linkPath, std::string_view target)
{
    if (target.empty() || target.front() == '/')
        return false;
    size_t climbsLeft = 0;  // folders between the link and the target folder
    for (const char c : linkPath)
        climbsLeft += c == '/' ? 1 : 0;
    bool descended = false;
    for (size_t pos = 0; pos <= target.size();) {
        size_t end = target.find('/', pos);
        if (end == std::string_view::npos)
            end = target.size();
        const std::string_view component = target.substr(pos, end - pos);
        pos = end + 1;
        if (component.empty() || component == ".")
            continue;
        if (component != "..") {
            descended = true;
        } else if (descended || climbsLeft-- == 0) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> EntryTargetPath(const std::string& folder, const std::string& entryName,
                                           bool withFolders)
{
    const bool folderEntry = IsFolderName(entryName);
    const std::optional<std::string> relative = ContainedName(entryName, !withFolders);
    if (!relative || (relative->empty() && !folderEntry))
        return std::nullopt;
    std::string target = folder;
    if (target.empty() || target.back() != '/')
        target += '/';
    // Without the archive's folders a folder entry has nothing of its own to make.
    if (!relative->empty() && (withFolders || !folderEntry))
        target += *relative + (folderEntry ? "/" : "");
    return target;
}

}  // namespace valbrix
