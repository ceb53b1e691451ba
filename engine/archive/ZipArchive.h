// An archive opened once: the file stays open (by descriptor, so a rename or
// a change of the current directory does not matter), its kind is told at
// the opening (an archive, empty, not an archive, or damaged with the count
// of entries read), its entries are enumerated one at a time in archive
// order, and its reader is lent to the extraction. Both front ends and the
// fuzz targets read archives through it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/archive/ArchiveReader.h"
#include "engine/archive/LocalHeaderWalk.h"
#include "engine/archive/SplitArchiveReader.h"
#include "engine/archive/ZipDirectory.h"
#include "engine/crypto/KeptPasswords.h"

namespace valbrix {

enum TArchiveKind : uint8_t {
    akNotArchive,  // cannot be opened, or not an archive
    akEmpty,       // an archive without entries
    akArchive,     // an archive whose directory was read to its end
    akDamaged,     // an archive whose directory ended early or held an unreadable record
};

class TZipArchive {
public:
    TZipArchive() = default;
    TZipArchive(const TZipArchive&) = delete;
    TZipArchive& operator=(const TZipArchive&) = delete;

    // Opens the file and reads its directory once through, handing each
    // entry to `visit` when given (a listing needs no second pass). The path
    // is made absolute here, before anything else can happen to the current
    // directory. The content decides, not the name: an end record that
    // leads to a directory, or local headers to rebuild the entries from
    // when the directory is lost. When the entries of a damaged directory
    // give way to more recovered from the local headers, `restart` is
    // called before `visit` sees those.
    TArchiveKind Open(const std::string& path, const std::function<void(const TZipEntry&)>& visit = {},
                      const std::function<void()>& restart = {});
    // The same over bytes held in memory (fuzz targets, tests).
    TArchiveKind Open(std::unique_ptr<TArchiveReader> reader, const std::function<void(const TZipEntry&)>& visit = {},
                      const std::function<void()>& restart = {});
    void Close();

    TArchiveKind Kind() const { return FKind; }
    // Entries the directory gave at the opening (for a damaged one: before
    // the damage; for a recovered one: those the local headers gave).
    uint64_t EntriesRead() const { return FEntriesRead; }
    // Damaged, and the entries were rebuilt from the local headers.
    bool Recovered() const { return FRecovered; }
    // The archive comment as UTF-8: as stored when that is valid UTF-8,
    // else read as code page 437; control characters are left to the
    // front ends. Empty when there is none.
    std::string Comment() const;
    // For a split or spanned set: a part that is missing (the set is
    // damaged; the entries in the parts that are there list) or parts that
    // disagree (the set is refused); ProblemPart names the part.
    TSetProblem SetProblem() const { return FSetProblem; }
    const std::string& ProblemPart() const { return FProblemPart; }
    // The absolute path given to Open; empty for bytes in memory.
    const std::string& Path() const { return FPath; }
    // The open reader (null when nothing is open). Its ReadAt may be called
    // from several threads at once.
    TArchiveReader* Reader() const { return FReader.get(); }
    // The passwords given for its encrypted entries, tried on every later
    // one; wiped when the archive is closed. They may be added to through a
    // const archive: they are no part of what was read, and they guard
    // themselves against several threads.
    TKeptPasswords& KeptPasswords() const { return FKeptPasswords; }

    // Calls visit(entry) for each entry in archive order, one held at a time,
    // so any count costs the same memory; visit returns false to stop early.
    // Returns dsComplete or dsDamaged, dsNone when no directory could be opened.
    TDirectoryStatus ForEachEntry(const std::function<bool(const TZipEntry&)>& visit) const;

private:
    friend class TEntryCursor;
    TArchiveKind Classify(const std::function<void(const TZipEntry&)>& visit, const std::function<void()>& restart);
    uint64_t Recover(const std::function<void(const TZipEntry&)>& visit);

    std::unique_ptr<TArchiveReader> FReader;
    std::string FPath;
    TArchiveKind FKind = akNotArchive;
    uint64_t FEntriesRead = 0;
    bool FRecovered = false;
    TSetProblem FSetProblem = spNone;
    std::string FProblemPart;
    mutable TKeptPasswords FKeptPasswords;
};

// The entries of an open archive pulled one at a time, in archive order.
// The archive must stay open while the cursor is used.
class TEntryCursor {
public:
    // headersOnly: entries carry only their fixed fields (no name, times or
    // comment), for a walk that counts; the verdicts are those of a full walk.
    explicit TEntryCursor(const TZipArchive& archive, bool headersOnly = false) : FArchive(archive)
    {
        FDirectory.HeadersOnly = headersOnly;
    }
    // The next entry, valid until the next call; null at the end.
    const TZipEntry* Next();
    // After the end: dsComplete or dsDamaged, dsNone when no directory could be opened.
    TDirectoryStatus Status() const;
    // After the end: whether the file has an end record at all (one too
    // early to open, as an empty archive's, counts).
    bool FoundEndRecord() const { return FOpenResult != drCannotOpen; }

private:
    const TZipArchive& FArchive;
    TZipDirectory FDirectory;
    std::unique_ptr<TLocalHeaderWalk> FWalk;  // a recovered archive's entries come from here
    bool FStarted = false;
    bool FOpened = false;  // the directory opened (drEntry or drNoEntry)
    int FOpenResult = drCannotOpen;
};

}  // namespace valbrix
