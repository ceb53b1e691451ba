// TMain's extraction command: the dialog, the remembered folder, the checks
// of the target folder, the progress bar over the first status panel, the
// per-entry loop and the summary (with the failures collected on the way).
// While the loop runs, the commands that would clear the list or start
// another extraction are disabled; closing the window meanwhile asks first,
// then stops the extraction (the entry being written is discarded, so no
// partial file stays) and closes the window once the loop has returned. The
// process's current folder is never moved: the job writes below a handle of
// the target folder.
#include "MainUnit.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include "DirSelectUnit.h"
#include "ExtractTexts.h"
#include "MessageBox.h"
#include "TargetFolder.h"
#include "ZipListModel.h"
#include "platform/FolderServices.h"
#include "controls/ToolEdit.h"
#include "platform/gui/Launcher.h"

namespace valbrix {

namespace {

// Removes the progress bar however the command ends.
class TProgressBarOwner {
public:
    explicit TProgressBarOwner(QProgressBar* bar) : FBar(bar) {}
    ~TProgressBarOwner() { delete FBar; }
    TProgressBarOwner(const TProgressBarOwner&) = delete;
    TProgressBarOwner& operator=(const TProgressBarOwner&) = delete;
    QProgressBar* Bar() const { return FBar; }

private:
    QProgressBar* FBar;
};

}  // namespace

QProgressBar* TMain::CreateProgressBar()
{
    // The bar covers the first panel; beside it "Abbrechen" (and Escape)
    // stops the run within its current entry. Both go with the bar.
    auto* bar = new QProgressBar(statusBar());
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), statusBar());
    cancel->setFocusPolicy(Qt::NoFocus);  // the list keeps the keyboard
    const int cancelWidth = std::max(cancel->sizeHint().width(), 90);
    bar->setGeometry(0, 0, StatusPanel0->width() - cancelWidth - 4, statusBar()->height());
    cancel->setGeometry(StatusPanel0->width() - cancelWidth, 0, cancelWidth, statusBar()->height());
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), cancel, nullptr, nullptr, Qt::WindowShortcut);
    escape->setParent(bar);  // lives as long as the bar; its context is the window
    connect(cancel, &QPushButton::clicked, this, &TMain::AbortRun);
    connect(escape, &QShortcut::activated, this, &TMain::AbortRun);
    // At once, not later: the next run's button must not meet this one.
    connect(bar, &QObject::destroyed, [button = QPointer<QPushButton>(cancel)] { delete button.data(); });
    CancelRunBtn = cancel;
    bar->show();
    bar->raise();
    cancel->show();
    cancel->raise();
    return bar;
}

void TMain::AbortRun()
{
    FExtractor.Abort();
    FTester.Abort();
}

int TMain::ExtractEntries(TExtractOptions options, const QString& folder, QProgressBar* progressBar,
                          const TExtractList& list)
{
    return FExtractor.ExtractEntries(FSession.Archive(), options, folder, progressBar, list);
}

void TMain::UnzipBtnClick()
{
    if (Extracting())
        return;
    const std::vector<int> selected = SelectedRowNumbers();
    if (selected.empty())
        return;
    TDirSelectDlg dialog(this);
    const QString lastFolder = ReadLastFolder();
    dialog.SetFolderText(lastFolder.isEmpty() ? QFileInfo(FArchiveName).absolutePath() : lastFolder);
    dialog.DirEdit->FolderDialogRunner = FSeams.RunFolderDialog;
    if (FSeams.RunDirSelectDlg(dialog) != QDialog::Accepted)
        return;
    WriteLastFolder(dialog.FolderText());
    const TProgressBarOwner progress(CreateProgressBar());

    const QString folder = CleanFolderText(dialog.FolderText());
    if (const TFolderCheck check = CheckTargetFolder(folder); check.Problem != fpNone) {
        ShowMessageBox(Boxes(), QStringLiteral("Fehler beim Festlegen des Ordners: ") + folder + QLatin1Char('\n') +
                           FolderProblemText(check, folder),
                       QStringLiteral("Fehler beim Entpacken"), mkError, bcOK);
        return;
    }
    const TExtractOptions options =
        (dialog.WithFolders() ? eoWithFolders : 0) | (dialog.Overwrite() ? eoOverwrite : 0);
    const TExtractList list = EntriesOfRows(selected);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int count = ExtractEntries(options, folder, progress.Bar(), list);
    QApplication::restoreOverrideCursor();
    if (FCloseRequested) {
        // The window was closed meanwhile; no summary, just finish closing.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (FExtractor.DiskFull())
        return;  // its box said it all
    const TRunQuestions& run = FExtractor.Questions();
    if (run.Stopped() && !FExtractor.Trail().Empty()) {
        OfferToTakeBack(folder, count);
        return;
    }
    TMessageBoxRequest summary;
    summary.Text = SummaryText(count, run.Stopped(), run.CollectedFailures().size());
    summary.Caption = QStringLiteral("Entpacken beendet");
    summary.Kind = mkConfirmation;
    summary.Flags = MessageBoxFlags(mkConfirmation, bcYesNo);
    summary.Details = run.CollectedFailures().join(QLatin1Char('\n'));
    if (ShowMessageBox(Boxes(), summary) == idYes)
        platform::ExploreFolder(*FSeams.Launcher, folder);
}

// A stopped run may leave half of what the user asked for: offer to remove
// what it created. Files that stood there before stay, replaced or not, and
// a folder someone filled meanwhile stays with its contents.
void TMain::OfferToTakeBack(const QString& folder, int count)
{
    const TRunQuestions& run = FExtractor.Questions();
    TMessageBoxRequest offer;
    offer.Text = StoppedSummaryText(count, run.CollectedFailures().size());
    offer.Caption = QStringLiteral("Entpacken abgebrochen");
    offer.Kind = mkConfirmation;
    offer.Flags = MessageBoxFlags(mkConfirmation, bcYesNo);
    offer.Details = run.CollectedFailures().join(QLatin1Char('\n'));
    if (ShowMessageBox(Boxes(), offer) != idYes)
        return;
    platform::TFolder target;
    const size_t left = target.Open(QFile::encodeName(folder).toStdString()) == 0
                            ? RemoveTrail(target, FExtractor.Trail())
                            : FExtractor.Trail().Files.size() + FExtractor.Trail().Folders.size();
    if (left > 0)
        ShowMessageBox(Boxes(), TrailLeftText(left), QStringLiteral("Entpacken abgebrochen"), mkWarning, bcOK);
}

void TMain::closeEvent(QCloseEvent* event)
{
    if (Extracting()) {
        // Asked once: a second close while the question is open is that question's.
        if (!FCloseRequested && !FClosingAsked) {
            FClosingAsked = true;
            const QString question = FTester.Running()
                                         ? QStringLiteral("Die Prüfung läuft noch. Abbrechen und Valbrix beenden?")
                                         : QStringLiteral("Das Entpacken läuft noch. Abbrechen und Valbrix beenden?");
            const int answer = ShowMessageBox(Boxes(), question, QStringLiteral("Valbrix"), mkConfirmation, bcYesNo);
            FClosingAsked = false;
            if (answer == idYes && Extracting()) {
                FCloseRequested = true;
                AbortRun();
            }
        }
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace valbrix
