// TTheIniFile: one section of an INI file, read and written as strings. It
// resolves the file's full path from a location rule, makes sure the file
// can be written before it counts as open, and keeps the result of its last
// operation in ErrorCode. Every read takes the file as it is on disk now and
// every write saves the whole file at once (temporary file renamed over the
// old one), so two components sharing a file never undo each other's values.
//
// Typical use (the program's own file):
//     TTheIniFile ini;
//     ini.OnMessage = [](const QString& text) { /* show it */ };
//     ini.SetIniLocation(loUser);
//     ini.SetIniFileName(DefaultIniFilePath());
//     ini.SetSection("Folders");
//     ini.SetOpen(true);
//     QString folder;
//     ini.ReadValue("LastFolder", QString(), folder);
//     ini.WriteValue("LastFolder", "/home/user/Entpackt");
#pragma once

#include <cstdint>
#include <functional>

#include <QString>

#include "IniFile.h"

namespace valbrix {

enum TIniLocation : uint8_t {
    loWinDir = 0,   // the settings folder (SettingsFolder()) + IniFileName
    loProgDir = 1,  // the running program's folder + IniFileName
    loUser = 2,     // IniFileName as given (a full path)
    loDefUser = 3,  // DefFilePath + IniFileName
};

// ErrorCode values besides 0 and the errno values of failed file operations.
constexpr int iniFileMissing = 2;     // the file did not exist; it can be created and the component is open
constexpr int iniReadOnly = 5;        // the file's write protection could not be removed
constexpr int iniValueMissing = -1;   // ReadValue found no value for the key

class TTheIniFile {
public:
    TTheIniFile();

    const QString& IniFileName() const { return FIniFileName; }
    // Closes the component first when it is open; does not reopen it.
    void SetIniFileName(const QString& name);
    const QString& Section() const { return FSection; }
    void SetSection(const QString& section) { FSection = section; }
    int ErrorCode() const { return FErrorCode; }
    TIniLocation IniLocation() const { return FIniLocation; }
    void SetIniLocation(TIniLocation location) { FIniLocation = location; }
    // Always kept with a trailing '/'; an empty path means the settings folder.
    const QString& DefFilePath() const { return FDefFilePath; }
    void SetDefFilePath(const QString& path);
    bool Open() const { return FOpen; }
    // true: (re)opens through OpenIniFile; the flag keeps the value even when that fails.
    void SetOpen(bool open);
    // The full path of the file last opened successfully.
    const QString& FullFileName() const { return FFullFileName; }
    // The full path the location rule gives for the current settings.
    QString ResolvedFileName() const;

    // 0 on success (ErrorCode 2 when the file is still missing), else the
    // ErrorCode: 5 when the file stays write-protected, or the errno value of
    // the attempt to create the missing file.
    int OpenIniFile();
    // value := the key's value in Section, or defaultValue (ErrorCode -1 when
    // the key is missing or holds "INIERROR"). An empty key gives "".
    void ReadValue(const QString& key, const QString& defaultValue, QString& value);
    // Writes key=value into Section. ErrorCode: 0, or the errno value when
    // the file could not be saved (EINVAL for a key or value with a line break).
    void WriteValue(const QString& key, const QString& value);

    // Shows the component's own messages ("Bitte Dateiname angeben." and the
    // write-protection one); the owner connects it to its message box.
    // Unassigned, the messages go to the Qt log.
    std::function<void(const QString&)> OnMessage;

private:
    bool Ready();
    void Message(const QString& text);

    QString FIniFileName;
    QString FFullFileName;              // file last opened successfully
    QString FSection;
    int FErrorCode = 0;
    TIniLocation FIniLocation = loWinDir;
    QString FProgramFolder;             // with a trailing '/', taken at construction
    QString FDefFilePath;               // with a trailing '/', or empty
    bool FOpen = false;
    bool FHaveFile = false;             // the last OpenIniFile succeeded: an INI file is at hand
};

}  // namespace valbrix
