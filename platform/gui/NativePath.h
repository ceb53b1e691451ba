// Paths between Qt's text and the bytes the file system takes: the
// system's file-name encoding both ways (UTF-8 here), so a name that is
// not valid text still comes back as the same bytes.
#pragma once

#include <string>

#include <QString>

namespace valbrix::platform {

std::string NativePath(const QString& path);
QString DisplayPath(const std::string& path);

}  // namespace valbrix::platform
