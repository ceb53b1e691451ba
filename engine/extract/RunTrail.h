// What an extraction run put into its target folder that was not there
// before, so that a run the user stopped can be taken back without
// touching anything that stood there already.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/FileServices.h"

namespace valbrix {

// Names relative to the target folder. Folders come in the order entries
// were delivered: with several workers a child may come before its parent.
struct TRunTrail {
    std::vector<std::string> Files;    // new files (a replaced file is not the run's to remove)
    std::vector<std::string> Folders;  // folders the run made

    bool Empty() const { return Files.empty() && Folders.empty(); }
};

// Removes the trail's files, then its folders deepest first, each folder
// only when empty (a file someone put there meanwhile keeps it). Returns
// how many files and folders are still there.
size_t RemoveTrail(const platform::TFolder& target, const TRunTrail& trail);

}  // namespace valbrix
