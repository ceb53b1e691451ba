// What the window says when a file it was asked to open shows no rows: it
// cannot be found or read, it is no ZIP archive, or the archive holds no
// files. Pure functions over the path and the system error, so tests check
// them without a window; each names the file.
#pragma once

#include <QString>

namespace valbrix {

// The file cannot be opened for reading; systemError is the errno value.
QString OpenFailureText(const QString& path, int systemError);
// The file opens but has no ZIP directory (random bytes, a cut-off archive,
// another program).
QString NotZipText(const QString& path);
// A readable archive without a single file entry (empty, or folders only).
QString NoFilesText(const QString& path);
// A part of a split archive is missing ("Der Teil spl.z03 fehlt"), or its
// parts do not fit together; `part` is the part's file name.
QString MissingPartText(const QString& part);
QString PartsDisagreeText(const QString& part);
// The desktop has no program for the type of `path` (a file or a folder):
// the type is named by its description, else by its MIME name.
QString NoProgramText(const QString& path);

}  // namespace valbrix
