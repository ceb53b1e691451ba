// The checks before an extraction writes into the folder the user typed:
// the text is cleaned (quotes, a trailing '/'), must be absolute, may create
// its last level, and must then be the folder the process actually entered.
// The comparison is by identity (device and inode), so a folder reached
// through a symbolic link or typed with a doubled '/' is accepted.
#pragma once

#include <QString>

namespace valbrix {

// Every '"' removed and trailing '/' dropped ("/" stays "/").
QString CleanFolderText(const QString& text);

// Creates the folder's last level when missing (a failure is ignored), makes
// it the current folder and checks that the current folder is that folder.
// A relative text is refused: it would depend on wherever the current folder
// happens to be. True when the extraction may write there.
bool EnterTargetFolder(const QString& folder);

}  // namespace valbrix
