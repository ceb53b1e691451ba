// Texts of the extraction workflow; see the header.
#include "app/texts/ExtractTexts.h"

#include <cerrno>

#include <QLocale>

#include "app/texts/ListTexts.h"
#include "app/tools/MyTools.h"
#include "engine/ResultCodes.h"
#include "engine/codecs/Methods.h"
#include "platform/ErrorText.h"
#include "platform/gui/LocaleFormats.h"

namespace valbrix {

QString OutputErrorText(int systemError)
{
    const QString cause = QString::fromStdString(platform::GermanErrorText(systemError, platform::esWriting));
    switch (systemError) {
    case EACCES:
    case EPERM: return QStringLiteral("Keine Schreibberechtigung im Zielordner.");
    case EROFS: return QStringLiteral("Keine Schreibberechtigung im Zielordner. ") + cause;
    case ENOENT: return QStringLiteral("Der Zielordner ist nicht mehr vorhanden.");
    default: return cause;
    }
}

QString ResultText(int resultCode, int systemError, uint16_t method)
{
    if (resultCode == erUnsupported && !CanDecode(method)) {
        const QString refusal = MethodRefusalText(method);
        if (!refusal.isEmpty())
            return refusal + QLatin1Char('.');
    }
    if (resultCode == erOutput && systemError != 0) {
        const QString cause = OutputErrorText(systemError);
        if (!cause.isEmpty())
            return cause;
        return QStringLiteral("Die Zieldatei kann nicht angelegt oder geschrieben werden (Systemfehler %1).")
            .arg(systemError);
    }
    switch (resultCode) {
    case erBusy: return QStringLiteral("Es läuft bereits eine andere Extraktion.");
    case erOk: return QStringLiteral("Kein Fehler.");
    case erCrc: return QStringLiteral("Die Prüfsumme (CRC) stimmt nicht: die Daten sind beschädigt.");
    case erOutput: return QStringLiteral("Die Zieldatei kann nicht angelegt oder geschrieben werden.");
    case erRead: return QStringLiteral("Das Archiv kann nicht gelesen werden oder endet vorzeitig.");
    case erFormat: return QStringLiteral("Der Eintrag ist beschädigt (lokaler Kopf oder komprimierte Daten).");
    case erAborted: return QStringLiteral("Das Auspacken wurde abgebrochen.");
    case erUnsupported: return QStringLiteral("Die Komprimierungsmethode wird nicht unterstützt.");
    case erMemoryLimit: return QStringLiteral("Das Wörterbuch des Eintrags ist größer als 256 MB.");
    case erEncrypted: return QStringLiteral("Der Eintrag ist verschlüsselt.");
    case erWrongPassword: return QStringLiteral("Das Kennwort ist falsch oder die Daten sind beschädigt.");
    case erEncryptionUnsupported: return QStringLiteral("Das Verschlüsselungsverfahren wird nicht unterstützt.");
    case erNameRefused: return QStringLiteral("Der Name des Eintrags führt aus dem Zielordner hinaus.");
    case erLinkOutside: return QStringLiteral("Der Verweis zeigt aus dem Zielordner hinaus.");
    case erLinkInvalid: return QStringLiteral("Das Ziel des Verweises ist ungültig (leer, zu lang oder mit Nullzeichen).");
    default: return QStringLiteral("Unbekannter Fehler (Code %1).").arg(resultCode);
    }
}

QString ExtractFailureText(const QString& target, int resultCode, int systemError, uint16_t method)
{
    return QStringLiteral("Fehler beim Auspacken nach ") + QuotedName(target) + QStringLiteral("!\n") +
           ResultText(resultCode, systemError, method);
}

QString DateTimeText(const QDateTime& time)
{
    if (!time.isValid())
        return QString();
    const QLocale locale;
    QString text = locale.toString(time.date(), platform::FullYearDateFormat());
    // The long format of most locales names the time zone too; seconds are what matter.
    if (time.time() != QTime(0, 0))
        text += QLatin1Char(' ') + time.time().toString(QStringLiteral("HH:mm:ss"));
    return text;
}

QString ReplaceQuestionText(const QString& target, int64_t existingSize, const QDateTime& existingTime,
                            int64_t entrySize, uint32_t entryDosDateTime)
{
    // The existing file's time at the two-second resolution of the entry's, so equal files read equal.
    QDateTime existing = existingTime;
    if (existing.isValid())
        existing = existing.addSecs(-(existing.time().second() % 2)).addMSecs(-existing.time().msec());
    const QString entryTime = DateTimeText(DosDateTimeValue(entryDosDateTime));
    return QStringLiteral("Die Datei ") + QuotedName(target) + QStringLiteral(" existiert bereits.\n\n") +
           QStringLiteral("Möchten Sie die existierende Datei \n") + MyTools().FormatSize(existingSize) +
           QLatin1Char('\n') + DateTimeText(existing) + QStringLiteral("\n\nmit dieser ersetzen?\n") +
           MyTools().FormatSize(entrySize) + QLatin1Char('\n') +
           (entryTime.isEmpty() ? QStringLiteral("(ungültiges Datum)") : entryTime) + QLatin1Char('\n');
}

QString SummaryText(int count)
{
    return SummaryText(count, false, 0);
}

QString SkippedText()
{
    return QStringLiteral("übersprungen (kein Kennwort eingegeben)");
}

namespace {

QString CountsText(int count, bool stopped, qsizetype collectedFailures, qsizetype skipped)
{
    QString text = QStringLiteral("Es wurden %1 Datei(en) extrahiert").arg(count);
    if (stopped)
        text += QStringLiteral("\nDas Entpacken wurde abgebrochen.");
    if (collectedFailures > 0)
        text += QStringLiteral("\nWeitere %1 Datei(en) konnten nicht extrahiert werden (Liste unten).")
                    .arg(collectedFailures);
    if (skipped > 0)
        text += QStringLiteral("\n%1 verschlüsselte Datei(en) wurden ohne Kennwort übersprungen (Liste unten).")
                    .arg(skipped);
    return text;
}

}  // namespace

QString SummaryText(int count, bool stopped, qsizetype collectedFailures, qsizetype skipped)
{
    return CountsText(count, stopped, collectedFailures, skipped) +
           QStringLiteral("\n\nMöchten Sie den Ordner mit den extrahierten Dateien jetzt öffnen?");
}

QString StoppedSummaryText(int count, qsizetype collectedFailures, qsizetype skipped, qsizetype replaced)
{
    QString text = CountsText(count, true, collectedFailures, skipped) +
                   QStringLiteral("\n\nMöchten Sie die Dateien und Ordner, die dabei angelegt wurden, wieder löschen?"
                                  "\nDateien, die vorher schon vorhanden waren, bleiben erhalten.");
    // A replaced file keeps the archive's content either way: said, not promised away.
    if (replaced > 0)
        text += QStringLiteral("\nSchon ersetzt wurden jedoch %1 Datei(en); ihr alter Inhalt lässt sich nicht "
                               "wiederherstellen (Liste unten).")
                    .arg(replaced);
    return text;
}

QString DiskFullText(int count, uint64_t notExtracted)
{
    return QStringLiteral("Auf dem Ziellaufwerk ist kein Platz mehr: %1 Datei(en) wurden nicht entpackt.\n"
                          "%2 Datei(en) wurden vorher entpackt.")
        .arg(qulonglong(notExtracted))
        .arg(count);
}

QString TrailLeftText(size_t left)
{
    return QStringLiteral("%1 der angelegten Dateien und Ordner konnten nicht gelöscht werden.").arg(qulonglong(left));
}

}  // namespace valbrix
