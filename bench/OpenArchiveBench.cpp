// Times TMain::OpenArchive on one archive, offscreen: until every row is in
// the model, and until the window has laid out and painted the list. Prints
// the figures of each run in milliseconds and the median.
// Usage: open_archive_bench ARCHIVE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QLocale>
#include <QTreeView>

#include "app/window/MainUnit.h"
#include "app/list/ZipListModel.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ARCHIVE [RUNS]\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString archive = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    valbrix::TMain window;
    window.SetCommandLine({});
    window.show();
    QApplication::processEvents();

    using Clock = std::chrono::steady_clock;
    std::vector<double> listed, painted;
    int rows = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        window.OpenArchive(archive);
        const auto filled = Clock::now();
        window.LV->viewport()->repaint();  // forces the layout and one paint of the visible rows
        QApplication::processEvents();
        const auto shown = Clock::now();
        rows = window.Model->rowCount();
        listed.push_back(std::chrono::duration<double, std::milli>(filled - start).count());
        painted.push_back(std::chrono::duration<double, std::milli>(shown - start).count());
        std::printf("run %d: %d rows, in the model after %.1f ms, painted after %.1f ms\n", run + 1, rows,
                    listed.back(), painted.back());
    }
    std::sort(listed.begin(), listed.end());
    std::sort(painted.begin(), painted.end());
    std::printf("median: in the model %.1f ms, painted %.1f ms (%d rows)\n", listed[listed.size() / 2],
                painted[painted.size() / 2], rows);
    return 0;
}
