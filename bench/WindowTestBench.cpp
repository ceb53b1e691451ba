// Times "Archiv testen" through the window's own command, offscreen: the
// archive is opened in TMain, every row is marked, and the test runs with
// the closing summary answered by script, so the progress bar, the repaints
// and the event pumping run as in real use. Prints the seconds from the
// click until the command returns; a summary that reports a failure, or any
// other message box, ends it with exit code 1.
// Usage: window_test_bench ARCHIVE
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QLocale>

#include "app/MainUnit.h"
#include "app/MessageBox.h"

namespace {

// Takes the summary and counts every other box, which would mean the run
// did not test cleanly.
class TSummaryAnswer : public valbrix::TMessageBoxPresenter {
public:
    int Present(const valbrix::TMessageBoxRequest& request) override
    {
        if (request.Caption == QStringLiteral("Archiv testen") && request.Kind == valbrix::mkInformation) {
            ++Summaries;
            return valbrix::idOK;
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
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ARCHIVE\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString archive = QString::fromLocal8Bit(argv[1]);

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

    TSummaryAnswer answers;
    window.Seams().Boxes = &answers;

    const auto start = std::chrono::steady_clock::now();
    window.Archivtesten1Click();
    const auto end = std::chrono::steady_clock::now();
    window.Seams().Boxes = &valbrix::DialogPresenter();

    std::printf("%.3f\n", std::chrono::duration<double>(end - start).count());
    return answers.Summaries == 1 && answers.Others == 0 ? 0 : 1;
}
