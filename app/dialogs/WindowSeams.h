// The seams of one main window: everything through which it asks the user
// (message boxes, dialogs) or hands work to the desktop (the launcher). Each
// defaults to the real widget or launcher; a test replaces them on the window
// it creates, never for the whole process. The window owns one bundle and
// lends it to its controllers, which read it at each use, so a seam set after
// the window was made still counts. The pointed-to presenter and launcher
// must outlive their use.
#pragma once

#include <functional>

#include <QString>

#include "app/dialogs/CfgDlg.h"
#include "app/dialogs/MessageBox.h"
#include "app/dialogs/PasswordDialog.h"
#include "controls/FileUtil.h"
#include "platform/gui/Launcher.h"

class QFileDialog;

namespace valbrix::about {
class TAboutDlg;
}

namespace valbrix {

class TDirSelectDlg;

struct TWindowSeams {
    TMessageBoxPresenter* Boxes = &DialogPresenter();                  // every box the window and its work show
    platform::TLauncher* Launcher = &platform::DesktopLauncher();       // web site, file manager, opened entries, setup
    TPasswordDialogRunner RunPasswordDialog = ExecPasswordDialog;      // the password of an encrypted entry
    std::function<QString(QFileDialog&)> RunOpenDialog = ExecOpenDialog;  // the chosen archive, "" on cancel
    std::function<int(TDirSelectDlg&)> RunDirSelectDlg = ExecDirSelectDlg;  // the extraction dialog
    TFolderDialogRunner RunFolderDialog = ExecFolderDialog;            // behind the extraction dialog's folder button
    TCfgDlgRunner RunCfgDlg = ExecCfgDlg;                              // "Einstellungen..."
    std::function<int(about::TAboutDlg&)> RunAboutDlg = ExecAboutDlg;  // "Info..."

    // The modal runs the defaults stand for.
    static QString ExecOpenDialog(QFileDialog& dialog);
    static int ExecDirSelectDlg(TDirSelectDlg& dialog);
    static int ExecAboutDlg(about::TAboutDlg& dialog);
};

}  // namespace valbrix
