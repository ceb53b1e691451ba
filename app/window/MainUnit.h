// TMain, the one main window: the list of the open archive's file entries,
// the menus, toolbar and status bar, and the commands that start there. It
// owns the rows (through TZipListModel); the archive, its totals and setup
// program are its TArchiveSession's; the rules it applies (command states,
// texts, command-line reassembly) live in MainState and ListTexts. Every box,
// dialog and hand-over to the desktop goes through the window's own seams
// (TWindowSeams), which it lends to its controllers. A path that is no
// readable archive simply lists nothing; an archive whose directory is
// damaged lists what could be read and says so in a message.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>

#include "app/workflows/ArchiveSession.h"
#include "app/workflows/ArchiveTester.h"
#include "app/dialogs/CfgDlg.h"
#include "app/workflows/EntryOpener.h"
#include "app/workflows/ExtractCommand.h"
#include "app/workflows/RunView.h"
#include "app/workflows/SettingsStore.h"
#include "app/workflows/SetupCommand.h"
#include "app/list/ListView.h"
#include "app/workflows/ExtractEntries.h"
#include "app/window/MainState.h"
#include "app/dialogs/MessageBox.h"
#include "app/dialogs/WindowSeams.h"
#include "about/MyCompInfo.h"
#include "settings/MyIni.h"

class QAction;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMimeData;
class QPlainTextEdit;
class QMenu;
class QProgressBar;
class QToolBar;
class QTreeView;

namespace valbrix {

class TRePosApp;
class TDirSelectDlg;
class TZipListModel;

class TMain : public QMainWindow, private TRunView {
    Q_OBJECT
public:
    explicit TMain(QWidget* parent = nullptr);
    ~TMain() override;

    // True when the archive's directory listed at least one entry, folder entries included.
    bool OpenArchive(const QString& path);
    void ClearList();
    QString GetCommandLineArchive() const;
    // The dropped names in their order; the first that lists as an archive is opened.
    void WMDropFiles(const QStringList& names);

    // For tests: the parameters that the first show reads.
    void SetCommandLine(const QStringList& parameters) { FCommandLine = parameters; }
    // The boxes, dialogs and launcher of this window; tests replace them here.
    TWindowSeams& Seams() { return FSeams; }

    // The extraction job over the archive that is open now. Returns the
    // number of entries extracted.
    int ExtractEntries(TExtractOptions options, const QString& folder, QProgressBar* progressBar,
                       const TExtractList& list);
    // "LastFolder" in section "Folders" of the INI file; empty when none is stored.
    QString ReadLastFolder() { return FSettings.ReadLastFolder(); }
    // True while an extraction, a test or a take-back runs (its events are dispatched meanwhile).
    bool Extracting() const { return FExtractor.Running() || FTester.Running() || FExtractCommand.TakingBack(); }
    // Stops the running extraction or test within its current entry.
    void AbortRun();
    // What a drag of the marked rows offers: they are extracted into a
    // private folder first (with the progress bar). Null when nothing is.
    std::unique_ptr<QMimeData> DragData();

    const QString& ArchiveName() const { return FArchiveName; }
    int64_t TotalSize() const { return FTotalSize; }
    // An entry's lower-case file name contained "setup.exe" at the last opening.
    bool SetupFound() const { return FSession.SetupFound(); }
    // The archive named on the command line has been opened (or found
    // missing); that happens once the first shown window is on screen.
    bool CommandLineDone() const { return FCommandLineDone; }
    // Marked rows in view; marked rows a filter hides are counted apart.
    int SelectedCount() const;
    int HiddenMarkCount() const { return FHiddenMarkCount; }

