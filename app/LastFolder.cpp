// TMain's remembered target folder: "LastFolder" in section "Folders" of the
// program's INI file, through the window's one INI component. The file name
// is set anew each time (which closes the component), as the placement
// component may have pointed it elsewhere meanwhile.
#include "MainUnit.h"

#include "MessageBox.h"
#include "settings/IniFile.h"

namespace valbrix {

void TMain::OpenFoldersSection()
{
    MyIniFile.OnMessage = [](const QString& text) { ShowMessageBox(text, QString(), mkError, bcOK); };
    MyIniFile.SetIniLocation(loUser);
    MyIniFile.SetIniFileName(DefaultIniFilePath());
    MyIniFile.SetSection(QStringLiteral("Folders"));
    MyIniFile.SetOpen(true);
    MyIniFile.SetSection(QStringLiteral("Folders"));
}

QString TMain::ReadLastFolder()
{
    OpenFoldersSection();
    QString folder;
    MyIniFile.ReadValue(QStringLiteral("LastFolder"), QString(), folder);
    return folder;
}

void TMain::WriteLastFolder(const QString& folder)
{
    OpenFoldersSection();
    MyIniFile.WriteValue(QStringLiteral("LastFolder"), folder);
}

}  // namespace valbrix
