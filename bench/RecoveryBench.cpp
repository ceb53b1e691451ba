// Times opening an archive through the engine's archive object (every entry
// enumerated once, as a listing does) against opening the same archive with
// its central directory and end record cut off, which the local-header walk
// lists. Runs alternate between the two so that a noisy, shared machine
// slows both alike; prints each pair and the medians.
// Usage: recovery_bench WHOLE.zip CUT.zip [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/archive/ZipArchive.h"

namespace {

double OpenMilliseconds(const char* path, uint64_t& entries, bool& recovered)
{
    const auto start = std::chrono::steady_clock::now();
    valbrix::TZipArchive archive;
    entries = 0;
    archive.Open(path, [&entries](const valbrix::TZipEntry&) { ++entries; });
    recovered = archive.Recovered();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s WHOLE.zip CUT.zip [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 11;
    std::vector<double> whole, cut, ratio;
    for (int run = 0; run < runs; ++run) {
        uint64_t wholeEntries = 0, cutEntries = 0;
        bool wholeRecovered = false, cutRecovered = false;
        whole.push_back(OpenMilliseconds(argv[1], wholeEntries, wholeRecovered));
        cut.push_back(OpenMilliseconds(argv[2], cutEntries, cutRecovered));
        ratio.push_back(cut.back() / whole.back());
        std::printf("run %d: directory %.1f ms (%llu entries%s), local headers %.1f ms (%llu entries%s)\n", run + 1,
                    whole.back(), static_cast<unsigned long long>(wholeEntries), wholeRecovered ? ", recovered" : "",
                    cut.back(), static_cast<unsigned long long>(cutEntries), cutRecovered ? ", recovered" : "");
    }
    std::sort(whole.begin(), whole.end());
    std::sort(cut.begin(), cut.end());
    std::sort(ratio.begin(), ratio.end());
    std::printf("median: directory %.1f ms, local headers %.1f ms, paired ratio %.2f\n", whole[whole.size() / 2],
                cut[cut.size() / 2], ratio[ratio.size() / 2]);
    return 0;
}
