// What a person at a terminal sees of a run on stderr: one progress line
// (files, bytes, rate), redrawn at most ten times a second and erased at
// the end, then one summary line ("20,000 files, 44.7 MB in 0.31 s").
// Nothing of that when stderr is no terminal (a script's log) or with -q.
// Called only on the thread that runs the job; costs a clock read per call.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace valbrix::cli {

// "44.7 MB", "512 bytes": decimal units, one decimal from kB on.
std::string SizeText(uint64_t bytes);
// "20,000": digits in groups of three.
std::string GroupedNumber(uint64_t value);

class TTerminalReport {
public:
    // `shown`: stderr is a terminal and the user did not ask for quiet.
    explicit TTerminalReport(bool shown);
    // Bytes of the run done so far, as the job reports them.
    void Progress(uint64_t bytesDone);
    // One file done, of `bytes` bytes.
    void FileDone(uint64_t bytes);
    // Erases the progress line before another line goes to stderr.
    void Erase();
    // Erases the progress line and writes the summary.
    void Finish();

private:
    void Draw(std::chrono::steady_clock::time_point now);
    double SecondsSince(std::chrono::steady_clock::time_point now) const;

    bool FShown;
    bool FDrawn = false;  // a progress line stands on the terminal
    std::chrono::steady_clock::time_point FStart;
    std::chrono::steady_clock::time_point FLastDraw;
    uint64_t FFiles = 0;
    uint64_t FFileBytes = 0;   // of the files done
    uint64_t FBytesDone = 0;   // as the job counts them, within entries too
};

}  // namespace valbrix::cli
