// Taking back a stopped extraction: the files and folders the run created
// are removed, in slices so the window can move a progress bar and stay
// responsive between them, and the target folder goes too when the run
// itself made it and it ends empty. Files that stood there before and were
// replaced are not the run's to remove: their old content is gone, and the
// offer says so by name. Anything that cannot be removed is counted, never
// forced.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "engine/extract/RunTrail.h"

namespace valbrix {

// Called between slices with the items removed so far of all; it may
// dispatch the window's events.
using TTakeBackProgress = std::function<void(size_t done, size_t total)>;

// Removes the trail below `folder`, then `folder` itself when
// `folderCreated` and it is empty. Returns how many of the trail's files
// and folders are still there.
size_t TakeBackRun(const QString& folder, const TRunTrail& trail, bool folderCreated,
                   const TTakeBackProgress& progress);

// The written files (relative targets, a folder's with '/' behind it) that
// are not the run's own: each replaced a file that was there before.
std::vector<std::string> ReplacedFiles(const std::vector<std::string>& written, const TRunTrail& trail);

}  // namespace valbrix
