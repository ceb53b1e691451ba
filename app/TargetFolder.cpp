// Target folder checks; see the header.
#include "TargetFolder.h"

#include <QFile>

#include "platform/FileServices.h"
#include "platform/FolderServices.h"

namespace valbrix {

QString CleanFolderText(const QString& text)
{
    QString folder = text;
    folder.remove(QLatin1Char('"'));
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

bool CheckTargetFolder(const QString& folder)
{
    if (!folder.startsWith(QLatin1Char('/')))
        return false;
    const std::string path = QFile::encodeName(folder).toStdString();
    platform::CreateFolder(path);
    platform::TFolder opened;
    platform::TFileIdentity openedIdentity;
    platform::TFileIdentity named;
    return opened.Open(path) == 0 && opened.Identity(openedIdentity) && platform::FileIdentity(path, named) &&
           openedIdentity.Device == named.Device && openedIdentity.Inode == named.Inode;
}

}  // namespace valbrix
