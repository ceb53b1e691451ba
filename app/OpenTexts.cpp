// Texts of a failed or empty opening; see the header.
#include "OpenTexts.h"

#include <cerrno>

namespace valbrix {

QString OpenFailureText(const QString& path, int systemError)
{
    switch (systemError) {
    case ENOENT:
    case ENOTDIR: return QStringLiteral("Die Datei %1 wurde nicht gefunden.").arg(path);
    case EISDIR: return QStringLiteral("%1 ist ein Ordner, keine ZIP-Datei.").arg(path);
    case EACCES:
    case EPERM: return QStringLiteral("Die Datei %1 kann nicht gelesen werden:\nKeine Leseberechtigung.").arg(path);
    case ENODEV: return QStringLiteral("%1 ist keine gewöhnliche Datei und kein ZIP-Archiv.").arg(path);
    case EIO:
        return QStringLiteral("Die Datei %1 kann nicht gelesen werden:\nDer Datenträger meldet einen Lesefehler.")
            .arg(path);
    default:
        return QStringLiteral("Die Datei %1 kann nicht gelesen werden (Systemfehler %2).").arg(path).arg(systemError);
    }
}

QString NotZipText(const QString& path)
{
    return QStringLiteral("Die Datei %1 ist kein ZIP-Archiv oder ist unvollständig.").arg(path);
}

QString NoFilesText(const QString& path)
{
    return QStringLiteral("Das Archiv %1 enthält keine Dateien.").arg(path);
}

QString MissingPartText(const QString& part)
{
    return QStringLiteral("Der Teil %1 fehlt. Nur die Einträge in den vorhandenen Teilen können gelesen werden.").arg(part);
}

QString PartsDisagreeText(const QString& part)
{
    return QStringLiteral("Die Teile des geteilten Archivs passen nicht zusammen: %1 ist nicht so groß wie die "
                          "übrigen Teile (abgeschnitten oder aus einem anderen Archiv).")
        .arg(part);
}

}  // namespace valbrix
