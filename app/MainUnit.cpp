// TMain's behaviour: start-up, opening and closing an archive, the selection
// commands and their states, dropping files and the command line.
#include "MainUnit.h"

#include <algorithm>
#include <exception>
#include <vector>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTreeView>
#include <QUrl>

#include "DirSelectUnit.h"
#include "ListTexts.h"
#include "MessageBox.h"
#include "MyTools.h"
#include "OpenTexts.h"
#include "Version.h"
#include "ZipListModel.h"
#include "about/AboutDlg.h"
#include "engine/SizeSum.h"
#include "engine/archive/ZipDirectory.h"
#include "platform/FileServices.h"
#include "platform/gui/Launcher.h"
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
    , FOpenDialogRunner([](QFileDialog& dialog) {
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                      : QString();
    })
    , FDirSelectRunner([](TDirSelectDlg& dialog) { return dialog.exec(); })
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
        FormShow();
    }
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

    std::vector<TZipEntry> entries;
    TDirectoryStatus status = dsNone;
    const std::string nativePath = QFile::encodeName(path).toStdString();
    platform::TFile probe;
    const int openError = probe.OpenRegularRead(nativePath);
    probe.Close();
    try {
        // Held open from here: the extraction reads this very file, whatever happens to its name.
        if (openError == 0 && FArchive.Open(nativePath) != akNotArchive)
            status = FArchive.ForEachEntry([&entries](const TZipEntry& entry) {
                entries.push_back(entry);
                return true;
            });
    } catch (const std::exception&) {
        // Whatever was listed before the failure still shows, and is told as incomplete.
        status = dsDamaged;
    }
    const bool listed = !entries.empty();
    const qsizetype entriesRead = qsizetype(entries.size());

    // The setup flow extracts every entry, folder entries included, so it
    // keeps the whole listing before the rows take their records.
    TExtractList setupList;
    for (const TZipEntry& entry : entries)
        if (FileNamePart(QString::fromUtf8(entry.FileName)).toLower().contains(QLatin1String("setup.exe"))) {
            setupList = entries;
            break;
        }

    FTotalSize = 0;
    int64_t compressedSize = 0;
    FSetupFound = false;
    std::vector<TListRow> rows;
    rows.reserve(entries.size());
    for (TZipEntry& entry : entries) {
        const QString name = QString::fromUtf8(entry.FileName);
        QString caption = FileNamePart(name);
        if (caption.isEmpty())
            continue;  // a folder entry gets no row
        if (caption.toLower().contains(QLatin1String("setup.exe")))
            FSetupFound = true;
        FTotalSize = AddSizeSaturated(FTotalSize, entry.UncompressedSize);
        compressedSize = AddSizeSaturated(compressedSize, entry.CompressedSize);
        rows.push_back({std::move(entry), std::move(caption), FolderPart(name)});
    }
    Model->SetRows(std::move(rows));
    SelectAllRows();

    const int rowCount = Model->rowCount();
    StatusPanel0->setText(FilesPanelText(rowCount, FTotalSize, compressedSize));
    StatusPanel1->setText(SelectedPanelText(rowCount, FTotalSize));
    setWindowTitle(MainCaption(rowCount, FArchiveName));
    ApplyCommandState(CommandStateAfterListing(rowCount, SelectedCount()));
    // "Not an archive" must not look like "empty": an opening without rows says why.
    FOpenProblem.clear();
    FOpenProblemKind = mkError;
    if (openError != 0)
        FOpenProblem = OpenFailureText(path, openError);
    else if (FArchive.Kind() == akNotArchive)
        FOpenProblem = NotZipText(path);
    else if (status != dsDamaged && rowCount == 0) {
        FOpenProblem = NoFilesText(path);
        FOpenProblemKind = mkInformation;
    }
    if (!FOpenProblem.isEmpty() && !FQuietOpen)
        ShowMessageBox(FOpenProblem, QString(), FOpenProblemKind, bcOK);
    // The rows read so far stay: they are real entries, and the user may still extract them.
    if (status == dsDamaged)
        ShowMessageBox(DamagedDirectoryText(path, entriesRead), QString(), mkError, bcOK);
    if (!setupList.empty())
        SetupCheck(setupList);
    return listed;
}

void TMain::ClearList()
{
    // The rows own the entry records. An extraction works on copies, but it
    // dispatches window messages and reports against this archive, so the
    // commands that end up here (open, drop, close, exit) are refused or
    // deferred while it runs (see ApplyBusyState and closeEvent).
    TUpdateBracket bracket(FUpdateDepth);
    Model->Clear();
    FArchive.Close();  // also wipes the password kept for it
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
    for (QAction* action : {SelAllBtn, Alleauswhlen2, Alleauswhlen1, Alleabwhlen1, Alleabwhlen2})
        action->setEnabled(FCommandState.Selection);
    Schlieen1->setEnabled(FCommandState.Close && idle);
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
    FTotalSize = 0;
    for (int row : selected)
        FTotalSize = AddSizeSaturated(FTotalSize, Model->Row(row).Entry.UncompressedSize);
    ApplyCommandState(CommandStateAfterSelection(Model->rowCount(), int(selected.size()), FCommandState.Close));
    StatusPanel1->setText(SelectedPanelText(int(selected.size()), FTotalSize));
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
    const QString path = FOpenDialogRunner(*OpenDialog);
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
    RunSettingsCommand(this, FCfgDlgRunner);
}

void TMain::Webseite1Click()
{
    // Whether a browser came up is the desktop's business; nothing to report.
    platform::Launcher().OpenUrl(QUrl(QStringLiteral(VALBRIX_WEBSITE)));
}

void TMain::Info1Click()
{
    // A fresh dialog per opening, freed when it closes.
    about::TAboutDlg dialog(CompileInfo, [](int64_t bytes) { return MyTools().FormatSize(bytes); }, this);
    dialog.exec();
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
        if (QFileInfo(name).isFile()) {
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
        ShowMessageBox(problem, QString(), problemKind, bcOK);
}

void TMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMain::dragMoveEvent(QDragMoveEvent* event)
{
    if (!LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMain::dropEvent(QDropEvent* event)
{
    const QStringList names = LocalFiles(event->mimeData());
    if (names.isEmpty() || Extracting())
        return;
    event->acceptProposedAction();
    WMDropFiles(names);
}

bool TMain::eventFilter(QObject* watched, QEvent* event)
{
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
