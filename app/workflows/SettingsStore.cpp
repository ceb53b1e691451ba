// The program's settings; see the header.
#include "app/workflows/SettingsStore.h"

#include <cerrno>


#include "app/dialogs/MessageBox.h"
#include "platform/ErrorText.h"
#include "platform/FolderServices.h"
#include "platform/gui/NativePath.h"
#include "platform/gui/PathFacts.h"
#include "settings/IniFile.h"

namespace valbrix {

namespace {

QString IniCauseText(int error, const QString& file)
{
    const QString folder = platform::FolderOf(file);
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

bool TSettingsStore::OpenSection(const QString& section)
{
    // The component's own text is kept for the one message below, never shown on its own.
    QString componentText;
    FIni.OnMessage = [&componentText](const QString& text) { componentText = text; };
    FIni.SetIniLocation(loUser);
    FIni.SetIniFileName(DefaultIniFilePath());
    FIni.SetSection(section);
    FIni.SetOpen(true);
    FIni.SetSection(section);
    FIni.OnMessage = [this](const QString& text) { ShowMessageBox(*FSeams.Boxes, text, QString(), mkError, bcOK); };
    const int error = FIni.ErrorCode();
    if (error == 0 || error == iniFileMissing)
        return true;
    const QString file = FIni.ResolvedFileName();
    if (error == iniReadOnly) {
        const int cause = platform::FileWriteError(platform::NativePath(file));
        ReportProblem(componentText, cause != 0 ? cause : EACCES);
    } else {
        ReportProblem(QStringLiteral("Die Einstellungsdatei %1 kann nicht angelegt werden.").arg(file), error);
    }
    return false;
}

void TSettingsStore::ReportProblem(const QString& text, int systemError)
{
    if (FProblemShown)
        return;
    FProblemShown = true;
    const QString file = FIni.ResolvedFileName();
    // File errors of a folder read as a generic input/output error.
    if (platform::IsExistingFolder(file))
        systemError = EISDIR;
    ShowMessageBox(*FSeams.Boxes, text + QLatin1Char('\n') + IniCauseText(systemError, file) +
                       QStringLiteral("\nValbrix arbeitet weiter, speichert aber keine Einstellungen."),
                   QString(), mkError, bcOK);
}

bool TSettingsStore::OpenSectionQuietly(const QString& section)
{
    const bool told = FProblemShown;
    FProblemShown = true;
    const bool opened = OpenSection(section);
    FProblemShown = told;
    return opened;
}

QString TSettingsStore::ReadLastFolder()
{
    QString folder;
    if (OpenSection(QStringLiteral("Folders")))
        FIni.ReadValue(QStringLiteral("LastFolder"), QString(), folder);
    return folder;
}

void TSettingsStore::WriteLastFolder(const QString& folder)
{
    if (!OpenSection(QStringLiteral("Folders")))
        return;
    FIni.WriteValue(QStringLiteral("LastFolder"), folder);
    if (const int error = FIni.ErrorCode(); error != 0)
        ReportProblem(QStringLiteral("Die Einstellungsdatei %1 kann nicht gespeichert werden.")
                             .arg(FIni.ResolvedFileName()),
                         error);
}

}  // namespace valbrix
