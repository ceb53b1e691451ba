// Cell, panel and caption texts of the main window; see the header.
#include "app/texts/ListTexts.h"

#include <cstdint>

#include <QDate>
#include <QLocale>
#include <QTime>

#include "app/tools/MyTools.h"
#include "engine/archive/ZipDirectory.h"
#include "engine/archive/ZipFormat.h"
#include "engine/codecs/Methods.h"
#include "platform/gui/LocaleFormats.h"
#include "platform/gui/PathFacts.h"

namespace valbrix {

QString MethodCaption(uint16_t method)
{
    return method == zmStored ? QStringLiteral("Gespeichert") : QString::fromStdString(MethodName(method));
}

QString MethodText(uint16_t dataMethod, uint16_t flags, uint8_t aesStrength)
{
    return MethodCaption(dataMethod) + EncryptionSuffix(flags, aesStrength);
}

QString MethodText(const TZipEntry& entry)
{
    return MethodText(EntryMethod(entry), entry.Flags, entry.Aes.Strength);
}

QString MethodRefusalText(uint16_t method)
{
    return QStringLiteral("Komprimierungsverfahren %1 wird nicht unterstützt")
        .arg(MethodCaption(method));
}

QString RefusalText(uint16_t dataMethod, uint16_t flags)
{
    if (EncryptionUnsupported(flags))
        return QStringLiteral("Verschlüsselungsverfahren wird nicht unterstützt");
    return CanDecode(dataMethod) ? QString() : MethodRefusalText(dataMethod);
}

QString RefusalText(const TZipEntry& entry)
{
    return RefusalText(EntryMethod(entry), entry.Flags);
}

QString FileNamePart(const QString& entryName)
{
    return entryName.mid(entryName.lastIndexOf(QLatin1Char('/')) + 1);
}

namespace {

bool IsDirectionControl(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

QString VisibleNameText(const QString& namePart)
{
    QString text;
    text.reserve(namePart.size());
    for (const QChar ch : namePart) {
        const char16_t c = ch.unicode();
        if (c < 0x20)
            text += QChar(char16_t(0x2400 + c));  // the Control Pictures block, in the same order
        else if (c == 0x7F)
            text += QChar(char16_t(0x2421));
        else if ((c >= 0x80 && c < 0xA0) || IsDirectionControl(c))
            text += QStringLiteral("<U+%1>").arg(QString::number(unsigned(c), 16).toUpper().rightJustified(4, u'0'));
        else
            text += ch;
    }
    return text;
}

QString QuotedName(const QString& name)
{
    return QStringLiteral("\u201E") + VisibleNameText(name) + QStringLiteral("\u201C");
}

QString FolderPart(const QString& entryName)
{
    const qsizetype slash = entryName.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : entryName.left(slash);
}

QDateTime DosDateTimeValue(uint32_t dosDateTime)
{
    // The MS-DOS date and time are local; no time zone is involved.
    const platform::TLocalTime local = DecodeDosDateTime(dosDateTime);
    const QDate date(local.Year, local.Month, local.Day);
    const QTime time(local.Hour, local.Minute, local.Second);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

QString DateText(uint32_t dosDateTime)
{
    return platform::FullYearDateTimeText(DosDateTimeValue(dosDateTime));
}

QString ExactDateText(int64_t utcSeconds)
{
    return platform::FullYearDateTimeText(QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::LocalTime));
}

QString EncryptionSuffix(uint16_t flags, uint8_t aesStrength)
{
    if (!(flags & gpEncrypted) || EncryptionUnsupported(flags))
        return QString();
    if (aesStrength >= 1 && aesStrength <= 3)
        return QStringLiteral(" + AES-%1").arg(64 + 64 * aesStrength);
    return QStringLiteral(" + ZipCrypto");
}

QString RatioText(uint64_t uncompressedSize, uint64_t compressedSize)
{
    if (uncompressedSize == 0)
        return QStringLiteral("0%");
    const double saved = (double(uncompressedSize) - double(compressedSize)) * 100.0 / double(uncompressedSize);
    const QString text = QString::asprintf("%.0f%%", saved);
    // A loss below half a per cent would read "-0%".
    return text == QLatin1String("-0%") ? QStringLiteral("0%") : text;
}

int64_t SizeForTotal(uint64_t size)
{
    return size > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(size);
}

namespace {

// Counted as the list shows them: files as rows, folders apart.
QString FilesAndFoldersText(qsizetype files, qsizetype folders)
{
    const QString text = QStringLiteral("%1 Datei(en)").arg(files);
    return folders == 0 ? text : text + QStringLiteral(" und %1 Ordner").arg(folders);
}

}  // namespace

QString DamagedDirectoryText(const QString& archivePath, qsizetype filesRead, qsizetype foldersRead)
{
    const QString name = platform::FileNameOf(archivePath);
    const QString count = filesRead + foldersRead == 0
                              ? QStringLiteral("konnten keine Einträge")
                              : QStringLiteral("konnten nur %1").arg(FilesAndFoldersText(filesRead, foldersRead));
    return QStringLiteral("Das Inhaltsverzeichnis des Archivs \u201E%1\u201C ist beschädigt. Es %2 gelesen werden; "
                          "weitere Einträge des Archivs fehlen in der Liste.")
        .arg(VisibleNameText(name), count);
}

QString RecoveredArchiveText(qsizetype filesRead, qsizetype foldersRead)
{
    return QStringLiteral("Das Archiv ist beschädigt: %1 wurden aus den Dateiköpfen gelesen.")
        .arg(FilesAndFoldersText(filesRead, foldersRead));
}

QString VisibleCommentText(const std::string& comment)
{
    QStringList lines = QString::fromUtf8(comment.data(), qsizetype(comment.size())).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        line = VisibleNameText(line);
    }
    return lines.join(QLatin1Char('\n'));
}

QString RowToolTipText(const QString& refusal, std::string_view comment)
{
    if (comment.empty())
        return refusal;
    // A tooltip that fills the screen helps nobody; the start of a long comment has to do.
    constexpr qsizetype MaxShownCharacters = 1000;
    QString shown = VisibleCommentText(std::string(comment));
    if (shown.size() > MaxShownCharacters)
        shown = shown.left(MaxShownCharacters) + QStringLiteral(" …");
    // Rich text on purpose: as plain text, a comment that looks like markup
    // would be rendered as markup; escaped inside "pre-wrap" it shows as written.
    QString html = QStringLiteral("<p style=\"white-space:pre-wrap\">");
    if (!refusal.isEmpty())
        html += refusal.toHtmlEscaped() + QStringLiteral("\n\n");
    return html + shown.toHtmlEscaped() + QStringLiteral("</p>");
}

QString DamageText(uint8_t damage)
{
    switch (damage) {
    case edCut: return QStringLiteral("Der Eintrag ist am Ende der Datei abgeschnitten und wird nicht entpackt.");
    case edMissingPart: return QStringLiteral("Der Eintrag liegt in einem fehlenden Teil des Archivs und wird nicht entpackt.");
    default: return QString();
    }
}

QString FilesPanelText(int rowCount, int64_t totalSize, int64_t compressedSize)
{
    return QStringLiteral(" %1 Datei(en) %2 (%3)")
        .arg(rowCount)
        .arg(MyTools().FormatSize(totalSize), MyTools().FormatSize(compressedSize));
}

QString FilteredPanelText(int shownCount, int fileCount)
{
    return QStringLiteral(" %1 von %2 Datei(en) angezeigt").arg(shownCount).arg(fileCount);
}

QString SelectedPanelText(int selectedCount, int64_t selectedSize, int hiddenCount)
{
    QString text = QStringLiteral(" %1 Datei(en) selektiert %2").arg(selectedCount).arg(MyTools().FormatSize(selectedSize));
    if (hiddenCount > 0)
        text += QStringLiteral(", davon %1 ausgeblendet").arg(hiddenCount);
    return text;
}

QString MainCaption(int rowCount, const QString& archivePath)
{
    if (rowCount == 0)
        return QStringLiteral("Valbrix");
    return QStringLiteral("Valbrix - ") + archivePath.mid(archivePath.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace valbrix
