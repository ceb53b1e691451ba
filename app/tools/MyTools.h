// The utility unit shared by the main window and its workflows: starting a
// program, the size of a file, a random 8.3 file name and the number formats
// of the user interface. TMyTools keeps only its pseudo-random generator;
// MyTools() is the one instance every caller uses, alive for the whole run.
// Bad input (missing files, folders, negative numbers) gives the documented
// fallback result, never an exception.
#pragma once

#include <cstdint>
#include <random>

#include <QString>

#include "platform/gui/Launcher.h"

namespace valbrix {

class TMyTools {
public:
    // Seeded once from the clock; tests pass their own seed.
    TMyTools();
    explicit TMyTools(uint32_t seed);

    // program may be a full path or a name found on the PATH; parameters are
    // split at blanks, double quotes group. A ".exe" runs through wine when it
    // is on the PATH. showCommand is a window-show hint that has no meaning
    // here. The start goes through `launcher`. True when a process was started.
    bool RunProgram(const QString& program, const QString& parameters, uint16_t showCommand, bool wait,
                    platform::TLauncher& launcher = platform::DesktopLauncher());
    // Size in bytes; -1 when nothing is found or the path names a folder.
    int64_t GetSizeOfFile(const QString& path) const;
    // 8 characters, a dot, 3 characters; digits, letters and '{'.
    QString RandomFileName();
    // Digits grouped by the locale's thousands separator.
    QString GroupThousands(int64_t value) const;
    // "976 KByte" and the like: no decimals, negative counts show as 0 Byte.
    QString FormatSize(int64_t bytes) const;
    // At least 4 characters, left-padded with '0'.
    QString PadNumber(int64_t value) const;

private:
    std::minstd_rand FRandom;
};

TMyTools& MyTools();

}  // namespace valbrix
