// Date formats of the interface; see the header.
#include "LocaleFormats.h"

namespace valbrix::platform {

QLocale InterfaceLocale(const QLocale& system)
{
    return system.language() == QLocale::C ? QLocale(QLocale::German, QLocale::Germany) : system;
}

QString FullYearDateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString FullYearDateTimeText(const QDateTime& time)
{
    if (!time.isValid())
        return QString();
    const QLocale locale;
    return locale.toString(time.date(), FullYearDateFormat()) + QStringLiteral("  ") +
           locale.toString(time.time(), QLocale::ShortFormat);
}

}  // namespace valbrix::platform
