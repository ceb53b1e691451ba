// How the interface writes dates: in the user's locale, German when none is
// configured, always with a four-digit year, as a German desktop does by
// default. One home, so the list, the messages and the folder dialog agree.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace valbrix::platform {

// The locale the interface formats dates and numbers in: the system's, or
// German when none is configured (C or POSIX), since every word is German.
QLocale InterfaceLocale(const QLocale& system);

// The default locale's short date format with the year widened to four digits.
QString FullYearDateFormat();

// A file time as the list shows it: the four-digit-year date, two blanks,
// the short time; empty when invalid.
QString FullYearDateTimeText(const QDateTime& time);

}  // namespace valbrix::platform
