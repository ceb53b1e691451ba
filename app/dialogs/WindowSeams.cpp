// The modal runs of the window's dialogs; see the header.
#include "app/dialogs/WindowSeams.h"

#include <QFileDialog>

#include "app/dialogs/DirSelectUnit.h"
#include "about/AboutDlg.h"

namespace valbrix {

QString TWindowSeams::ExecOpenDialog(QFileDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                  : QString();
}

int TWindowSeams::ExecDirSelectDlg(TDirSelectDlg& dialog)
{
    return dialog.exec();
}

int TWindowSeams::ExecAboutDlg(about::TAboutDlg& dialog)
{
    return dialog.exec();
}

}  // namespace valbrix
