// Times one command through the window, offscreen: the archive is opened in
// TMain, every row is marked, and the command runs with its dialogs and its
// closing summary answered by script, so the progress bar, the repaints and
// the event pumping run as in real use.
//   extract: "Jetzt auspacken" into FOLDER (with folders, overwrite ticked;
//            the summary answered No, so no file manager opens)
//   test:    "Archiv testen" (a summary that reports a failure counts as
//            another box)
// Prints the seconds from the click until the command returns; any other
// message box (a failed entry, a replace question) ends it with exit code 1.
// Usage: window_command_bench extract ARCHIVE FOLDER | window_command_bench test ARCHIVE
#include <chrono>
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLocale>

#include "app/dialogs/DirSelectUnit.h"
#include "app/window/MainUnit.h"
#include "app/dialogs/MessageBox.h"

namespace {

// Takes the command's summary and counts every other box, which would mean
// the run did not go cleanly.
class TSummaryAnswer : public valbrix::TMessageBoxPresenter {
public:
    explicit TSummaryAnswer(bool extract) : FExtract(extract) {}
    int Present(const valbrix::TMessageBoxRequest& request) override
    {
        if (FExtract && request.Caption == QStringLiteral("Entpacken beendet")) {
            ++Summaries;
            return valbrix::idNo;
        }
        if (!FExtract && request.Caption == QStringLiteral("Archiv testen") && request.Kind == valbrix::mkInformation) {
            ++Summaries;
            return valbrix::idOK;
        }
        ++Others;
        std::fprintf(stderr, "unexpected message box: %s\n", qPrintable(request.Text));
        return valbrix::idCancel;
    }
    int Summaries = 0;
    int Others = 0;

private:
    bool FExtract;
};

}  // namespace

int main(int argc, char** argv)
{
    const bool extract = argc == 4 && std::strcmp(argv[1], "extract") == 0;
    const bool test = argc == 3 && std::strcmp(argv[1], "test") == 0;
    if (!extract && !test) {
        std::fprintf(stderr, "usage: %s extract ARCHIVE FOLDER | %s test ARCHIVE\n", argv[0], argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString archive = QString::fromLocal8Bit(argv[2]);
    const QString folder = extract ? QString::fromLocal8Bit(argv[3]) : QString();

    valbrix::TMain window;
    window.SetCommandLine({});
    window.show();
    QApplication::processEvents();
    if (!window.OpenArchive(archive)) {
        std::fprintf(stderr, "cannot list %s\n", argv[2]);
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
    TSummaryAnswer answers(extract);
    window.Seams().Boxes = &answers;

    const auto start = std::chrono::steady_clock::now();
    if (extract)
        window.UnzipBtnClick();
    else
        window.Archivtesten1Click();
    const auto end = std::chrono::steady_clock::now();
    window.Seams().Boxes = &valbrix::DialogPresenter();

    std::printf("%.3f\n", std::chrono::duration<double>(end - start).count());
    return answers.Summaries == 1 && answers.Others == 0 ? 0 : 1;
}
