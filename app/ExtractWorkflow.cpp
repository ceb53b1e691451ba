// TMain's extraction command: the dialog, the remembered folder, the checks
// of the target folder, the progress bar over the first status panel, the
// per-entry loop and the summary (with the failures collected on the way
// and the encrypted entries skipped), or, after a stop, the offer to take
// the run back. The bar is gone before any summary shows. While the loop
// (or a take-back) runs, the commands that would clear the list or start
// another extraction are disabled; closing the window meanwhile asks first,
// then stops the extraction (the entry being written is discarded, so no
// partial file stays) and closes the window once the loop has returned. The
// process's current folder is never moved: the job writes below a handle of
// the target folder.
#include "MainUnit.h"

#include <algorithm>
#include <memory>

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
#include "ListTexts.h"
#include "OpenTexts.h"
#include "EventPump.h"
#include "ExtractTexts.h"
#include "MessageBox.h"
#include "TakeBack.h"
#include "TargetFolder.h"
#include "ZipListModel.h"
#include "platform/FolderServices.h"
#include "controls/ToolEdit.h"
#include "platform/gui/Launcher.h"

namespace valbrix {

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
    // Together they cover the panel edge to edge: a gap would show a
    // sliver of the text beneath.
    const QRect panel(StatusPanel0->mapTo(statusBar(), QPoint(0, 0)), StatusPanel0->size());
    const int cancelWidth = std::min(std::max(cancel->sizeHint().width(), 90), panel.width() / 2);
    bar->setGeometry(0, 0, panel.right() + 1 - cancelWidth, statusBar()->height());
    cancel->setGeometry(panel.right() + 1 - cancelWidth, 0, cancelWidth, statusBar()->height());
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

void TMain::HideRunProgress()
{
    for (QProgressBar* bar : statusBar()->findChildren<QProgressBar*>(QString(), Qt::FindDirectChildrenOnly))
        bar->hide();
    if (CancelRunBtn)
        CancelRunBtn->hide();
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

    const QString folder = CleanFolderText(dialog.FolderText());
    const TFolderCheck check = CheckTargetFolder(folder);
    if (check.Problem != fpNone) {
        ShowMessageBox(Boxes(), QStringLiteral("Fehler beim Festlegen des Ordners: ") + QuotedName(folder) +
                           QLatin1Char('\n') + FolderProblemText(check, folder),
                       QStringLiteral("Fehler beim Entpacken"), mkError, bcOK);
        return;
    }
    const TExtractOptions options =
        (dialog.WithFolders() ? eoWithFolders : 0) | (dialog.Overwrite() ? eoOverwrite : 0);
    const TExtractList list = EntriesOfRows(selected);

    std::unique_ptr<QProgressBar> bar(CreateProgressBar());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int count = ExtractEntries(options, folder, bar.get(), list);
    QApplication::restoreOverrideCursor();
    bar.reset();  // the run is over: no bar nor Abbrechen under the summary
    if (FCloseRequested) {
        // The window was closed meanwhile; no summary, just finish closing.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (FExtractor.DiskFull())
        return;  // its box said it all
    const TRunQuestions& run = FExtractor.Questions();
    if (run.Stopped() && !FExtractor.Trail().Empty()) {
        OfferToTakeBack(folder, count, check.Created);
        return;
    }
    TMessageBoxRequest summary;
    summary.Text = SummaryText(count, run.Stopped(), run.CollectedFailures().size(), FExtractor.Skipped().size());
    summary.Caption = QStringLiteral("Entpacken beendet");
    summary.Kind = mkConfirmation;
    summary.Flags = MessageBoxFlags(mkConfirmation, bcYesNo);
    summary.Details = (run.CollectedFailures() + FExtractor.Skipped()).join(QLatin1Char('\n'));
    if (ShowMessageBox(Boxes(), summary) == idYes)
        ExploreFolder(folder);
}

// A stopped run may leave half of what the user asked for: offer to remove
// what it created. Files that stood there before stay: the replaced ones
// are named, since their old content cannot come back. A folder someone
// filled meanwhile stays with its contents.
void TMain::OfferToTakeBack(const QString& folder, int count, bool folderCreated)
{
    const TRunQuestions& run = FExtractor.Questions();
    const std::vector<std::string> replaced = ReplacedFiles(FExtractor.WrittenTargets(), FExtractor.Trail());
    QStringList details = run.CollectedFailures() + FExtractor.Skipped();
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const std::string& name : replaced)
        details << VisibleNameText(base + QFile::decodeName(QByteArray::fromStdString(name))) +
                       QStringLiteral(": ersetzt, alter Inhalt nicht wiederherstellbar");
    TMessageBoxRequest offer;
    offer.Text = StoppedSummaryText(count, run.CollectedFailures().size(), FExtractor.Skipped().size(),
                                    qsizetype(replaced.size()));
    offer.Caption = QStringLiteral("Entpacken abgebrochen");
    offer.Kind = mkConfirmation;
    offer.Flags = MessageBoxFlags(mkConfirmation, bcYesNo);
    offer.Details = details.join(QLatin1Char('\n'));
    if (ShowMessageBox(Boxes(), offer) != idYes)
        return;
    // Tens of thousands of files take a second or more: with a bar, and the
    // window's events dispatched between slices.
    FTakingBack = true;
    ApplyBusyState();
    std::unique_ptr<QProgressBar> bar(CreateProgressBar());
    CancelRunBtn->setEnabled(false);  // half a take-back would help nobody
    TEventPump pump;
    const size_t left = TakeBackRun(folder, FExtractor.Trail(), folderCreated, [&](size_t done, size_t total) {
        bar->setValue(int(double(done) * 100.0 / double(std::max<size_t>(total, 1))));
        pump.Pump();
    });
    bar.reset();
    FTakingBack = false;
    ApplyBusyState();
    if (left > 0)
        ShowMessageBox(Boxes(), TrailLeftText(left), QStringLiteral("Entpacken abgebrochen"), mkWarning, bcOK);
    if (FCloseRequested)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TMain::ExploreFolder(const QString& folder)
{
    // Whether a file manager came up is the desktop's business, unless it says it has none.
    FSeams.Launcher->OpenLocal(folder, this, [this, folder] {
        ShowMessageBox(Boxes(), NoProgramText(folder), QString(), mkInformation, bcOK);
    });
}

void TMain::closeEvent(QCloseEvent* event)
{
    if (FTakingBack) {
        // Moments from its end, and not to be left half done: close after it.
        FCloseRequested = true;
        event->ignore();
        return;
    }
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
