// Construction of TMain's widgets: actions with their captions, shortcuts and
// images, the main menu, the popup menu, the toolbar, the list, the status
// bar and the open dialog. Behaviour lives in MainUnit.cpp.
#include "app/window/MainUnit.h"

#include <algorithm>

#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/texts/ListTexts.h"
#include "app/dialogs/FileDialogTexts.h"
#include "app/list/ListView.h"
#include "app/list/ZipListModel.h"
#include "settings/IniFile.h"
#include "settings/ReposApp.h"

static void InitResources()
{
    // The icons sit in a static library; the linker keeps them only when referenced.
    Q_INIT_RESOURCE(valbrix);
}

namespace valbrix {

namespace {

// The image list, by index: 0 open, 1 exit, 2 select all, 3 select none,
// 4 extract, 5 close, 6 settings, 7 info.
QIcon Image(int index)
{
    static const char* const files[8] = {"open", "exit", "selectall", "selectnone",
                                         "extract", "close", "settings", "info"};
    static const char* const themeNames[8] = {"document-open", "application-exit", "edit-select-all", "edit-clear",
                                              "archive-extract", "document-close", "preferences-system", "help-about"};
    const QString path = QStringLiteral(":/icons/%1.png").arg(QLatin1String(files[index]));
    if (QFile::exists(path))
        return QIcon(path);
    return QIcon::fromTheme(QLatin1String(themeNames[index]));
}

QAction* NewAction(QObject* owner, const char* text, int image = -1, const QKeySequence& shortcut = {})
{
    auto* action = new QAction(QString::fromUtf8(text), owner);
    if (image >= 0)
        action->setIcon(Image(image));
    action->setShortcut(shortcut);
    return action;
}

// The original frame takes about this much of the window's outer size; its
// minimum of 550 x 400 counts that frame, Qt's minimum does not.
constexpr int FrameWidth = 8, FrameHeight = 30;
constexpr int ClientWidth = 591, ClientHeight = 346;
constexpr int ToolButtonWidth = 114;

}  // namespace

void TMain::CreateActions()
{
    ffnen1 = NewAction(this, "ZIP-Datei ö&ffnen...", 0, QKeySequence(Qt::Key_F3));
    Schlieen1 = NewAction(this, "&Schließen", 5);
    Archivtesten1 = NewAction(this, "Archiv &testen", -1, QKeySequence(Qt::CTRL | Qt::Key_T));
    Beenden1 = NewAction(this, "&Beenden", 1, QKeySequence(Qt::ALT | Qt::Key_X));
    Alleauswhlen2 = NewAction(this, "&Alle auswählen", 2, QKeySequence(Qt::CTRL | Qt::Key_A));
    Alleabwhlen1 = NewAction(this, "Alle a&bwählen", 3, QKeySequence(Qt::CTRL | Qt::Key_B));
    ZipArchiventpacken1 = NewAction(this, "Markierte Dateien aus Zip-Archiv &entpacken...", 4,
                                    QKeySequence(Qt::CTRL | Qt::Key_U));
    Einstellungen1 = NewAction(this, "&Einstellungen...", 6);
    Webseite1 = NewAction(this, "&Webseite");
    Info1 = NewAction(this, "&Info...", 7);
    Filtern1 = NewAction(this, "&Filtern", -1, QKeySequence(Qt::CTRL | Qt::Key_F));
    Kommentar1 = NewAction(this, "&Kommentar");
    Kommentar1->setCheckable(true);
    connect(Kommentar1, &QAction::toggled, this, &TMain::Kommentar1Click);
    Alleauswhlen1 = NewAction(this, "&Alle auswählen", 2);
    Alleabwhlen2 = NewAction(this, "Alle a&bwählen", 3);
    // Toolbar buttons mirror menu items: same caption, image and action.
    CloseBtn = NewAction(this, "Beenden", 1);
    OpenBtn = NewAction(this, "ZIP-Datei öffnen...", 0);
    SelAllBtn = NewAction(this, "Alle auswählen", 2);
    UnzipBtn = NewAction(this, "Jetzt auspacken", 4);
    UnzipBtn->setToolTip(QStringLiteral("Markierte Dateien auspacken"));
    UnzipBtn->setStatusTip(QStringLiteral("Markierte Dateien auspacken"));

    for (QAction* action : {Schlieen1, Archivtesten1, Alleauswhlen2, Alleabwhlen1, ZipArchiventpacken1, Alleauswhlen1, Alleabwhlen2,
                            SelAllBtn, UnzipBtn})
        action->setEnabled(false);

    connect(ffnen1, &QAction::triggered, this, &TMain::ffnen1Click);
    connect(OpenBtn, &QAction::triggered, this, &TMain::ffnen1Click);
    connect(Schlieen1, &QAction::triggered, this, &TMain::Schlieen1Click);
    connect(Archivtesten1, &QAction::triggered, this, &TMain::Archivtesten1Click);
    connect(Beenden1, &QAction::triggered, this, &TMain::CloseBtnClick);
    connect(CloseBtn, &QAction::triggered, this, &TMain::CloseBtnClick);
    for (QAction* action : {Alleauswhlen2, Alleauswhlen1, SelAllBtn})
        connect(action, &QAction::triggered, this, &TMain::Alleauswhlen1Click);
    for (QAction* action : {Alleabwhlen1, Alleabwhlen2})
        connect(action, &QAction::triggered, this, &TMain::Keineauswhlen1Click);
    connect(ZipArchiventpacken1, &QAction::triggered, this, &TMain::UnzipBtnClick);
    connect(UnzipBtn, &QAction::triggered, this, &TMain::UnzipBtnClick);
    connect(Einstellungen1, &QAction::triggered, this, &TMain::Einstellungen1Click);
    connect(Webseite1, &QAction::triggered, this, &TMain::Webseite1Click);
    connect(Info1, &QAction::triggered, this, &TMain::Info1Click);
    connect(Filtern1, &QAction::triggered, this, [this] {
        FilterEdit->setFocus(Qt::ShortcutFocusReason);
        FilterEdit->selectAll();
    });
}

void TMain::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
    file->addAction(ffnen1);
    file->addAction(Schlieen1);
    file->addAction(Archivtesten1);
    file->addSeparator();
    file->addAction(Beenden1);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Bearbeiten"));
    edit->addAction(Alleauswhlen2);
    edit->addAction(Alleabwhlen1);
    edit->addAction(ZipArchiventpacken1);
    edit->addSeparator();
    edit->addAction(Filtern1);
    edit->addAction(Kommentar1);
    QMenu* configuration = menuBar()->addMenu(QStringLiteral("&Konfiguration"));
    configuration->addAction(Einstellungen1);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&?"));
    help->addAction(Webseite1);
    help->addAction(Info1);
    // The shortcuts must work while the menus are closed, whatever has the focus.
    addActions({ffnen1, Archivtesten1, Beenden1, Alleauswhlen2, Alleabwhlen1, ZipArchiventpacken1, Filtern1});

