// Path facts over Qt's file classes; see the header.
#include "platform/gui/PathFacts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>

namespace valbrix::platform {

bool IsExistingFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

bool IsExistingFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool Exists(const QString& path)
{
    return QFileInfo::exists(path);
}

QString CleanPath(const QString& path)
{
    return QDir::cleanPath(path);
}

QString AbsolutePathOf(const QString& path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

QString FolderOf(const QString& path)
{
    return QFileInfo(path).path();
}

QString AbsoluteFolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

QString FileNameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

QString HomeFolder()
{
    return QDir::homePath();
}

QString RootFolder()
{
    return QDir::rootPath();
}

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString ProgramPath()
{
    return QCoreApplication::applicationFilePath();
}

QStringList FolderItems(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

QString FileKindText(const QString& path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    return type.comment().isEmpty() ? type.name() : type.comment();
}

}  // namespace valbrix::platform
