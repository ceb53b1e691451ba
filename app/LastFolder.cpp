// TMain's remembered target folder: "LastFolder" in section "Folders" of the
// program's INI file, through the window's one INI component. The file name
// is set anew each time (which closes the component), as the placement
// component may have pointed it elsewhere meanwhile. A file that cannot be
// written is told once per session, with the file and the cause; after
// that the program goes on without saving, and never asks for a file name
// the user cannot give.
#include "MainUnit.h"

#include <cerrno>

#include <QFile>
#include <QFileInfo>

#include "MessageBox.h"
#include "platform/ErrorText.h"
#include "platform/FolderServices.h"
#include "settings/IniFile.h"

namespace valbrix {

namespace {

QString IniCauseText(int error, const QString& file)
{
    const QString folder = QFileInfo(file).path();
    switch (error) {
    case EACCES:
    case EPERM: return QStringLiteral("Keine Schreibberechtigung für die Datei oder ihren Ordner %1.").arg(folder);
    case ENOENT: return QStringLiteral("Der Ordner %1 existiert nicht.").arg(folder);
    case ENOTDIR: return QStringLiteral("%1 ist kein Ordner.").arg(folder);
    default: break;
    }
    const std::string cause = platform::GermanErrorText(error, platform::esWriting);
    return cause.empty() ? QStringLiteral("Systemfehler %1.").arg(error) : QString::fromStdString(cause);
}

}  // namespace

bool TMain::OpenIniSection(const QString& section)
{
    // The component's own text is kept for the one message below, never shown on its own.
    QString componentText;
    MyIniFile.OnMessage = [&componentText](const QString& text) { componentText = text; };
    MyIniFile.SetIniLocation(loUser);
    MyIniFile.SetIniFileName(DefaultIniFilePath());
    MyIniFile.SetSection(section);
    MyIniFile.SetOpen(true);
    MyIniFile.SetSection(section);
    MyIniFile.OnMessage = [this](const QString& text) { ShowMessageBox(Boxes(), text, QString(), mkError, bcOK); };
    const int error = MyIniFile.ErrorCode();
    if (error == 0 || error == iniFileMissing)
        return true;
    const QString file = MyIniFile.ResolvedFileName();
    if (error == iniReadOnly) {
        const int cause = platform::FileWriteError(QFile::encodeName(file).toStdString());
        ReportIniProblem(componentText, cause != 0 ? cause : EACCES);
    } else {
        ReportIniProblem(QStringLiteral("Die Einstellungsdatei %1 kann nicht angelegt werden.").arg(file), error);
    }
    return false;
}

void TMain::ReportIniProblem(const QString& text, int systemError)
{
    if (FIniProblemShown)
        return;
    FIniProblemShown = true;
    const QString file = MyIniFile.ResolvedFileName();
    // File errors of a folder read as a generic input/output error.
    if (QFileInfo(file).isDir())
        systemError = EISDIR;
    ShowMessageBox(Boxes(), text + QLatin1Char('\n') + IniCauseText(systemError, file) +
                       QStringLiteral("\nValbrix arbeitet weiter, speichert aber keine Einstellungen."),
                   QString(), mkError, bcOK);
}

QString TMain::ReadLastFolder()
{
    QString folder;
    if (OpenFoldersSection())
        MyIniFile.ReadValue(QStringLiteral("LastFolder"), QString(), folder);
    return folder;
}

void TMain::WriteLastFolder(const QString& folder)
{
    if (!OpenFoldersSection())
        return;
    MyIniFile.WriteValue(QStringLiteral("LastFolder"), folder);
    if (const int error = MyIniFile.ErrorCode(); error != 0)
        ReportIniProblem(QStringLiteral("Die Einstellungsdatei %1 kann nicht gespeichert werden.")
                             .arg(MyIniFile.ResolvedFileName()),
                         error);
}

}  // namespace valbrix