    PopupMenu = new QMenu(this);
    PopupMenu->addAction(Alleauswhlen1);
    PopupMenu->addAction(Alleabwhlen2);
}

void TMain::CreateToolBar()
{
    ToolBar = addToolBar(QStringLiteral("Werkzeuge"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);  // no menu to hide the fixed toolbar
    for (QAction* action : {CloseBtn, OpenBtn, SelAllBtn, UnzipBtn}) {
        action->setIconText(action->text());  // Qt would drop the trailing "..." beside the icon
        ToolBar->addAction(action);
        if (QWidget* button = ToolBar->widgetForAction(action))
            button->setMinimumWidth(ToolButtonWidth);
    }
}

void TMain::CreateList()
{
    Model = new TZipListModel(this);
    LV = new TListView;
    LV->setModel(Model);
    LV->setRootIsDecorated(false);
    LV->setItemsExpandable(false);
    LV->setUniformRowHeights(true);  // lets 100,000 rows lay out without measuring each
    LV->setAllColumnsShowFocus(true);
    LV->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV->setSortingEnabled(false);
    LV->setTextElideMode(Qt::ElideRight);
    QHeaderView* header = LV->header();
    // A click on a caption orders the rows by that column, a second one
    // reverses; the view's own sorting stays off, since the window keeps the
    // marks by entry while the rows move (see SortList).
    header->setSectionsClickable(true);
    // A clickable header asks at each paint whether each column is wholly
    // marked, which walks every row: seconds for a million marked rows. The
    // captions get a selection of their own, always empty, instead.
    header->setHighlightSections(false);
    header->setSelectionModel(new QItemSelectionModel(Model, header));
    header->setSortIndicatorShown(true);
    header->setSortIndicator(lcName, Qt::AscendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, this, &TMain::SortList);
    header->setSectionsMovable(false);
    header->setStretchLastSection(true);
    // Fitting the columns lays out the text of each row it measures; the rows
    // in view and a few hundred beyond show the widths, a thousand cost a
    // third of listing 100,000 entries.
    header->setResizeContentsPrecision(250);
    // The widths were chosen for a small 8-point font; with a larger desktop
    // font a caption such as "Größe unkomprimiert" would be cut, so a column
    // is never narrower than its caption.
    for (int column = 0; column < lcCount; ++column) {
        const int width = std::max(TZipListModel::ColumnWidth(column), header->sectionSizeHint(column));
        FColumnWidening += width - TZipListModel::ColumnWidth(column);
        header->resizeSection(column, width);
    }
    // Keep the selection visible when the list has no focus.
    QPalette palette = LV->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    LV->setPalette(palette);
    // One-click activation style: the pointer turns into a hand over the rows.
    LV->setMouseTracking(true);
    LV->viewport()->installEventFilter(this);
    LV->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LV, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu->popup(LV->viewport()->mapToGlobal(pos)); });
    connect(LV->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TMain::ListSelectionChanged);
    connect(LV, &TListView::OpenRequested, this, &TMain::LVDblClick);
    LV->OnStartDrag = [this] { LVStartDrag(); };

    FilterEdit = new QLineEdit;
    FilterEdit->setPlaceholderText(QStringLiteral("Filtern: Namensteil, *.txt oder ordner/ (Strg+F)"));
    FilterEdit->setClearButtonEnabled(true);
    FilterEdit->installEventFilter(this);
    connect(FilterEdit, &QLineEdit::textChanged, this, &TMain::FilterList);
    auto* filterLabel = new QLabel(QStringLiteral("&Filter:"));
    filterLabel->setBuddy(FilterEdit);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(9, 4, 8, 2);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(FilterEdit, 1);
    layout->addLayout(filterRow);
    layout->addWidget(LV, 1);
    CreateCommentArea();
    layout->addWidget(CommentView);
    // The list has the keyboard at start, as before the field came; the
    // field is reached by Ctrl+F, Alt+F or Tab.
    setCentralWidget(central);
    setTabOrder(LV, FilterEdit);
    LV->setFocus();  // once inside the window: a parentless widget's focus is lost when it is placed
}