    // Components, named as the form names them.
    TListView* LV = nullptr;
    QLineEdit* FilterEdit = nullptr;  // narrows the rows to the names matching its text
    QPlainTextEdit* CommentView = nullptr;  // the archive comment, read-only, below the list
    TZipListModel* Model = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QToolBar* ToolBar = nullptr;
    QPointer<QPushButton> CancelRunBtn;  // "Abbrechen" beside the progress bar while a run goes on
    QMenu* PopupMenu = nullptr;
    QFileDialog* OpenDialog = nullptr;
    std::unique_ptr<TRePosApp> RePosApp;  // window placement in valbrix.ini
    QAction* ffnen1 = nullptr;
    QAction* Archivtesten1 = nullptr;
    QAction* Schlieen1 = nullptr;
    QAction* Beenden1 = nullptr;
    QAction* Alleauswhlen2 = nullptr;
    QAction* Alleabwhlen1 = nullptr;
    QAction* ZipArchiventpacken1 = nullptr;
    QAction* Einstellungen1 = nullptr;
    QAction* Webseite1 = nullptr;
    QAction* Info1 = nullptr;
    QAction* Filtern1 = nullptr;
    QAction* Kommentar1 = nullptr;     // shows or hides the comment area; remembered in the INI file
    QAction* Alleauswhlen1 = nullptr;  // popup
    QAction* Alleabwhlen2 = nullptr;   // popup
    QAction* CloseBtn = nullptr;
    QAction* OpenBtn = nullptr;
    QAction* SelAllBtn = nullptr;
    QAction* UnzipBtn = nullptr;
    about::TCompileInfo CompileInfo = about::TCompileInfo::ForThisBuild();
    TTheIniFile MyIniFile;

public slots:
    void ffnen1Click();
    void Schlieen1Click();
    void CloseBtnClick();
    void Alleauswhlen1Click();
    void Keineauswhlen1Click();
    void UnzipBtnClick();
    void Archivtesten1Click();
    void Einstellungen1Click();
    void Webseite1Click();
    void Info1Click();
    void LVClick();
    // Opens the row's entry with the desktop's program (double-click, Enter).
    void LVDblClick(const QModelIndex& index);
    // Orders the rows by a column; the marked entries stay marked.
    void SortList(int column, Qt::SortOrder order);
    // Shows the rows whose name matches `text`; marks survive it: a row the
    // filter hides is marked again when it comes back into view.
    void FilterList(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Local files dragged in from elsewhere, not our own rows.
    bool IsDropOfFiles(const QDropEvent* event) const;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormShowWhenExposed();
    // Each column as wide as its contents, within the list's width.
    void FitColumns();
    void FormDestroy();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateList();
    void CreateStatusBar();
    void CreateOpenDialog();
    TMessageBoxPresenter& Boxes() const { return *FSeams.Boxes; }
    void ApplyCommandState(const TCommandState& state);
    void ApplyBusyState();
    QProgressBar* CreateProgressBar();
    // The run is over: its bar and "Abbrechen" leave the status bar before
    // any box of its end (their owner deletes them later).
    void HideRunProgress();
    // The window as the view of its runs: the bar over the first status panel.
    void RunStarted(const std::function<void()>& cancel) override;
    void RunProgress(int percent) override;
    void SetCancelEnabled(bool enabled) override;
    void RunOver() override;
    bool CloseRequested() const override { return FCloseRequested; }
    void BusyChanged(bool busy) override;
    // After a run: a close asked for meanwhile is finished now.
    void CloseIfRequested();
    // The comment area: built hidden, filled at each opening, shown when
    // there is a comment and the user wants it.
    void CreateCommentArea();
    void ShowComment(const std::string& comment);
    void Kommentar1Click(bool shown);
    void SelectAllRows();
    void ListSelectionChanged();
    std::vector<int> SelectedRowNumbers() const;
    // Runs `change` on the rows with the marks kept by entry.
    void ChangeRowsKeepingMarks(const std::function<void()>& change);
    void UpdateFilesPanel();
    // The rows' entries, top to bottom as the list shows them.
    TExtractList EntriesOfRows(std::vector<int> rows) const;
    // Extracts the marked rows and drags them out of the window.
    void LVStartDrag();

    QString FArchiveName;      // last path given to OpenArchive, kept after closing
    int64_t FTotalSize = 0;    // all rows after opening; the selected rows after a selection update
    int FColumnWidening = 0;   // pixels the columns grew beyond their nominal widths to fit their captions
    bool FShown = false;
    bool FCommandLineDone = false;
    int FExposeWaits = 0;      // polls for the first show's window to be on screen
    int FUpdateDepth = 0;      // > 0 while the list is filled or cleared: no per-row selection updates
    // Marks of rows the filter hides, by table index (empty without a
    // table); commands on the marks take the rows in view only.
    std::vector<char> FHiddenMarks;
    int FHiddenMarkCount = 0;
    int64_t FHiddenMarkBytes = 0;
    QStringList FCommandLine;
    TWindowSeams FSeams;            // before the controllers, which keep a reference
    TCommandState FCommandState;    // what the list allows; an extraction masks some of it
    TEntryExtractor FExtractor;     // runs the extraction job, one at a time
    TArchiveTester FTester;         // "Archiv testen"
    TEntryOpener FOpener;           // opens an entry, prepares a drag; owns their private folders
    TArchiveSession FSession;       // the listed archive, its totals and setup program
    TSettingsStore FSettings{MyIniFile, FSeams};
    TExtractCommand FExtractCommand{FSeams, FExtractor, this};
    TSetupCommand FSetupCommand{FSeams, FExtractor};
    std::unique_ptr<QProgressBar> FRunBar;  // the running command's, over the first panel
    QString FOpenProblem;           // why the last opening showed no rows; empty when it did
    TMessageKind FOpenProblemKind = mkError;
    bool FQuietOpen = false;        // OpenArchive keeps its problem for the caller (drops)
    bool FCloseRequested = false;   // the window was closed during an extraction
    bool FClosingAsked = false;     // the question before closing mid-run is open
};

}  // namespace valbrix
