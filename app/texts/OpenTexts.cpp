// Texts of a failed or empty opening; see the header.
#include "app/texts/OpenTexts.h"

#include <cerrno>


#include "app/texts/ListTexts.h"
#include "platform/ErrorText.h"
#include "platform/gui/PathFacts.h"

namespace valbrix {

QString OpenFailureText(const QString& path, int systemError)
{
    switch (systemError) {
    case ENOENT:
    case ENOTDIR: return QStringLiteral("Die Datei %1 wurde nicht gefunden.").arg(QuotedName(path));
    case EISDIR: return QStringLiteral("%1 ist ein Ordner, keine ZIP-Datei.").arg(QuotedName(path));
    case ENODEV: return QStringLiteral("%1 ist keine gewöhnliche Datei und kein ZIP-Archiv.").arg(QuotedName(path));
    default: break;
    }
    const std::string cause = platform::GermanErrorText(systemError, platform::esReading);
    if (cause.empty())
        return QStringLiteral("Die Datei %1 kann nicht gelesen werden (Systemfehler %2).")
            .arg(QuotedName(path), QString::number(systemError));
    return QStringLiteral("Die Datei %1 kann nicht gelesen werden:\n%2").arg(QuotedName(path), QString::fromStdString(cause));
}

QString NotZipText(const QString& path)
{
    return QStringLiteral("Die Datei %1 ist kein ZIP-Archiv oder ist unvollständig.").arg(QuotedName(path));
}

QString NoFilesText(const QString& path)
{
    return QStringLiteral("Das Archiv %1 enthält keine Dateien.").arg(QuotedName(path));
}

QString MissingPartText(const QString& part)
{
    return QStringLiteral("Der Teil %1 fehlt. Nur die Einträge in den vorhandenen Teilen können gelesen werden.").arg(QuotedName(part));
}

QString PartsDisagreeText(const QString& part)
{
    return QStringLiteral("Die Teile des geteilten Archivs passen nicht zusammen: %1 ist nicht so groß wie die "
                          "übrigen Teile (abgeschnitten oder aus einem anderen Archiv).")
        .arg(QuotedName(part));
}

QString NoProgramText(const QString& path)
{
    return QStringLiteral("Für Dateien vom Typ \u201E%1\u201C ist kein Programm eingerichtet.")
        .arg(platform::FileKindText(path));
}

}  // namespace valbrix
