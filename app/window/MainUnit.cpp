// TMain's behaviour: start-up, opening and closing an archive, the selection
// commands and their states, dropping files and the command line.
#include "app/window/MainUnit.h"

#include <algorithm>
#include <vector>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTreeView>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "app/list/ColumnFit.h"
#include "app/list/ListView.h"
#include "app/dialogs/DirSelectUnit.h"
#include "app/texts/ListTexts.h"
#include "app/dialogs/MessageBox.h"
#include "app/tools/MyTools.h"
#include "app/texts/OpenTexts.h"
#include "Version.h"
#include "app/list/ZipListModel.h"
#include "about/AboutDlg.h"
#include "engine/SizeSum.h"
#include "engine/archive/EntryTable.h"
#include "platform/FileServices.h"
#include "platform/FolderServices.h"
#include "platform/gui/Launcher.h"
#include "platform/gui/PathFacts.h"
#include "settings/IniFile.h"
#include "settings/ReposApp.h"

namespace valbrix {

namespace {

// While alive, selection changes made by the window itself run no
// selection-state update; the window runs one at the end instead.
class TUpdateBracket {
public:
    explicit TUpdateBracket(int& depth) : FDepth(depth) { ++FDepth; }
    ~TUpdateBracket() { --FDepth; }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    int& FDepth;
};


QStringList LocalFiles(const QMimeData* mime)
{
    QStringList names;
    if (mime && mime->hasUrls())
        for (const QUrl& url : mime->urls())
            if (url.isLocalFile())
                names << url.toLocalFile();
    return names;
}

}  // namespace

TMain::TMain(QWidget* parent)
    : QMainWindow(parent)
    , FCommandLine(QCoreApplication::arguments().mid(1))
    , FExtractor(FSeams)
    , FTester(FSeams)
    , FOpener(FExtractor, FSeams, platform::TemporaryFolder())
{
    FormCreate();
}

TMain::~TMain()
{
    FormDestroy();
}

void TMain::FormShow()
{
    QString path = GetCommandLineArchive();
    // Parameters that name no file are opened as they stand, so the
    // message says what was not found instead of leaving an empty window.
    if (path.isEmpty())
        path = FCommandLine.join(QLatin1Char(' '));
    if (!path.isEmpty())
        OpenArchive(path);
}

void TMain::FormDestroy()
{
    ClearList();
    RePosApp->InifileName = DefaultIniFilePath();
    RePosApp->SavePlacement(true);
    setAcceptDrops(false);
}

void TMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!FShown) {
        FShown = true;
        // The archive of the command line is listed once the window is on
        // screen, so a long listing, the setup question or a damage message
        // appears over a painted window rather than before any.
        QMetaObject::invokeMethod(this, &TMain::FormShowWhenExposed, Qt::QueuedConnection);
    }
}

void TMain::FormShowWhenExposed()
{
    // A window manager may take a moment to map the window; half a second
    // at most, then the archive is listed anyway.
    const QWindow* window = windowHandle();
    if (window && !window->isExposed() && FExposeWaits < 50) {
        ++FExposeWaits;
        QTimer::singleShot(10, this, &TMain::FormShowWhenExposed);
        return;
    }
    repaint();
    FormShow();
    FCommandLineDone = true;
}

void TMain::FitColumns()
{
    QHeaderView* header = LV->header();
    std::vector<int> wanted(lcCount), least(lcCount);
    for (int column = 0; column < lcCount; ++column) {
        least[column] = header->sectionSizeHint(column);
        // Measures the rows in view and a bounded number beyond (the header's
        // precision), so a million rows cost no more than a thousand.
        LV->resizeColumnToContents(column);
        wanted[column] = header->sectionSize(column);
    }
    const std::vector<int> widths = FitColumnWidths(wanted, least, LV->viewport()->width());
    for (int column = 0; column < lcCount; ++column)
        header->resizeSection(column, widths[size_t(column)]);
}

QString TMain::GetCommandLineArchive() const
{
    return ReassembleArchivePath(FCommandLine);
}

