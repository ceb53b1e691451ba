// Taking back a stopped run; see the header.
#include "engine/extract/RunTrail.h"

#include <cerrno>

namespace valbrix {

size_t RemoveTrail(const platform::TFolder& target, const TRunTrail& trail)
{
    size_t left = 0;
    // Gone already counts as removed: the user may have tidied up meanwhile.
    for (const std::string& file : trail.Files)
        if (!platform::RemoveAt(target, file) && errno != ENOENT)
            ++left;
    for (auto folder = trail.Folders.rbegin(); folder != trail.Folders.rend(); ++folder)
        if (!platform::RemoveEmptyFolderAt(target, *folder) && errno != ENOENT)
            ++left;
    return left;
}

}  // namespace valbrix
