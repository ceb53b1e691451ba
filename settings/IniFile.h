// Reading and saving a whole INI file for the settings components. A save
// writes a temporary file beside the target and renames it over the old one
// (through a symbolic link to its target), so a crash while saving leaves
// either the old or the new file, never half of one.
#pragma once

#include <QString>

#include "IniCodec.h"

namespace valbrix {

// Larger files are not INI files we wrote; they are read as empty and never
// overwritten, so nothing of them is lost.
constexpr qint64 MaxIniFileBytes = 16 * 1024 * 1024;

struct TIniLoad {
    TIniDocument Document;
    int ErrorCode = 0;  // 0 (a missing file reads as empty) or the errno value of the failure
};

TIniLoad LoadIniFile(const QString& path);
// 0 or the errno value of the failure.
int SaveIniFile(const QString& path, const TIniDocument& document);

// The folder of the program's settings, $XDG_CONFIG_HOME/valbrix/ (default
// ~/.config/valbrix/), with a trailing '/'; created (mode 0700) when missing.
QString SettingsFolder();
// The program's INI file: SettingsFolder() + "valbrix.ini".
QString DefaultIniFilePath();

}  // namespace valbrix