void TMain::CreateStatusBar()
{
    StatusPanel0 = new QLabel;
    StatusPanel0->setFixedWidth(300);
    StatusPanel1 = new QLabel;
    statusBar()->addWidget(StatusPanel0);
    statusBar()->addWidget(StatusPanel1, 1);
}

void TMain::CreateOpenDialog()
{
    OpenDialog = new QFileDialog(this, QStringLiteral("Zip-Datei öffnen"));
    OpenDialog->setNameFilters({QStringLiteral("Zip-Dateien (*.zip *.z01 *.001)"), QStringLiteral("Exe-Dateien (*.exe)"),
                                QStringLiteral("Alle Dateien (*)")});
    OpenDialog->setDefaultSuffix(QStringLiteral("zip"));
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setOption(QFileDialog::DontResolveSymlinks);
    OpenDialog->setSizeGripEnabled(true);
    OpenDialog->setProxyModel(new TFileDialogTexts(OpenDialog));
}

void TMain::FormCreate()
{
    InitResources();
    setWindowTitle(QStringLiteral("Valbrix"));
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateList();
    CreateStatusBar();
    CreateOpenDialog();
    FExtractor.OnBusyChanged = [this] { ApplyBusyState(); };
    FTester.OnBusyChanged = [this] { ApplyBusyState(); };
    FOpener.SetOwner(this);
    FExtractor.OnRunOver = [this] { HideRunProgress(); };
    setMinimumSize(550 - FrameWidth, 400 - FrameHeight);
    // The client area of the original includes toolbar and status bar but not
    // the menu. A first start shows every column: widened to their nominal
    // widths (and what the captions needed), within the screen.
    int columnsWidth = 0;
    for (int column = 0; column < lcCount; ++column)
        columnsWidth += LV->header()->sectionSize(column);
    const int listMargins = 9 + 8 + 2 * LV->frameWidth() + LV->verticalScrollBar()->sizeHint().width();
    int width = std::max(ClientWidth + FColumnWidening, columnsWidth + listMargins);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        width = std::min(width, screen->availableGeometry().width() - FrameWidth);
    resize(width, ClientHeight + menuBar()->sizeHint().height());
    setAcceptDrops(true);
    // Where the window was left, or centred on the primary screen at the size above.
    RePosApp = std::make_unique<TRePosApp>(this);
    RePosApp->AllowMaximized = true;
    RePosApp->InifileName = DefaultIniFilePath();
    RePosApp->LoadPlacement(true, false, nullptr);
    FTotalSize = 0;
    StatusPanel0->setText(FilesPanelText(0, FTotalSize, 0));
    StatusPanel1->setText(SelectedPanelText(0, FTotalSize));
}

}  // namespace valbrix