bool TMain::OpenArchive(const QString& path)
{
    if (Extracting())
        return false;  // the running extraction reads this archive and these rows
    FArchiveName = path;
    TUpdateBracket bracket(FUpdateDepth);
    ClearList();

    const TArchiveListing listing = FSession.Open(path);
    const bool listed = listing.Table->Size() > 0;
    const qsizetype entriesRead = qsizetype(listing.Table->Size());
    const TExtractList setupList = FSession.SetupList(listing);
    Model->SetTable(listing.Table);
    SelectAllRows();

    const int rowCount = Model->rowCount();
    FTotalSize = FSession.FileBytes();
    UpdateFilesPanel();
    StatusPanel1->setText(SelectedPanelText(rowCount, FTotalSize));
    setWindowTitle(MainCaption(rowCount, FArchiveName));
    ApplyCommandState(CommandStateAfterListing(rowCount, SelectedCount()));
    const TOpenProblem problem = FSession.OpenProblem(path, listing, rowCount);
    FOpenProblem = problem.Text;
    FOpenProblemKind = problem.Kind;
    if (!FOpenProblem.isEmpty() && !FQuietOpen)
        ShowMessageBox(Boxes(), FOpenProblem, QString(), FOpenProblemKind, bcOK);
    // The rows read so far stay: they are real entries, and the user may still extract them.
    if (listing.Status == dsDamaged)
        ShowMessageBox(Boxes(), FSession.DamageText(path, rowCount, entriesRead - rowCount), QString(), mkError, bcOK);
    ShowComment(FSession.Archive().Comment());
    if (rowCount > 0)
        FitColumns();
    if (!setupList.empty()) {
        FSetupCommand.Run(FSession.Archive(), setupList, *this);
        CloseIfRequested();
    }
    return listed;
}

void TMain::ClearList()
{
    // An extraction shares the entry table with the rows, so the records
    // outlive the list; but it dispatches window messages and reports against this archive, so the
    // commands that end up here (open, drop, close, exit) are refused or
    // deferred while it runs (see ApplyBusyState and closeEvent).
    TUpdateBracket bracket(FUpdateDepth);
    Model->Clear();
    FHiddenMarks.clear();
    FHiddenMarkCount = 0;
    FHiddenMarkBytes = 0;
    ShowComment({});
    FSession.Close();
    FOpener.RemoveFolders();  // the files opened or dragged from it go with it
    const QSignalBlocker quietFilter(FilterEdit);
    FilterEdit->clear();
    // The next archive starts in the order by name; no sort runs for that.
    const QSignalBlocker quiet(LV->header());
    LV->header()->setSortIndicator(lcName, Qt::AscendingOrder);
    LV->header()->viewport()->update();
}

void TMain::SortList(int column, Qt::SortOrder order)
{
    ChangeRowsKeepingMarks([&] { Model->sort(column, order); });
}

void TMain::FilterList(const QString& text)
{
    ChangeRowsKeepingMarks([&] { Model->SetFilter(text); });
    UpdateFilesPanel();
    LVClick();
}

void TMain::ChangeRowsKeepingMarks(const std::function<void()>& change)
{
    if (!Model->Table()) {
        change();
        return;
    }
    // The marks are kept by entry, and the selection is emptied while the
    // rows move: otherwise it would hold one persistent index per marked row.
    std::vector<char> marked = std::move(FHiddenMarks);
    marked.resize(Model->Table()->Size(), 0);
    for (int row : SelectedRowNumbers())
        marked[Model->EntryIndex(row)] = 1;
    TUpdateBracket bracket(FUpdateDepth);
    LV->selectionModel()->clearSelection();
    change();
    QItemSelection selection;
    const int rowCount = Model->rowCount();
    for (int row = 0; row < rowCount;) {
        if (!marked[Model->EntryIndex(row)]) {
            ++row;
            continue;
        }
        const int top = row;
        while (row < rowCount && marked[Model->EntryIndex(row)])
            ++row;
        selection.append(QItemSelectionRange(Model->index(top, 0), Model->index(row - 1, lcCount - 1)));
    }
    LV->selectionModel()->select(selection, QItemSelectionModel::Select);
    // What is left marked is out of view.
    for (int row = 0; row < rowCount; ++row)
        marked[Model->EntryIndex(row)] = 0;
    FHiddenMarkCount = 0;
    FHiddenMarkBytes = 0;
    for (size_t entry = 0; entry < marked.size(); ++entry)
        if (marked[entry]) {
            ++FHiddenMarkCount;
            FHiddenMarkBytes = AddSizeSaturated(FHiddenMarkBytes, Model->Table()->Record(entry).UncompressedSize);
        }
    FHiddenMarks = std::move(marked);
}

