// The setup flow; see the header.
#include "app/workflows/SetupCommand.h"


#include "app/dialogs/MessageBox.h"
#include "app/workflows/ExtractCommand.h"
#include "platform/FolderServices.h"
#include "platform/gui/NativePath.h"
#include "platform/gui/PathFacts.h"

namespace valbrix {

namespace {

QString SetupProgramIn(const QString& folder)
{
    for (const QString& name : platform::FilesIn(folder))
        if (name.compare(QLatin1String("Setup.exe"), Qt::CaseInsensitive) == 0)
            return folder + QLatin1Char('/') + name;
    return QString();
}

void ShowStartFailure(TMessageBoxPresenter& boxes)
{
    ShowMessageBox(boxes, QStringLiteral("Konnte Setup-Programm nicht öffnen!"), QString(), mkError, bcOK);
}

}  // namespace

TSetupCommand::TSetupCommand(const TWindowSeams& seams, TEntryExtractor& extractor)
    : FSeams(seams), FExtractor(extractor), FFolders(platform::TemporaryFolder())
{
}

void TSetupCommand::DeleteFolder(const QString& folder)
{
    platform::RemoveTree(platform::NativePath(folder), [this](const std::string& file) {
        ShowMessageBox(*FSeams.Boxes,
                       QStringLiteral("Konnte Datei ") + platform::DisplayPath(file) +
                           QStringLiteral(" nicht löschen. Sie müssen diese manuell löschen."),
                       QString(), mkError, bcOK);
    });
    // The session folder goes with its last use; one still holding a file stays for the next start's sweep.
    FFolders.RemoveAll();
}

void TSetupCommand::Run(const TZipArchive& archive, const TExtractList& list, TRunView& view)
{
    if (ShowMessageBox(*FSeams.Boxes,
                       QStringLiteral("Es wurde Setup-Programm gefunden, möchten Sie die Installation der Software "
                                      "jetzt durchführen?"),
                       QStringLiteral("Valbrix"), mkConfirmation, bcYesNo) != idYes)
        return;
    const QString folder = platform::DisplayPath(FFolders.Create());
    if (folder.isEmpty()) {
        ShowStartFailure(*FSeams.Boxes);
        return;
    }
    const int count = ExtractInView(FExtractor, archive, eoWithFolders | eoOverwrite, folder, list, view);
    if (view.CloseRequested()) {
        DeleteFolder(folder);
        return;
    }
    const TRunQuestions& run = FExtractor.Questions();
    ShowCollectedFailures(*FSeams.Boxes, run.CollectedFailures());
    if (count == 0 || run.Stopped()) {
        DeleteFolder(folder);  // the extraction already said why, or the user stopped it
        return;
    }
    // Installers look for their files beside themselves.
    const QString setup = SetupProgramIn(folder);
    if (setup.isEmpty() || !FSeams.Launcher->StartProgram({platform::NativePath(setup)}, false, false,
                                                              platform::NativePath(folder))) {
        ShowStartFailure(*FSeams.Boxes);
        DeleteFolder(folder);
        return;
    }
    ShowMessageBox(*FSeams.Boxes,
                   QStringLiteral("Klicken Sie nach erfolgreicher Installation der Software auf \u201EOK\u201C, um die "
                                  "temporären Installationsdateien zu löschen!"),
                   QString(), mkInformation, bcOK);
    DeleteFolder(folder);
}

}  // namespace valbrix
