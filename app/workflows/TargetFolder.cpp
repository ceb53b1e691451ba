// Target folder checks; see the header.
#include "app/workflows/TargetFolder.h"

#include <cerrno>


#include "app/texts/ExtractTexts.h"
#include "platform/FileServices.h"
#include "platform/FolderServices.h"
#include "platform/gui/NativePath.h"
#include "platform/gui/PathFacts.h"

namespace valbrix {

namespace {

TFolderCheck ProblemFor(int error)
{
    switch (error) {
    case ENOENT: return {fpParentMissing, error};
    case EACCES:
    case EPERM:
    case EROFS: return {fpNoRights, error};
    case ENOTDIR:
    case EEXIST: return {fpNotAFolder, error};
    default: return {fpOther, error};
    }
}

}  // namespace

QString CleanFolderText(const QString& text)
{
    QString folder = text;
    folder.remove(QLatin1Char('"'));
    if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
        folder = platform::HomeFolder() + folder.mid(1);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

TFolderCheck CheckTargetFolder(const QString& folder)
{
    if (!folder.startsWith(QLatin1Char('/')))
        return {fpRelative, 0};
    const std::string path = platform::NativePath(folder);
    const int created = platform::CreateFolder(path);
    platform::TFolder opened;
    if (const int error = opened.Open(path); error != 0)
        return ProblemFor(created != 0 && created != EEXIST ? created : error);
    platform::TFileIdentity openedIdentity;
    platform::TFileIdentity named;
    if (!opened.Identity(openedIdentity) || !platform::FileIdentity(path, named) ||
        openedIdentity.Device != named.Device || openedIdentity.Inode != named.Inode)
        return {fpOther, 0};
    // Otherwise every single entry would fail on its own, one box each.
    if (const int error = platform::FolderWriteError(path); error != 0)
        return ProblemFor(error);
    TFolderCheck check;
    check.Created = created == 0;
    return check;
}

QString FolderProblemText(const TFolderCheck& check, const QString& folder)
{
    switch (check.Problem) {
    case fpNone: return QString();
    case fpRelative:
        return QStringLiteral("Der Ordner muss vollständig angegeben werden, beginnend mit / (oder ~/ für den "
                              "persönlichen Ordner).");
    case fpParentMissing:
        return QStringLiteral("Der übergeordnete Ordner %1 existiert nicht; nur die letzte Ebene wird angelegt.")
            .arg(platform::FolderOf(folder));
    case fpNoRights:
        if (!platform::Exists(folder))
            return QStringLiteral("Keine Berechtigung, den Ordner in %1 anzulegen.").arg(platform::FolderOf(folder));
        return OutputErrorText(check.SystemError == EROFS ? EROFS : EACCES);
    case fpNotAFolder: return QStringLiteral("Unter diesem Namen gibt es bereits eine Datei.");
    case fpOther:
        return check.SystemError != 0 ? QStringLiteral("Der Ordner kann nicht verwendet werden (Systemfehler %1).")
                                            .arg(check.SystemError)
                                      : QStringLiteral("Der Ordner kann nicht verwendet werden.");
    }
    return QString();
}

}  // namespace valbrix
