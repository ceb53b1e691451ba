// Whole-file reading and atomic saving of INI files; see IniFile.h. The file
// work itself is the platform's, shared with the file association.
#include "IniFile.h"

#include <QDir>

#include "platform/WholeFile.h"
#include "platform/XdgFolders.h"
#include "platform/gui/NativePath.h"

namespace valbrix {

TIniLoad LoadIniFile(const QString& path)
{
    TIniLoad load;
    const platform::TWholeFile file = platform::ReadWholeFile(platform::NativePath(path), MaxIniFileBytes);
    if (file.Missing())
        return load;
    load.ErrorCode = file.ErrorCode;
    if (load.ErrorCode == 0)
        load.Document = TIniDocument(file.Bytes);
    return load;
}

int SaveIniFile(const QString& path, const TIniDocument& document)
{
    return platform::ReplaceWholeFile(platform::NativePath(path), document.Text());
}

QString SettingsFolder()
{
    const std::string folder = platform::XdgConfigHome() + "/valbrix";
    platform::CreateFolderPath(folder);
    return QDir::cleanPath(platform::DisplayPath(folder)) + QLatin1Char('/');
}

QString DefaultIniFilePath()
{
    return SettingsFolder() + QStringLiteral("valbrix.ini");
}

}  // namespace valbrix
