// The path rules of the folder field and folder dialog, without any widget:
// trailing delimiters, folder tests, the ';'-separated folder lists of a
// field with several folders, the text a dropped name gives, and where a
// centred dialog goes. On this platform there are no short (8.3) names, so
// the long and the short form of a path are the path itself.
#pragma once

#include <functional>

#include <QPoint>
#include <QRect>
#include <QString>

namespace valbrix {

// True when path names an existing folder (a symbolic link to one counts).
bool IsExistingDirectory(const QString& path);
// Drops one trailing '/' from a path longer than one character: "/a/" -> "/a", "/" stays.
QString RemoveTrailingBackslash(const QString& path);
QString ExpandToLongPath(const QString& path);
QString ReduceToShortPath(const QString& path);

// Converts each ';'-separated piece of text (the whole text when not
// multiple) and joins the non-empty results with ';'.
QString ConvertPathList(const QString& text, bool multiple, const std::function<QString(const QString&)>& convert);
// The text an added folder gives: the folder alone when the text is empty or
// only one folder is allowed, else appended after a ';'.
QString AppendPath(const QString& text, const QString& path, bool multiple);
// The folder a dropped name stands for: an existing file gives its folder with
// a trailing '/', anything else stays as it is.
QString DroppedPathValue(const QString& path);

// Top-left corner of a window centred on the screen area and pulled back onto
// it (a window larger than the area starts at the area's top-left corner).
QPoint CenteredPosition(const QRect& window, const QRect& area);

}  // namespace valbrix
