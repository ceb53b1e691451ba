// TCfgDlg, the settings dialog, and the settings command that drives it: the
// one setting associates ZIP files with this program on the desktop, so the
// file manager opens them here. The dialog has no code of its own; the
// command ticks the box when the association is ours, runs the dialog
// through the window's runner (tests script it) and writes the association on
// "OK" with the box ticked. Unticking removes nothing.
#pragma once

#include <functional>

#include <QDialog>

#include "app/dialogs/MessageBox.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace valbrix {

namespace platform {
struct TXdgFolders;
}

class TCfgDlg : public QDialog {
    Q_OBJECT
public:
    explicit TCfgDlg(QWidget* owner);

    // Components, named as the form names them.
    QFrame* Panel = nullptr;
    QLabel* InfoLabel = nullptr;
    QCheckBox* ZIPChkBox = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};

// Shows the dialog and answers QDialog::Accepted or Rejected.
using TCfgDlgRunner = std::function<int(TCfgDlg&)>;
int ExecCfgDlg(TCfgDlg& dialog);

// The settings command for `programPath` over the user's folders; a failed
// write is worded in a box shown by `boxes`.
void RunSettingsCommand(QWidget* owner, const TCfgDlgRunner& runner, TMessageBoxPresenter& boxes,
                        const platform::TXdgFolders& folders, const QString& programPath);
// The same for this program and the user's own XDG folders.
void RunSettingsCommand(QWidget* owner, const TCfgDlgRunner& runner, TMessageBoxPresenter& boxes);

}  // namespace valbrix
