// The display texts of the system information page, made from plain facts:
// the Windows version table (kept for a Windows build of the platform
// layer), the Linux system line, processor and memory texts. Pure
// functions, no window and no system call, so every text has a table test.
#pragma once

#include <cstdint>
#include <functional>

#include <QString>

#include "platform/SystemFacts.h"

namespace valbrix::about {

// Turns a byte count into a size text ("6.144 MByte"); the program passes
// MyTools().FormatSize, which lives above this library.
using TSizeFormatter = std::function<QString(int64_t bytes)>;

// The decimal text of n; a single non-zero digit gets a leading "0"
// ("01" for 1, "0" for 0, "10" for 10).
QString FormatVersionPart(uint32_t n);

struct TVersionTexts {
    QString OS;              // short name, "Windows XP" or "Debian GNU/Linux"
    QString WinVersion;      // "5.01", or the distribution's version
    QString WinBuild;        // build and service pack, or the kernel release
    QString FullWinVersion;  // the line the About dialog shows
};

// Platform ids as GetVersionEx reports them.
enum TWindowsPlatform : uint32_t { wpWin32s = 0, wpWindows9x = 1, wpWindowsNT = 2 };

// The texts for a Windows version record; build is taken in its low 16 bits.
TVersionTexts WindowsVersionTexts(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build,
                                  const QString& servicePack);
// The texts on Linux: the distribution's name, version and pretty name, and
// the kernel release, e.g. "Debian GNU/Linux 12 (bookworm) [Kernel 6.1.0-18-amd64]".
TVersionTexts LinuxVersionTexts(const platform::TOsRelease& release, const platform::TKernel& kernel);

// The name for a Windows processor type number ("i486", "MIPS R4000", ...).
QString ProcessorTypeName(uint32_t type);
// The processor line on Linux: the model name, "Unbekannt" without one.
QString ProcessorText(const platform::TProcessorFacts& processor);
// " " + the speed formatted " %3.0f MHz"; empty when the speed is unknown (0).
QString CpuSpeedText(double mhz);

struct TMemoryTexts {
    QString MemLoadPercent;  // "37 %"
    QString TotalPhys;
    QString AvailPhys;
    QString TotalPageFile;   // swap
    QString AvailPageFile;
    QString TotalVirtual;    // memory and swap together
    QString AvailVirtual;
};
// All empty when the facts are not valid.
TMemoryTexts MemoryTexts(const platform::TMemoryFacts& memory, const TSizeFormatter& formatSize);

}  // namespace valbrix::about
