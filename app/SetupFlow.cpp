// TMain's setup flow: an archive that carries "setup.exe" may be installed
// from directly. Every entry is extracted into a new private temporary folder
// (made exclusively, mode 0700, so nobody else can plant files in it),
// "Setup.exe" at its top is started, and after the user confirms the end of
// the installation the whole temporary tree is removed again; a file that
// cannot be removed is named, the rest still goes. Whatever way the flow
// ends early, the temporary tree goes too: its path was never shown.
#include "MainUnit.h"

#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>

#include "MessageBox.h"
#include "MyTools.h"
#include "platform/FolderServices.h"
#include "platform/gui/Launcher.h"

namespace valbrix {

namespace {

// Random names collide rarely; a few tries make a failure a real one.
constexpr int TempFolderAttempts = 100;

QString SetupProgramIn(const QString& folder)
{
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.compare(QLatin1String("Setup.exe"), Qt::CaseInsensitive) == 0)
            return folder + name;
    return QString();
}

void ShowStartFailure(TMessageBoxPresenter& boxes)
{
    ShowMessageBox(boxes, QStringLiteral("Konnte Setup-Programm nicht öffnen!"), QString(), mkError, bcOK);
}

}  // namespace

QString TMain::CreateTempFolder()
{
    const QString base = QFile::decodeName(QByteArray::fromStdString(platform::TemporaryFolder()));
    for (int attempt = 0; attempt < TempFolderAttempts; ++attempt) {
        const QString folder = base + QLatin1Char('/') + MyTools().RandomFileName();
        if (platform::CreatePrivateFolder(QFile::encodeName(folder).toStdString()))
            return folder + QLatin1Char('/');
    }
    return QString();
}

void TMain::DeleteTempFolder(const QString& folder)
{
    platform::RemoveTree(QFile::encodeName(folder).toStdString(), [this](const std::string& file) {
        ShowMessageBox(Boxes(), QStringLiteral("Konnte Datei ") + QFile::decodeName(QByteArray::fromStdString(file)) +
                           QStringLiteral(" nicht löschen. Sie müssen diese manuell löschen."),
                       QString(), mkError, bcOK);
    });
}

void TMain::SetupCheck(const TExtractList& list)
{
    if (ShowMessageBox(Boxes(),
                       QStringLiteral("Es wurde Setup-Programm gefunden, möchten Sie die Installation der Software "
                                      "jetzt durchführen?"),
                       QStringLiteral("Valbrix"), mkConfirmation, bcYesNo) != idYes)
        return;
    const QString folder = CreateTempFolder();
    if (folder.isEmpty()) {
        ShowStartFailure(Boxes());
        return;
    }
    std::unique_ptr<QProgressBar> progress(CreateProgressBar());
    const int count = ExtractEntries(eoWithFolders | eoOverwrite, folder, progress.get(), list);
    progress.reset();  // no bar nor Abbrechen under the boxes that follow
    if (FCloseRequested) {
        DeleteTempFolder(folder);
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    const TRunQuestions& run = FExtractor.Questions();
    ShowCollectedFailures(Boxes(), run.CollectedFailures());
    if (count == 0 || run.Stopped()) {
        DeleteTempFolder(folder);  // the extraction already said why, or the user stopped it
        return;
    }
    // Installers look for their files beside themselves.
    const QString setup = SetupProgramIn(folder);
    if (setup.isEmpty() || !FSeams.Launcher->StartProgram({QFile::encodeName(setup).toStdString()}, false, false,
                                                              QFile::encodeName(QFileInfo(setup).absolutePath()).toStdString())) {
        ShowStartFailure(Boxes());
        DeleteTempFolder(folder);
        return;
    }
    ShowMessageBox(Boxes(),
                   QStringLiteral("Klicken Sie nach erfolgreicher Installation der Software auf \u201EOK\u201C, um die "
                                  "temporären Installationsdateien zu löschen!"),
                   QString(), mkInformation, bcOK);
    DeleteTempFolder(folder);
}

}  // namespace valbrix
