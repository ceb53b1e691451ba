// The archive behind the window, without widgets: opening and listing it
// (held open by its file from then on, so a run reads the very file that
// was listed), the totals over its files, whether it carries a setup
// program, and why an opening showed no rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include <QString>

#include "app/workflows/ExtractEntries.h"
#include "app/dialogs/MessageBox.h"
#include "engine/archive/EntryTable.h"
#include "engine/archive/ZipArchive.h"

namespace valbrix {

// The lower-case file name contains "setup.exe".
bool NamesSetupProgram(std::string_view fileName);

struct TArchiveListing {
    std::shared_ptr<TEntryTable> Table;  // every entry read, folder entries included
    TDirectoryStatus Status = dsNone;
    int OpenError = 0;                   // errno of opening the file; 0 when it opened
};

// Why an opening showed no rows; an empty text when it showed some or
// when the damaged directory's own message says it.
struct TOpenProblem {
    QString Text;
    TMessageKind Kind = mkError;
};

// Every entry of the listing, folder entries included, in archive order.
TExtractList AllEntriesOf(const TArchiveListing& listing);

class TArchiveSession {
public:
    // Closes the archive open so far and lists `path`. A failure while
    // reading keeps what was listed before it and reads as damaged.
    TArchiveListing Open(const QString& path);
    // Also wipes the password kept for the archive.
    void Close() { FArchive.Close(); }

    TZipArchive& Archive() { return FArchive; }
    const TZipArchive& Archive() const { return FArchive; }
    // Over the files of the last listing (folder entries have no row).
    int64_t FileBytes() const { return FFileBytes; }
    int64_t CompressedBytes() const { return FCompressedBytes; }
    bool SetupFound() const { return FSetupFound; }
    // The setup flow extracts every entry, folder entries included.
    TExtractList SetupList(const TArchiveListing& listing) const;
    TOpenProblem OpenProblem(const QString& path, const TArchiveListing& listing, int rowCount) const;
    // What a damaged listing is told with: a missing part of a split set,
    // entries recovered from the local headers, or a damaged directory.
    QString DamageText(const QString& path, qsizetype filesRead, qsizetype foldersRead) const;

private:
    TZipArchive FArchive;
    int64_t FFileBytes = 0;
    int64_t FCompressedBytes = 0;
    bool FSetupFound = false;
};

}  // namespace valbrix
