// TMain's side of its runs: the extraction dialog and the remembered
// folder before the extraction command, the progress bar over the first
// status panel as the view of every run, and closing during a run. While a
// run (or a take-back) goes on, the commands that would clear the list or
// start another run are disabled; closing the window meanwhile asks first,
// then stops the run (the entry being written is discarded, so no partial
// file stays) and closes the window once the run has returned.
#include "app/window/MainUnit.h"

#include <algorithm>
#include <memory>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include "app/dialogs/DirSelectUnit.h"
#include "app/texts/ListTexts.h"
#include "app/texts/OpenTexts.h"
#include "app/workflows/EventPump.h"
#include "app/texts/ExtractTexts.h"
#include "app/dialogs/MessageBox.h"
#include "app/workflows/TakeBack.h"
#include "app/workflows/TargetFolder.h"
#include "app/list/ZipListModel.h"
#include "platform/FolderServices.h"
#include "controls/ToolEdit.h"
#include "platform/gui/Launcher.h"
#include "platform/gui/PathFacts.h"

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
    return FExtractor.ExtractEntries(FSession.Archive(), options, folder,
                                     [progressBar](int percent) { progressBar->setValue(percent); }, list);
}

void TMain::RunStarted(const std::function<void()>& cancel)
{
    (void)cancel;  // the window's "Abbrechen" stops whatever runs (AbortRun)
    FRunBar.reset(CreateProgressBar());
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TMain::RunProgress(int percent)
{
    if (FRunBar)
        FRunBar->setValue(percent);
}

void TMain::SetCancelEnabled(bool enabled)
{
    if (CancelRunBtn)
        CancelRunBtn->setEnabled(enabled);
}

void TMain::RunOver()
{
    if (!FRunBar)
        return;
    FRunBar.reset();
    QApplication::restoreOverrideCursor();
}

void TMain::BusyChanged(bool busy)
{
    (void)busy;
    ApplyBusyState();
}

void TMain::CloseIfRequested()
{
    if (FCloseRequested)
        QTimer::singleShot(0, this, &QWidget::close);
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
    dialog.SetFolderText(lastFolder.isEmpty() ? platform::AbsoluteFolderOf(FArchiveName) : lastFolder);
    dialog.DirEdit->FolderDialogRunner = FSeams.RunFolderDialog;
    if (FSeams.RunDirSelectDlg(dialog) != QDialog::Accepted)
        return;
    FSettings.WriteLastFolder(dialog.FolderText());

    TExtractRequest request;
    request.Folder = dialog.FolderText();
    request.Options = (dialog.WithFolders() ? eoWithFolders : 0) | (dialog.Overwrite() ? eoOverwrite : 0);
    request.List = EntriesOfRows(selected);
    FExtractCommand.Run(FSession.Archive(), request, *this);
    CloseIfRequested();
}

void TMain::closeEvent(QCloseEvent* event)
{
    if (FExtractCommand.TakingBack()) {
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
