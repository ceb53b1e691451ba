// Where an archive entry lands below a target folder. Entry names come from
// the archive and are not trusted; this is the one containment rule that
// both front ends (the window and valbrix-cli) apply before they hand a path
// to the extraction driver: leading delimiters and drive prefixes ("C:/") are
// dropped, empty and "." components vanish, and a name with a ".." component
// (or a zero byte) is refused. Pure functions; nothing is kept between calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace valbrix {

// The entry name (already '/'-delimited, as DecodeEntryName gives it) as a
// path relative to the target folder: "" when the name names the target
// folder itself (a folder entry "./" or "/"), nothing when it is refused.
// With `lastOnly`, only the last component is kept (extraction without the
// archive's folders).
std::optional<std::string> ContainedName(const std::string& entryName, bool lastOnly = false);

// The full path handed to the driver: folder + '/' + the contained name, with
// a trailing '/' for folder entries; for a name that names the folder itself,
// the folder with a trailing '/' (so too for any folder entry without
// `withFolders`). Nothing when the name is refused or a file
// entry names no file at all. `folder` may end in '/' or not.
std::optional<std::string> EntryTargetPath(const std::string& folder, const std::string& entryName,
                                           bool withFolders);

// True for an entry that stands for a folder (its name ends in '/').
bool IsFolderName(const std::string& entryName);

// The same rule for the target of a link made at `linkPath` (relative to the
// target folder, as ContainedName gives it): true when the target, resolved
// from the link's own folder, stays at or below the target folder. An
// absolute target is refused. ".." may only lead the target, each one
// climbing one of the link's own folders: after a component that may itself
// be a link, ".." would climb from wherever that link leads, which no look
// at the names can tell. "." and empty components are nothing.
bool LinkTargetStaysInside(const std::string& linkPath, std::string_view target);

}  // namespace valbrix
