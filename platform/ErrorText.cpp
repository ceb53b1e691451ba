// errno texts; see the header.
#include "platform/ErrorText.h"

#include <cerrno>
#include <string.h>

namespace valbrix::platform {

std::string ErrorText(int systemError)
{
    char buffer[256];
    // The GNU form returns the text, which may or may not lie in the buffer.
    return strerror_r(systemError, buffer, sizeof buffer);
}

std::string GermanErrorText(int systemError, TErrorScene scene)
{
    const bool reading = scene == esReading;
    switch (systemError) {
    case ENOSPC:
    case EDQUOT: return "Der Datenträger ist voll.";
    case EACCES:
    case EPERM: return reading ? "Keine Leseberechtigung." : "Keine Schreibberechtigung.";
    case EROFS: return "Der Datenträger ist schreibgeschützt.";
    case ENAMETOOLONG: return "Der Name ist für das Dateisystem zu lang.";
    case ENOTDIR: return reading ? "Ein Teil des Pfads ist kein Ordner." : "Eine Datei steht dort, wo ein Ordner angelegt werden soll.";
    case EEXIST: return "Eine Datei steht dort, wo ein Ordner angelegt werden soll.";
    case EISDIR: return "Unter diesem Namen steht ein Ordner.";
    case ENODEV: return "Keine gewöhnliche Datei.";
    case EFBIG: return "Die Datei ist zu groß.";
    case ENOENT: return "Der Ordner oder die Datei ist nicht vorhanden.";
    case EIO: return reading ? "Der Datenträger meldet einen Lesefehler." : "Der Datenträger meldet einen Lese- oder Schreibfehler.";
    case EOPNOTSUPP: return "Das Dateisystem kennt keine symbolischen Verweise.";
    case ELOOP: return "Der Pfad führt über einen symbolischen Verweis; ihm wird nicht gefolgt.";
    default: return {};
    }
}

}  // namespace valbrix::platform
