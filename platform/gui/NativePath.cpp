// Path conversions; see the header.
#include "platform/gui/NativePath.h"

#include <QFile>

namespace valbrix::platform {

std::string NativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString DisplayPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace valbrix::platform
