// The folder dialog; see FileUtil.h. Qt's own (non-native) dialog is used so
// that its texts follow the German translation, the "&Hilfe" button can be
// added and tests can reach the widgets.
#include "FileUtil.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QGuiApplication>
#include <QPushButton>
#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>

#include "platform/gui/LocaleFormats.h"
#include "platform/gui/PathFacts.h"

namespace valbrix {

namespace {

// The file model writes its date column in the locale's short format, which
// in German has a two-digit year; the list beside it shows four digits.
class TFullYearDates : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        constexpr int DateColumn = 3;
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || index.column() != DateColumn || !files)
            return QIdentityProxyModel::data(index, role);
        return platform::FullYearDateTimeText(files->lastModified(mapToSource(index)));
    }
};

// Qt's default size cuts the columns and the side bar's names; a folder
// picker needs neither the size nor the type column.
void FitForFolders(QFileDialog& dialog)
{
    dialog.resize(std::max(dialog.sizeHint().width(), 640), std::max(dialog.sizeHint().height(), 420));
    if (auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        list->header()->hideSection(1);
        list->header()->hideSection(2);
        list->header()->resizeSection(0, 280);
    }
    if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter")))
        splitter->setSizes({170, dialog.width() - 170});
}

}  // namespace

QString ExecFolderDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

void CenterOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->move(CenteredPosition(window->frameGeometry(), screen->availableGeometry()));
}

void TBrowseFolderDlg::SelectionChanged(const QString& path)
{
    FSelectedName = IsExistingDirectory(path) ? RemoveTrailingBackslash(platform::CleanPath(path)) : QString();
    if (OnSelChanged)
        OnSelChanged(*this);
}

bool TBrowseFolderDlg::Execute()
{
    QFileDialog dialog(FOwner, DialogText.isEmpty() ? QStringLiteral("Ordner wählen") : DialogText);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setProxyModel(new TFullYearDates(&dialog));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Ordner:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
    // A start folder that does not exist is not handed over: the dialog
    // opens at its root instead of at some half-matching place.
    if (IsExistingDirectory(FolderName))
        dialog.setDirectory(FolderName);
    else
        dialog.setDirectory(DesktopRoot ? platform::HomeFolder() : platform::RootFolder());
    FSelectedName = IsExistingDirectory(FolderName) ? RemoveTrailingBackslash(FolderName) : QString();
    QObject::connect(&dialog, &QFileDialog::currentChanged, [this](const QString& path) { SelectionChanged(path); });
    QObject::connect(&dialog, &QFileDialog::directoryEntered, [this](const QString& path) { SelectionChanged(path); });
    if (HelpContext != 0 && OnHelp) {
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            QPushButton* help = buttons->addButton(QStringLiteral("&Hilfe"), QDialogButtonBox::HelpRole);
            help->setObjectName(QStringLiteral("HelpButton"));
            // The role alone would not do it: the dialog's box only reports the click.
            QObject::connect(help, &QPushButton::clicked, [this] { OnHelp(HelpContext); });
        }
    }
    FitForFolders(dialog);
    if (Position == dpScreenCenter)
        CenterOnScreen(&dialog);
    FDialog = &dialog;
    if (OnInitialized)
        OnInitialized(*this);
    const QString chosen = Runner ? Runner(dialog) : ExecFolderDialog(dialog);
    FDialog = nullptr;
    // OK counts only for a folder that exists now; the dialog may have been
    // handed a typed name, or the folder may have gone meanwhile.
    if (chosen.isEmpty() || !IsExistingDirectory(chosen))
        return false;
    FolderName = RemoveTrailingBackslash(platform::CleanPath(chosen));
    FSelectedName = FolderName;
    return true;
}

bool BrowseForDirectory(QString& name, const QString& prompt, int helpContext, QWidget* owner,
                        const THelpHandler& onHelp, const TFolderDialogRunner& runner)
{
    TBrowseFolderDlg dialog(owner);
    dialog.Runner = runner;
    dialog.DialogText = prompt;
    dialog.FolderName = name;
    dialog.HelpContext = helpContext;
    dialog.OnHelp = onHelp;
    if (!dialog.Execute())
        return false;
    name = dialog.FolderName;
    return true;
}

}  // namespace valbrix