void TMain::UpdateFilesPanel()
{
    if (Model->FilterText().isEmpty())
        StatusPanel0->setText(FilesPanelText(Model->rowCount(), FSession.FileBytes(), FSession.CompressedBytes()));
    else
        StatusPanel0->setText(FilteredPanelText(Model->rowCount(), Model->FileCount()));
}

std::vector<int> TMain::SelectedRowNumbers() const
{
    const int rowCount = Model->rowCount();
    // Ranges of the selection may overlap; each row counts once.
    std::vector<char> marked(size_t(rowCount), 0);
    std::vector<int> rows;
    for (const QItemSelectionRange& range : LV->selectionModel()->selection())
        for (int row = std::max(range.top(), 0); row <= range.bottom() && row < rowCount; ++row)
            if (!marked[size_t(row)]) {
                marked[size_t(row)] = 1;
                rows.push_back(row);
            }
    return rows;
}

int TMain::SelectedCount() const
{
    return int(SelectedRowNumbers().size());
}

void TMain::SelectAllRows()
{
    TUpdateBracket bracket(FUpdateDepth);
    const int rowCount = Model->rowCount();
    if (rowCount == 0)
        return;
    LV->selectionModel()->select(QItemSelection(Model->index(0, 0), Model->index(rowCount - 1, lcCount - 1)),
                                 QItemSelectionModel::ClearAndSelect);
}

void TMain::ApplyCommandState(const TCommandState& state)
{
    FCommandState = state;
    ApplyBusyState();
}

void TMain::ApplyBusyState()
{
    // While an extraction runs, nothing may clear the list or start another one.
    const bool idle = !Extracting();
    for (QAction* action : {UnzipBtn, ZipArchiventpacken1})
        action->setEnabled(FCommandState.Unzip && idle);
    // The rows must hold still while a run reports against them.
    FilterEdit->setEnabled(idle);
    Filtern1->setEnabled(idle);
    for (QAction* action : {SelAllBtn, Alleauswhlen2, Alleauswhlen1, Alleabwhlen1, Alleabwhlen2})
        action->setEnabled(FCommandState.Selection);
    Schlieen1->setEnabled(FCommandState.Close && idle);
    Archivtesten1->setEnabled(FCommandState.Selection && idle);
    for (QAction* action : {ffnen1, OpenBtn})
        action->setEnabled(idle);
}

void TMain::ListSelectionChanged()
{
    if (FUpdateDepth == 0)
        LVClick();
}

void TMain::LVClick()
{
    const std::vector<int> selected = SelectedRowNumbers();
    FTotalSize = FHiddenMarkBytes;
    for (int row : selected)
        FTotalSize = AddSizeSaturated(FTotalSize, Model->Record(row).UncompressedSize);
    ApplyCommandState(CommandStateAfterSelection(Model->rowCount(), int(selected.size()), FCommandState.Close));
    StatusPanel1->setText(SelectedPanelText(int(selected.size()) + FHiddenMarkCount, FTotalSize, FHiddenMarkCount));
}

void TMain::Alleauswhlen1Click()
{
    SelectAllRows();
    LVClick();
}

void TMain::Keineauswhlen1Click()
{
    {
        TUpdateBracket bracket(FUpdateDepth);
        LV->selectionModel()->clearSelection();
    }
    LVClick();
}

