// The main window with an archive from the command line, offscreen, as the
// program starts it: the time from the process's start (the caller passes
// its clock reading in VALBRIX_BENCH_START, seconds since the epoch) until
// the list is filled and until it is painted, and the peak memory of the
// process after listing (VmHWM), then split into the process's own pages and
// the shared libraries'. With "sort" it then sorts the rows by each column,
// both ways, and prints the median time of each; then types a text into the
// filter field one key at a time (and takes it back), each key timed up to
// the repainted list, and prints the slowest and the median key.
// Usage: window_listing_bench ARCHIVE [sort [RUNS]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QTreeView>

#include "platform/gui/LocaleFormats.h"
#include "app/window/MainUnit.h"
#include "app/list/ZipListModel.h"

namespace {

double SecondsSinceEpoch()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

long PeakKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// The process's own memory now (anonymous pages: heap, mappings, stacks,
// written data) and the file pages it maps (mostly the code of the shared
// libraries, which every Qt program on the desktop shares); VmHWM counts both.
void PrintMemorySplit()
{
    std::ifstream rollup("/proc/self/smaps_rollup");
    long rssKb = 0;
    long anonymousKb = 0;
    for (std::string line; std::getline(rollup, line);) {
        if (line.rfind("Rss:", 0) == 0)
            rssKb = std::atol(line.c_str() + 4);
        else if (line.rfind("Anonymous:", 0) == 0)
            anonymousKb = std::atol(line.c_str() + 10);
    }
    std::printf("own_mb %.1f\nfile_mb %.1f\n", anonymousKb / 1024.0, (rssKb - anonymousKb) / 1024.0);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ARCHIVE [sort [RUNS]]\n", argv[0]);
        return 2;
    }
    const char* startText = std::getenv("VALBRIX_BENCH_START");
    const double start = startText ? std::atof(startText) : SecondsSinceEpoch();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(valbrix::platform::InterfaceLocale(QLocale::system()));
    valbrix::TMain window;
    window.SetCommandLine({QString::fromLocal8Bit(argv[1])});
    window.show();  // the first show opens the command line's archive once the window is on screen
    while (!window.CommandLineDone())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double listed = SecondsSinceEpoch();
    window.LV->viewport()->repaint();
    QApplication::processEvents();
    const double painted = SecondsSinceEpoch();
    std::printf("rows %d\nlisted_ms %.0f\npainted_ms %.0f\npeak_mb %.1f\n", window.Model->rowCount(),
                (listed - start) * 1000, (painted - start) * 1000, PeakKilobytes() / 1024.0);
    PrintMemorySplit();

    if (argc > 2 && std::string(argv[2]) == "sort") {
        const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
        for (int column = 0; column < window.Model->columnCount(); ++column)
            for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                std::vector<double> times;
                for (int run = 0; run < runs; ++run) {
                    // From another column first, so each run sorts rather than reverses.
                    window.SortList((column + 1) % window.Model->columnCount(), Qt::AscendingOrder);
                    const auto begin = std::chrono::steady_clock::now();
                    window.SortList(column, order);  // as a header click runs it, marks kept
                    times.push_back(
                        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
                }
                std::printf("sort_ms column %d %s %.1f\n", column, order == Qt::AscendingOrder ? "up" : "down",
                            Median(times));
            }
        std::printf("peak_after_sort_mb %.1f\n", PeakKilobytes() / 1024.0);

        const QString typed = QStringLiteral("F0123.TXT");
        std::vector<double> keys;
        const auto key = [&](const QString& text) {
            const auto begin = std::chrono::steady_clock::now();
            window.FilterEdit->setText(text);
            window.LV->viewport()->repaint();
            keys.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
            if (std::getenv("VALBRIX_BENCH_KEYS"))
                std::printf("key \"%s\" %.1f ms, %d rows\n", qPrintable(text), keys.back(), window.Model->rowCount());
        };
        for (int run = 0; run < runs; ++run) {
            for (qsizetype length = 1; length <= typed.size(); ++length)
                key(typed.left(length));
            for (qsizetype length = typed.size() - 1; length >= 0; --length)
                key(typed.left(length));
        }
        std::printf("filter_key_ms median %.1f max %.1f (%zu keys, %d rows)\n", Median(keys),
                    *std::max_element(keys.begin(), keys.end()), keys.size(), window.Model->rowCount());
    }
    return 0;
}
