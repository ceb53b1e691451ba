// The texts the main window shows for an archive: the cells of one list row,
// the two status panels and the window caption. Pure functions over the
// entry record and the current locale (QLocale()), so tests check them
// without a window. An entry whose MS-DOS date or time is no valid calendar
// value gets an empty date cell; nothing here fails.
#pragma once

#include <cstdint>
#include <string_view>

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace valbrix {

struct TZipEntry;

// The part after the last '/', empty for a folder entry ("docs/").
QString FileNamePart(const QString& entryName);
// The part before the last '/', empty at the top level.
QString FolderPart(const QString& entryName);
// A name part as the list shows it: control characters as their visible
// symbols (U+0007 as "␇", C1 controls and the ones without a symbol as
// "<U+0085>"), and every direction mark or override as "<U+202E>", so
// "evil<U+202E>txt.exe" cannot pass for "evilexe.txt". Other text is kept.
QString VisibleNameText(const QString& namePart);
// A name or path quoted in a message: „…“ as German typography has it,
// with control and direction characters made visible as in the list, so
// no name can pass for another in a box either.
QString QuotedName(const QString& name);
// The MS-DOS date (high word) and time (low word) as a local time; invalid
// when it is no calendar value.
QDateTime DosDateTimeValue(uint32_t dosDateTime);
// The short date with a four-digit year, two blanks, the locale's short
// time; empty when invalid.
QString DateText(uint32_t dosDateTime);
// An exact time (seconds since the epoch, UTC) as the local time, in DateText's format.
QString ExactDateText(int64_t utcSeconds);
// What the method column adds for an encrypted entry: " + AES-128/192/256"
// for an AES entry, " + ZipCrypto" for the traditional cipher, empty for a
// plain one and for encryption no password opens here (its row says so).
QString EncryptionSuffix(uint16_t flags, uint8_t aesStrength);
// Space saved in whole per cent: "75%", "0%" for an empty entry, "-3%" when it grew.
QString RatioText(uint64_t uncompressedSize, uint64_t compressedSize);
// A size from the archive as the signed total the status bar adds up; sizes
// beyond what a signed 64-bit number holds (only a damaged entry has them) stop there.
int64_t SizeForTotal(uint64_t size);
// "The archive's table of contents is damaged", with the files and folders
// read, counted apart as the list shows them.
QString DamagedDirectoryText(const QString& archivePath, qsizetype filesRead, qsizetype foldersRead);
// "The archive is damaged: N files were read from the local headers".
QString RecoveredArchiveText(qsizetype filesRead, qsizetype foldersRead);
// The archive comment for its area: control characters made visible as in
// names, line breaks kept (CR LF counts as one).
QString VisibleCommentText(const std::string& comment);
// A row's tooltip: why it cannot be extracted (when it cannot), then its
// comment, made visible like the archive's and escaped so that no markup in
// it is ever rendered; a long comment is cut. Empty when there is neither.
QString RowToolTipText(const QString& refusal, std::string_view comment);
// Why a listed entry cannot be extracted (a TEntryDamage); empty for a whole one.
QString DamageText(uint8_t damage);

// The method as the window names it ("Gespeichert", "Deflate"), without encryption.
QString MethodCaption(uint16_t method);
// The method column: the name of the data's method ("Deflate64", "PPMd",
// ...; under AES the real one), with the encryption suffix.
QString MethodText(uint16_t dataMethod, uint16_t flags, uint8_t aesStrength);
QString MethodText(const TZipEntry& entry);
// "Komprimierungsverfahren PPMd wird nicht unterstützt": the method named,
// its number for one we do not know.
QString MethodRefusalText(uint16_t method);
// Why the entry cannot be extracted, known before anyone tries (a method we
// do not decode, encryption no password opens); empty when nothing stands
// in the way.
QString RefusalText(uint16_t dataMethod, uint16_t flags);
QString RefusalText(const TZipEntry& entry);

QString FilesPanelText(int rowCount, int64_t totalSize, int64_t compressedSize);
// The files panel while a filter hides rows: " 12 von 300 Datei(en) angezeigt".
QString FilteredPanelText(int shownCount, int fileCount);
// The marked rows and their size; `hiddenCount` of them a filter hides.
QString SelectedPanelText(int selectedCount, int64_t selectedSize, int hiddenCount = 0);
// "Valbrix" without rows, else "Valbrix - " and the archive's file name.
QString MainCaption(int rowCount, const QString& archivePath);

}  // namespace valbrix
