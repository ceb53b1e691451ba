// Terminal progress and summary; see the header.
#include "cli/TerminalReport.h"

#include <cstdio>

#include "cli/Messages.h"

namespace valbrix::cli {

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(100);
// Back to the line's start and erase to its end: the next text stands alone there.
constexpr char EraseLine[] = "\r\x1b[K";

}  // namespace

std::string SizeText(uint64_t bytes)
{
    static const char* const Units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1000)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double value = double(bytes) / 1000;
    size_t unit = 0;
    for (; value >= 999.95 && unit + 1 < sizeof Units / sizeof Units[0]; ++unit)
        value /= 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, Units[unit]);
    return text;
}

std::string GroupedNumber(uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

TTerminalReport::TTerminalReport(bool shown)
    : FShown(shown), FStart(std::chrono::steady_clock::now()), FLastDraw(FStart)
{
}

void TTerminalReport::Progress(uint64_t bytesDone)
{
    FBytesDone = bytesDone;
    if (!FShown)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - FLastDraw >= RedrawInterval)
        Draw(now);
}

void TTerminalReport::FileDone(uint64_t bytes)
{
    ++FFiles;
    FFileBytes += bytes;
    // A run without byte progress (test, -p) counts what its files hold.
    Progress(FBytesDone > FFileBytes ? FBytesDone : FFileBytes);
}

void TTerminalReport::Erase()
{
    if (FDrawn)
        std::fputs(EraseLine, stderr);
    FDrawn = false;
}

void TTerminalReport::Finish()
{
    if (!FShown)
        return;
    Erase();
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", SecondsSince(std::chrono::steady_clock::now()));
    PrintError(GroupedNumber(FFiles) + (FFiles == 1 ? " file, " : " files, ") + SizeText(FFileBytes) + " in " +
               seconds);
}

void TTerminalReport::Draw(std::chrono::steady_clock::time_point now)
{
    FLastDraw = now;
    const double seconds = SecondsSince(now);
    const uint64_t rate = seconds > 0 ? uint64_t(double(FBytesDone) / seconds) : 0;
    const std::string line = std::string(EraseLine) + "valbrix-cli: " + GroupedNumber(FFiles) +
                             (FFiles == 1 ? " file, " : " files, ") + SizeText(FBytesDone) + ", " +
                             SizeText(rate) + "/s";
    std::fwrite(line.data(), 1, line.size(), stderr);
    FDrawn = true;
}

double TTerminalReport::SecondsSince(std::chrono::steady_clock::time_point now) const
{
    return std::chrono::duration<double>(now - FStart).count();
}

}  // namespace valbrix::cli
