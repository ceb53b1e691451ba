// What the file system says about a path given as Qt text, and the path
// texts the window and its workflows build from it: the one place above the
// engine where a QString path meets the disk. Links are followed, as a
// path would follow them; nothing here throws or changes anything.
#pragma once

#include <QString>
#include <QStringList>

namespace valbrix::platform {

// A regular file (not a folder, pipe or device).
bool IsExistingFile(const QString& path);
// A folder; false for "".
bool IsExistingFolder(const QString& path);
// Anything at all (a link to nothing counts as nothing).
bool Exists(const QString& path);

// "." and ".." resolved by their text, doubled '/' folded, no trailing '/'.
QString CleanPath(const QString& path);
// `path` against the current folder (read now, on the caller's thread), cleaned.
QString AbsolutePathOf(const QString& path);
// The folder part as written ("." for a bare name); no disk access.
QString FolderOf(const QString& path);
// The folder part made absolute against the current folder.
QString AbsoluteFolderOf(const QString& path);
// The last component ("" after a trailing '/'); no disk access.
QString FileNameOf(const QString& path);

// The user's home folder and the root of the file system.
QString HomeFolder();
QString RootFolder();
// The folder of the running program and its full path.
QString ProgramFolder();
QString ProgramPath();

// Every name in `folder` (hidden ones and links included, without "." and
// ".."), sorted by name; empty when it cannot be read.
QStringList FolderItems(const QString& folder);
// The files in `folder` (hidden ones included), no folders.
QStringList FilesIn(const QString& folder);

// The desktop's word for the kind of file at `path` ("PDF-Dokument"), from
// its name and contents; its type name when there is no such word.
QString FileKindText(const QString& path);

}  // namespace valbrix::platform
