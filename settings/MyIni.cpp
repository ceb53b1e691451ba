// TTheIniFile; see MyIni.h. The write-protection step stands in for clearing
// the read-only attribute: an existing file we may not write gets its owner
// write bit back, and only a file that stays unwritable is refused.
#include "MyIni.h"

#include <cerrno>

#include <QDebug>

#include "platform/FileServices.h"
#include "platform/gui/NativePath.h"

namespace valbrix {

namespace {

const char* const IniErrorValue = "INIERROR";

QString ProgramFolder()
{
    const QString program = platform::DisplayPath(platform::RunningProgramPath());
    return program.left(program.lastIndexOf(QLatin1Char('/')) + 1);
}

std::string Local(const QString& text)
{
    return text.toStdString();
}

}  // namespace

TTheIniFile::TTheIniFile() : FProgramFolder(ProgramFolder()) {}

void TTheIniFile::SetIniFileName(const QString& name)
{
    if (FOpen)
        SetOpen(false);
    FIniFileName = name;
}

void TTheIniFile::SetDefFilePath(const QString& path)
{
    FDefFilePath = path.isEmpty() || path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

void TTheIniFile::SetOpen(bool open)
{
    FHaveFile = false;
    FOpen = open;
    if (open)
        OpenIniFile();
}

QString TTheIniFile::ResolvedFileName() const
{
    switch (FIniLocation) {
    case loWinDir:
        return SettingsFolder() + FIniFileName;
    case loProgDir:
        return FProgramFolder + FIniFileName;
    case loUser:
        return FIniFileName;
    default:
        return (FDefFilePath.isEmpty() ? SettingsFolder() : FDefFilePath) + FIniFileName;
    }
}

int TTheIniFile::OpenIniFile()
{
    FErrorCode = 0;
    FHaveFile = false;
    const QString fullName = ResolvedFileName();
    const std::string path = platform::NativePath(fullName);
    if (platform::PathExists(path)) {
        // Like setting the attributes to "archive" only: lifts a write
        // protection, and a failure only counts when the file stays unwritable.
        platform::AddOwnerWrite(path);
        if (!platform::IsWritable(path)) {
            FErrorCode = iniReadOnly;
            Message(QStringLiteral("Kann Schreibschutz von ") + fullName + QStringLiteral(" nicht entfernen!"));
            return FErrorCode;
        }
    } else {
        FErrorCode = iniFileMissing;
        // Proves the file can be made where it belongs, the way a save makes
        // it: as a new file in its folder. Removed again; the first write
        // creates the real one.
        platform::TFile probe;
        if (const int created = probe.CreateTempBeside(platform::NativePath(fullName)); created != 0) {
            FErrorCode = created;
            return created;
        }
        probe.Close();
        platform::RemoveFile(probe.Path());
    }
    FFullFileName = fullName;
    FHaveFile = true;
    return 0;
}

void TTheIniFile::Message(const QString& text)
{
    if (OnMessage)
        OnMessage(text);
    else
        qWarning().noquote() << text;
}

bool TTheIniFile::Ready()
{
    if (FSection.isEmpty() || FIniFileName.isEmpty() || !FOpen || !FHaveFile) {
        Message(QStringLiteral("Bitte Dateiname angeben."));
        return false;
    }
    return true;
}

void TTheIniFile::ReadValue(const QString& key, const QString& defaultValue, QString& value)
{
    FErrorCode = 0;
    value = defaultValue;
    if (!Ready())
        return;
    if (key.isEmpty()) {
        value.clear();
        return;
    }
    const TIniLoad load = LoadIniFile(FFullFileName);
    const auto stored = load.Document.GetValue(Local(FSection), Local(key));
    // "INIERROR" is the marker the profile functions' callers used for "no
    // value"; a stored "INIERROR" therefore reads as missing, too.
    if (!stored || *stored == IniErrorValue) {
        FErrorCode = iniValueMissing;
        return;
    }
    value = QString::fromStdString(*stored);
}

void TTheIniFile::WriteValue(const QString& key, const QString& value)
{
    FErrorCode = 0;
    if (!Ready() || key.isEmpty())
        return;
    TIniLoad load = LoadIniFile(FFullFileName);
    // A file we could not read whole is never replaced by the little we know of it.
    if (load.ErrorCode != 0) {
        FErrorCode = load.ErrorCode;
        return;
    }
    if (!load.Document.SetValue(Local(FSection), Local(key), Local(value))) {
        FErrorCode = EINVAL;
        return;
    }
    FErrorCode = SaveIniFile(FFullFileName, load.Document);
}

}  // namespace valbrix
