// Taking back a stopped run of many small files: the whole removal and the
// longest stretch between two progress calls, which is how long the window
// goes without dispatching its events. Usage: take_back_bench FOLDER [FILES]
// (FOLDER must not exist; it is made, filled and taken back).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <QString>

#include "app/workflows/TakeBack.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: take_back_bench FOLDER [FILES]\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path root = argv[1];
    const size_t files = argc > 2 ? size_t(std::strtoul(argv[2], nullptr, 10)) : 39000;
    valbrix::TRunTrail trail;
    for (size_t i = 0; i < files; ++i) {
        const std::string folder = "d" + std::to_string(i / 1000);
        if (i % 1000 == 0) {
            fs::create_directories(root / folder);
            trail.Folders.push_back(folder);
        }
        const std::string name = folder + "/f" + std::to_string(i) + ".txt";
        std::ofstream(root / name) << "x";
        trail.Files.push_back(name);
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto last = start;
    double longestMs = 0;
    const size_t left = valbrix::TakeBackRun(QString::fromStdString(root.string()), trail, true, [&](size_t, size_t) {
        const auto now = Clock::now();
        longestMs = std::max(longestMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    const double totalMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf("files %zu  left %zu  folder gone %s  total %.1f ms  longest between progress calls %.1f ms\n", files,
                left, fs::exists(root) ? "no" : "yes", totalMs, longestMs);
    return left == 0 && !fs::exists(root) ? 0 : 1;
}
