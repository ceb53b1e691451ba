// Folder services of the window's workflows: whether two paths name the same
// folder, the user's temporary folder, a private folder made exclusively, and
// removing a whole tree without following symbolic links out of it. No state;
// failures are reported by the results and never thrown.
#pragma once

#include <functional>
#include <string>

namespace valbrix::platform {

// True when both paths exist and name the same file or folder (same device
// and inode), however they are spelled (symbolic links, doubled '/').
bool IsSameFile(const std::string& first, const std::string& second);

// $TMPDIR when it is set and not empty, else "/tmp"; without a trailing '/'.
std::string TemporaryFolder();

// Creates parent/name with mode 0700; fails (false) when anything of that
// name exists already, so the folder is never one somebody else prepared.
bool CreatePrivateFolder(const std::string& path);

// Removes folder and everything below it. Symbolic links are removed as
// links, never followed. Every file (non-folder) that cannot be removed is
// passed to fileNotRemoved with its full path; the rest still goes. True
// when the folder itself is gone.
bool RemoveTree(const std::string& folder, const std::function<void(const std::string&)>& fileNotRemoved);

// 0 when the process may create files in the folder, else the errno value
// (EACCES, EROFS, ENOENT, ...).
int FolderWriteError(const std::string& folder);
// 0 when the process may write the file, else the errno value.
int FileWriteError(const std::string& file);

}  // namespace valbrix::platform
