// The checks before an extraction writes into the folder the user typed:
// the text is cleaned (quotes, a trailing '/', a leading "~/" for the home
// folder), must be absolute, may create its last level, and must then be a
// folder that opens as the one the path names and one the process may write
// in. The comparison is by identity (device and inode), so a folder reached
// through a symbolic link or typed with a doubled '/' is accepted. The
// process's current directory is left alone. A refusal says why, so the
// message can tell the user what to change.
#pragma once

#include <cstdint>

#include <QString>

namespace valbrix {

// Every '"' removed, trailing '/' dropped ("/" stays "/"), and a leading
// "~" or "~/" replaced by the home folder, as every file dialog reads it.
QString CleanFolderText(const QString& text);

enum TFolderProblem : uint8_t {
    fpNone,           // the extraction may write there
    fpRelative,       // the text does not start at '/'
    fpParentMissing,  // only the last level may be created, and its parent is missing
    fpNoRights,       // the folder cannot be made, opened or written in
    fpNotAFolder,     // a file stands under that name
    fpOther,          // another system error (SystemError)
};

struct TFolderCheck {
    TFolderProblem Problem = fpNone;
    int SystemError = 0;  // errno behind fpNoRights and fpOther
    bool Created = false; // the check made the folder (it was missing)
};

// Creates the folder's last level when missing, opens it and checks that the
// folder opened is the one the path names and may be written in. A relative
// text is refused: it would depend on wherever the current folder happens
// to be.
TFolderCheck CheckTargetFolder(const QString& folder);

// The second line of the refusal: why the folder cannot be used.
QString FolderProblemText(const TFolderCheck& check, const QString& folder);

}  // namespace valbrix
