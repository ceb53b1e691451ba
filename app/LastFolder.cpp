// TMain's remembered target folder: "LastFolder" in section "Folders" of the
// program's INI file.
// Stand-in until the INI component is in the tree: reads and writes only
// that one line and keeps every other line of the file as it is.
#include "MainUnit.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace valbrix {

namespace {

QString IniPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    QDir().mkpath(config + QStringLiteral("/valbrix"));
    return config + QStringLiteral("/valbrix/valbrix.ini");
}

QStringList IniLines()
{
    QFile file(IniPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

}  // namespace

QString TMain::ReadLastFolder()
{
    for (const QString& line : IniLines())
        if (line.startsWith(QLatin1String("LastFolder="), Qt::CaseInsensitive))
            return line.mid(11);
    return QString();
}

void TMain::WriteLastFolder(const QString& folder)
{
    QStringList lines = IniLines();
    lines.removeIf([](const QString& line) { return line.startsWith(QLatin1String("LastFolder="), Qt::CaseInsensitive); });
    lines.removeAll(QStringLiteral("[Folders]"));
    lines.removeAll(QString());
    lines << QStringLiteral("[Folders]") << QStringLiteral("LastFolder=") + folder << QString();
    QSaveFile file(IniPath());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(lines.join(QLatin1Char('\n')).toUtf8());
        file.commit();
    }
}

}  // namespace valbrix
