// Times one extraction through the window's own command, offscreen: the
// archive is opened in TMain, every row is marked, and "Jetzt auspacken"
// runs with the extraction dialog and the closing summary answered by script
// (folder given, with folders, overwrite ticked; the summary answered No), so
// the progress bar, the repaints and the event pumping run as in real use.
// Prints the seconds from the click until the command returns; any other
// message box (a failed entry, a replace question) ends it with exit code 1.
// Usage: window_extract_bench ARCHIVE FOLDER
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLocale>

#include "app/DirSelectUnit.h"
#include "app/MainUnit.h"
#include "app/MessageBox.h"

namespace {

// Answers the summary with No (so no file manager opens) and counts every
// other box, which would mean the run did not extract cleanly.
class TSummaryAnswer : public valbrix::TMessageBoxPresenter {
public:
    int Present(const valbrix::TMessageBoxRequest& request) override
    {
        if (request.Caption == QStringLiteral("Entpacken beendet")) {
            ++Summaries;
            return valbrix::idNo;
        }
        ++Others;
        std::fprintf(stderr, "unexpected message box: %s\n", qPrintable(request.Text));
        return valbrix::idCancel;
    }
    int Summaries = 0;
    int Others = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ARCHIVE FOLDER\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString archive = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);

    valbrix::TMain window;
    window.SetCommandLine({});
    window.show();
    QApplication::processEvents();
    if (!window.OpenArchive(archive)) {
        std::fprintf(stderr, "cannot list %s\n", argv[1]);
        return 2;
    }
    window.Alleauswhlen1Click();
    QApplication::processEvents();

    window.Seams().RunDirSelectDlg = [&folder](valbrix::TDirSelectDlg& dialog) {
        dialog.SetFolderText(folder);
        dialog.WithFoldersChkBox->setChecked(true);
        dialog.OverwriteChkBox->setChecked(true);
        return int(QDialog::Accepted);
    };
    TSummaryAnswer answers;
    window.Seams().Boxes = &answers;

    const auto start = std::chrono::steady_clock::now();
    window.UnzipBtnClick();
    const auto end = std::chrono::steady_clock::now();
    window.Seams().Boxes = &valbrix::DialogPresenter();

    std::printf("%.3f\n", std::chrono::duration<double>(end - start).count());
    return answers.Summaries == 1 && answers.Others == 0 ? 0 : 1;
}
