// Taking back a stopped extraction; see the header.
#include "app/workflows/TakeBack.h"

#include <algorithm>
#include <unordered_set>

#include "platform/FileServices.h"
#include "platform/gui/NativePath.h"
#include "platform/gui/PathFacts.h"

namespace valbrix {

namespace {

// About 15 ms of unlinking on a local disk: short enough for a smooth bar.
constexpr size_t FilesPerSlice = 500;

void RemoveIfEmpty(const QString& folder)
{
    platform::TFolder parent;
    if (parent.Open(platform::NativePath(platform::AbsoluteFolderOf(folder))) == 0)
        platform::RemoveEmptyFolderAt(parent, platform::NativePath(platform::FileNameOf(folder)));
}

}  // namespace

size_t TakeBackRun(const QString& folder, const TRunTrail& trail, bool folderCreated,
                   const TTakeBackProgress& progress)
{
    const size_t total = trail.Files.size() + trail.Folders.size();
    platform::TFolder target;
    if (target.Open(platform::NativePath(folder)) != 0)
        return total;
    size_t left = 0;
    TRunTrail slice;
    for (size_t done = 0; done < trail.Files.size(); done += slice.Files.size()) {
        const size_t end = std::min(trail.Files.size(), done + FilesPerSlice);
        slice.Files.assign(trail.Files.begin() + std::ptrdiff_t(done), trail.Files.begin() + std::ptrdiff_t(end));
        left += RemoveTrail(target, slice);
        if (progress)
            progress(end, total);
    }
    slice.Files.clear();
    slice.Folders = trail.Folders;  // deepest first needs them all at once
    left += RemoveTrail(target, slice);
    if (progress)
        progress(total, total);
    if (folderCreated && left == 0)
        RemoveIfEmpty(folder);
    return left;
}

std::vector<std::string> ReplacedFiles(const std::vector<std::string>& written, const TRunTrail& trail)
{
    const std::unordered_set<std::string> created(trail.Files.begin(), trail.Files.end());
    std::vector<std::string> replaced;
    for (const std::string& target : written)
        if (!target.empty() && target.back() != '/' && !created.count(target))
            replaced.push_back(target);
    return replaced;
}

}  // namespace valbrix
