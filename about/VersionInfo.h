// TVersionInfo: the version facts of the program, and the version line of
// the About dialog. There are no version resources in executables here; the
// facts come from the header that CMake generates from the project version
// (build/generated/Version.h), so the dialog and the build always agree.
#pragma once

#include <cstdint>
#include <utility>

#include <QHash>
#include <QString>

namespace valbrix::about {

class TVersionInfo {
public:
    // The facts of this program's build.
    TVersionInfo();
    // Facts given by the caller (tests): name -> value, "FileVersion" among them.
    explicit TVersionInfo(QHash<QString, QString> strings);

    bool Valid() const { return FValid; }
    // A named value ("FileVersion", "ProductName", "CompanyName",
    // "LegalCopyright", ...); empty when unknown.
    QString VersionString(const QString& name) const;
    // The four fields packed as two 32-bit words, high word A.B, low word C.D;
    // {0, 0} when the file version does not read as four numbers.
    std::pair<uint32_t, uint32_t> FixedFileVersion() const;
    QString FileVersionText() const { return VersionString(QStringLiteral("FileVersion")); }

private:
    QHash<QString, QString> FStrings;
    bool FValid = false;
};

// "Version 2.0 [2.0.0.0042]" from "2.0.0.42": the fourth field at least four
// digits. An empty version gives "Version "; one that is not four numbers is
// shown as it is, after "Version ".
QString VersionLine(const QString& fileVersion);

}  // namespace valbrix::about
