// TCompileInfo: when and as what version the program was built, for the
// About dialog's "vom ..." line. The main window holds the program's
// instance (ForThisBuild); its date is the moment this library was compiled,
// in the form dd.MM.yyyy hh:mm:ss.
#pragma once

#include <QDateTime>
#include <QString>

namespace valbrix::about {

enum TDateTimeFormat { tfDefault, tfShortDate, tfLongDate, tfAbbreviated, tfFullName };

// The pattern for a format, in Qt's date-time notation; tfDefault is
// day, month, four-digit year with the locale's date separator and the long time.
QString DatePattern(TDateTimeFormat format, bool dateOnly);

class TCompileInfo {
public:
    // Version "1.0", build 1, tfDefault, the current moment as CompileDate.
    TCompileInfo();
    // The program's own: its version, maker and compile moment.
    static TCompileInfo ForThisBuild();

    unsigned Build() const { return FBuild; }
    void SetBuild(unsigned build) { FBuild = build; }
    const QString& CompanyName() const { return FCompanyName; }
    void SetCompanyName(const QString& name) { FCompanyName = name; }
    const QString& CompileDate() const { return FCompileDate; }
    void SetCompileDate(const QString& date) { FCompileDate = date; }
    bool DateOnly() const { return FDateOnly; }
    void SetDateOnly(bool dateOnly) { FDateOnly = dateOnly; }
    TDateTimeFormat Format() const { return FFormat; }
    // Chooses the pattern; with Update on, the stamp is written again in it.
    void SetFormat(TDateTimeFormat format);
    bool Update() const { return FUpdate; }
    // On: CompileDate becomes the given moment in the pattern (the date part
    // only with DateOnly). The flag is stored in every case.
    void SetUpdate(bool update, const QDateTime& moment = QDateTime::currentDateTime());
    const QString& Version() const { return FVersion; }
    void SetVersion(const QString& version) { FVersion = version; }

private:
    unsigned FBuild = 1;
    QString FCompanyName;
    QString FCompileDate;
    bool FDateOnly = false;
    TDateTimeFormat FFormat = tfDefault;
    bool FUpdate = false;
    QString FVersion;
    QDateTime FStamp;  // the moment CompileDate was last taken from
};

}  // namespace valbrix::about
