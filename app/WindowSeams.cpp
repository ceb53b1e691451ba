// The modal runs of the window's dialogs; see the header.
#include "WindowSeams.h"

#include <QFileDialog>

#include "DirSelectUnit.h"
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