void TMain::ffnen1Click()
{
    if (Extracting())
        return;
    // The dialog keeps a typed name however it is asked to forget it; a new
    // one in the same folder starts with an empty name.
    const QString folder = OpenDialog->directory().absolutePath();
    delete OpenDialog;
    CreateOpenDialog();
    OpenDialog->setDirectory(folder);
    const QString path = FSeams.RunOpenDialog(*OpenDialog);
    if (!path.isEmpty())
        OpenArchive(path);
}

void TMain::Schlieen1Click()
{
    if (Extracting())
        return;
    Schlieen1->setEnabled(false);
    ClearList();
    ApplyCommandState(CommandStateAfterListing(0, 0));
}

void TMain::CloseBtnClick()
{
    close();
}

void TMain::Einstellungen1Click()
{
    RunSettingsCommand(this, FSeams.RunCfgDlg, Boxes());
}

void TMain::Webseite1Click()
{
    // Whether a browser came up is the desktop's business; nothing to report.
    FSeams.Launcher->OpenUrl(QUrl(QStringLiteral(VALBRIX_WEBSITE)));
}

void TMain::Info1Click()
{
    // A fresh dialog per opening, freed when it closes.
    about::TAboutDlg dialog(CompileInfo, [](int64_t bytes) { return MyTools().FormatSize(bytes); }, this);
    dialog.UseLauncher(*FSeams.Launcher);
    FSeams.RunAboutDlg(dialog);
}

void TMain::WMDropFiles(const QStringList& names)
{
    // A text file dropped together with an archive is passed over without a
    // word; only when nothing opened is the first file's problem told.
    QString problem;
    TMessageKind problemKind = mkError;
    FQuietOpen = true;
    bool opened = false;
    for (const QString& name : names)
        if (platform::IsExistingFile(name)) {
            opened = OpenArchive(name);
            if (problem.isEmpty() || opened) {
                problem = FOpenProblem;
                problemKind = FOpenProblemKind;
            }
            if (opened)
                break;
        }
    FQuietOpen = false;
    if (!problem.isEmpty())
        ShowMessageBox(Boxes(), problem, QString(), problemKind, bcOK);
}

bool TMain::IsDropOfFiles(const QDropEvent* event) const
{
    // Our own rows dragged back in are no files to open: an archive among
    // them would replace the list it came from.
    const QStringList names = LocalFiles(event->mimeData());
    return !names.isEmpty() && !event->source() &&
           std::none_of(names.begin(), names.end(), [this](const QString& name) { return FOpener.IsOwnFile(name); });
}

void TMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (IsDropOfFiles(event))
        event->acceptProposedAction();
}

void TMain::dragMoveEvent(QDragMoveEvent* event)
{
    if (IsDropOfFiles(event))
        event->acceptProposedAction();
}

void TMain::dropEvent(QDropEvent* event)
{
    if (!IsDropOfFiles(event) || Extracting())
        return;
    const QStringList names = LocalFiles(event->mimeData());
    event->acceptProposedAction();
    WMDropFiles(names);
}

bool TMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FilterEdit && event->type() == QEvent::ShortcutOverride) {
        // The field's own Ctrl+U (delete the line) must not hide the window's
        // extraction, nor Ctrl+T its test.
        const QKeyCombination key = static_cast<QKeyEvent*>(event)->keyCombination();
        if (key == (Qt::CTRL | Qt::Key_U) || key == (Qt::CTRL | Qt::Key_T)) {
            event->ignore();
            return true;
        }
    }
    if (watched == FilterEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Escape empties the field; in an empty one it goes back to the list.
        if (FilterEdit->text().isEmpty())
            LV->setFocus();
        else
            FilterEdit->clear();
        return true;
    }
    if (watched == LV->viewport() && event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (LV->indexAt(move->position().toPoint()).isValid())
            LV->viewport()->setCursor(Qt::PointingHandCursor);
        else
            LV->viewport()->unsetCursor();
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace valbrix
