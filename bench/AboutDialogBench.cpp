// Times the About dialog from the "Info..." command until the dialog is on
// screen and painted, with its first pass over the system page. Prints each
// run in milliseconds and the median; the goal is under 200 ms. Runs on the
// display in $QT_QPA_PLATFORM / $DISPLAY, offscreen when there is none.
// Usage: about_dialog_bench [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QLocale>
#include <QTimer>
#include <QWindow>

#include "about/AboutDlg.h"
#include "app/window/MainUnit.h"

int main(int argc, char** argv)
{
    if (qgetenv("DISPLAY").isEmpty() && qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    valbrix::TMain window;
    window.SetCommandLine({});
    window.show();
    QApplication::processEvents();

    using Clock = std::chrono::steady_clock;
    std::vector<double> shown;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        // Runs inside the dialog's own event loop, once it is up.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                std::fprintf(stderr, "no dialog opened\n");
                std::exit(1);
            }
            // On a real display, until the server has mapped the window.
            const auto limit = Clock::now() + std::chrono::seconds(2);
            while (!(dialog->windowHandle() && dialog->windowHandle()->isExposed()) && Clock::now() < limit)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            dialog->repaint();  // one full paint of the version page
            shown.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            dialog->reject();
        });
        window.Info1->trigger();
        std::printf("run %d: shown and painted after %.1f ms\n", run + 1, shown.back());
    }
    std::vector<double> sorted = shown;
    std::sort(sorted.begin(), sorted.end());
    std::printf("median %.1f ms, first opening %.1f ms, slowest %.1f ms (%s)\n", sorted[sorted.size() / 2],
                shown.front(), sorted.back(), qPrintable(QApplication::platformName()));
    return 0;
}
