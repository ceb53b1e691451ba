// TBrowseFolderDlg, the folder picker behind the folder field's button: a Qt
// folder dialog that opens at the preselected folder when it exists, gives
// back a path without trailing '/' (except "/"), accepts only existing
// folders, and carries a "&Hilfe" button when there is help to show. The
// dialog runs through the runner its owner gives (tests give a script), so
// no test ever waits on a real dialog. The path rules themselves are in
// PathUtil.h.
#pragma once

#include <cstdint>
#include <functional>

#include <QString>

#include "PathUtil.h"

class QFileDialog;
class QPushButton;
class QWidget;

namespace valbrix {

// Computers in the network cannot be browsed here; bfComputers picks folders too.
enum TBrowseKind : uint8_t { bfFolders, bfComputers };
enum TDialogPosition : uint8_t { dpDefault, dpScreenCenter };

// Shows the help topic for a help context; the program's help lives above this layer.
using THelpHandler = std::function<void(int helpContext)>;

// Runs a configured folder dialog; returns the chosen folder or "" on cancel.
using TFolderDialogRunner = std::function<QString(QFileDialog&)>;
// The modal run.
QString ExecFolderDialog(QFileDialog& dialog);

class TBrowseFolderDlg {
public:
    explicit TBrowseFolderDlg(QWidget* owner = nullptr) : FOwner(owner) {}

    TBrowseKind BrowseKind = bfFolders;
    bool DesktopRoot = true;        // false: the tree starts at "/" instead of the home folder
    QString DialogText;             // window title; "Ordner wählen" when empty
    QString FolderName;             // in: folder to preselect; out: the chosen folder
    // A "&Hilfe" button is shown only with both a topic and someone to show
    // it: a button that does nothing when pressed is worse than none.
    int HelpContext = 0;
    THelpHandler OnHelp;
    TDialogPosition Position = dpScreenCenter;
    std::function<void(TBrowseFolderDlg&)> OnInitialized;  // the dialog exists, before it shows
    std::function<void(TBrowseFolderDlg&)> OnSelChanged;   // after each change of the selection
    TFolderDialogRunner Runner;     // runs the dialog; empty: modally

    // The folder currently selected in the running dialog ("" when it is no existing folder).
    const QString& SelectedName() const { return FSelectedName; }
    // The running dialog, null outside Execute.
    QFileDialog* DialogWindow() const { return FDialog; }

    // True when the user chose an existing folder; FolderName is unchanged otherwise.
    bool Execute();

private:
    void SelectionChanged(const QString& path);

    QWidget* FOwner;
    QString FSelectedName;
    QFileDialog* FDialog = nullptr;
};

// Runs a centred folder dialog on name with the prompt and help topic (the
// "&Hilfe" button calls onHelp) run by `runner` (empty: modally); name
// becomes the chosen folder on OK.
bool BrowseForDirectory(QString& name, const QString& prompt, int helpContext, QWidget* owner = nullptr,
                        const THelpHandler& onHelp = {}, const TFolderDialogRunner& runner = {});

// Moves a window, unresized, to the middle of its screen's available area.
void CenterOnScreen(QWidget* window);

}  // namespace valbrix
