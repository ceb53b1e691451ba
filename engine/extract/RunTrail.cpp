// Taking back a stopped run; see the header.
#include "engine/extract/RunTrail.h"

#include <algorithm>
#include <cerrno>

namespace valbrix {

size_t RemoveTrail(const platform::TFolder& target, const TRunTrail& trail)
{
    size_t left = 0;
    // Gone already counts as removed: the user may have tidied up meanwhile.
    for (const std::string& file : trail.Files)
        if (!platform::RemoveAt(target, file) && errno != ENOENT)
            ++left;
    // A folder's path is longer than its parent's: longest first empties every child before its parent.
    std::vector<std::string> folders = trail.Folders;
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : folders)
        if (!platform::RemoveEmptyFolderAt(target, folder) && errno != ENOENT)
            ++left;
    return left;
}

}  // namespace valbrix
