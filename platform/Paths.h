// Paths as the file system sees them: a path made absolute against the
// current folder (read once per call, on the caller's thread), its file and
// folder parts, a folder's names, and a chain of folders made at once.
// Failures are told by the results and never thrown.
#pragma once

#include <string>
#include <vector>

namespace valbrix::platform {

// `path` against the current folder, "." and ".." resolved by their text
// (not through links); `path` as given when the current folder is gone.
std::string AbsolutePath(const std::string& path);
// The last component of `path` ("b.zip" of "a/b.zip"; "" after a trailing '/').
std::string FileNamePart(const std::string& path);
// Everything before the last component, without the '/' ("" for a bare name).
std::string FolderPart(const std::string& path);
// `name` below `folder` ("" is the current folder).
std::string JoinPath(const std::string& folder, const std::string& name);
// The names in `folder` ("" is the current folder), without "." and "..";
// empty when it cannot be read.
std::vector<std::string> FolderNames(const std::string& folder);
// Makes `path` and every missing folder above it; 0 when it stands as a
// folder afterwards, else the errno value (ENOTDIR when a file is in the way).
int CreateFolders(const std::string& path);

}  // namespace valbrix::platform
