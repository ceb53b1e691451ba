// The checks before an extraction writes into the folder the user typed:
// the text is cleaned (quotes, a trailing '/'), must be absolute, may create
// its last level, and must then be a folder that opens as the one the path
// names. The comparison is by identity (device and inode), so a folder
// reached through a symbolic link or typed with a doubled '/' is accepted.
// The process's current directory is left alone.
#pragma once

#include <QString>

namespace valbrix {

// Every '"' removed and trailing '/' dropped ("/" stays "/").
QString CleanFolderText(const QString& text);

// Creates the folder's last level when missing (a failure is ignored), opens
// it and checks that the folder opened is the one the path names. A
// relative text is refused: it would depend on wherever the current folder
// happens to be. True when the extraction may write there.
bool CheckTargetFolder(const QString& folder);

}  // namespace valbrix
