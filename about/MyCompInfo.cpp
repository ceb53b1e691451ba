// The compile information; see the header.
#include "MyCompInfo.h"

#include <QLocale>
#include <QRegularExpression>

#include "Version.h"

namespace valbrix::about {

namespace {

// The moment the compiler ran over this file. __DATE__ is "Dec  7 2026",
// always in English, whatever the locale.
QDateTime CompileMoment()
{
    const QDate date = QLocale::c().toDate(QString::fromLatin1(__DATE__).simplified(), QStringLiteral("MMM d yyyy"));
    const QTime time = QTime::fromString(QStringLiteral(__TIME__), QStringLiteral("hh:mm:ss"));
    return QDateTime(date, time);
}

// The user's locale; German where none is configured, as the whole
// interface is German.
QLocale UserLocale()
{
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::German, QLocale::Germany) : locale;
}

}  // namespace

QString DatePattern(TDateTimeFormat format, bool dateOnly)
{
    const QLocale locale = UserLocale();
    switch (format) {
    case tfShortDate: return locale.dateFormat(QLocale::ShortFormat);
    case tfLongDate: return locale.dateFormat(QLocale::LongFormat);
    case tfAbbreviated: return dateOnly ? QStringLiteral("yy MMM ddd") : QStringLiteral("yy MMM ddd hh:mm");
    case tfFullName: return dateOnly ? QStringLiteral("yyyy MMMM dddd") : QStringLiteral("yyyy MMMM dddd hh:mm:ss");
    case tfDefault: break;
    }
    // The separator is taken from the locale's short date ("." in German).
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype at = shortDate.indexOf(QRegularExpression(QStringLiteral("[^dMy]")));
    const QString separator = at >= 0 ? shortDate.mid(at, 1) : QStringLiteral(".");
    return QStringLiteral("dd") + separator + QStringLiteral("MM") + separator + QStringLiteral("yyyy hh:mm:ss");
}

TCompileInfo::TCompileInfo()
    : FCompanyName(QStringLiteral("Valbrix-Projekt"))
    , FCompileDate(UserLocale().toString(QDateTime::currentDateTime(), DatePattern(tfDefault, false)))
    , FVersion(QStringLiteral("1.0"))
{
}

TCompileInfo TCompileInfo::ForThisBuild()
{
    TCompileInfo info;
    info.SetVersion(QStringLiteral(VALBRIX_VERSION));
    info.SetUpdate(true, CompileMoment());
    return info;
}

void TCompileInfo::SetFormat(TDateTimeFormat format)
{
    FFormat = format;
    // Reformats the stamp already taken; taking the clock here would turn
    // the compile date into the moment of the call.
    if (FUpdate)
        SetUpdate(true, FStamp);
}

void TCompileInfo::SetUpdate(bool update, const QDateTime& moment)
{
    FUpdate = update;
    if (!update)
        return;
    FStamp = FDateOnly ? QDateTime(moment.date(), QTime(0, 0)) : moment;
    FCompileDate = UserLocale().toString(FStamp, DatePattern(FFormat, FDateOnly));
}

}  // namespace valbrix::about
