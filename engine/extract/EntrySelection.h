// The entries an extraction job takes, in the order it takes them: every
// entry of an open archive (or those with the names asked for), pulled from
// its directory one at a time so any count costs the same memory; or a list
// the caller already holds (the window's marked rows). Each tells its entry
// count and the sum of its sizes up front, for the progress shown.
//
// Names asked for select an entry when they are its name, the name of a
// folder above it (so "docs" or "docs/" takes everything below), or a
// wildcard pattern (*, ?, [...]) that matches its whole path; '*' crosses
// '/'. Excluding patterns take entries out again. Two entries of one run
// that would land on the same file (the same name twice, or --flat) are a
// clash: the later one is left out and reported, never written over the
// earlier one.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

#include "engine/archive/EntryTable.h"
#include "engine/archive/ZipArchive.h"

namespace valbrix {

class TEntrySelection {
public:
    virtual ~TEntrySelection() = default;
    // The next entry, valid until the next call; null when none is left.
    virtual const TZipEntry* Next() = 0;
    virtual uint64_t Count() const = 0;
    // Sum of the uncompressed sizes, saturated.
    virtual uint64_t TotalBytes() const = 0;
    // True when the entries come out of the archive's order, so that
    // reading them jumps back and forth through the file.
    virtual bool Scattered() const { return false; }
};

// True when `pattern` matches all of `name`: '*' any run of bytes ('/'
// too), '?' one byte, [abc], [a-z] and [!...] or [^...] one byte of a set,
// a backslash takes the next byte literally.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

struct TNameFilter {
    std::vector<std::string> Names;     // empty: every entry
    std::vector<std::string> Excluded;  // wildcard patterns, names or folder names
};

// Where clashes are looked for: not at all, or among the paths the entries
// get with or without their folders.
enum TClashCheck : uint8_t { ccNone, ccWithFolders, ccFlat };

// An entry left out because an earlier one of the run lands on the same file.
struct TClash {
    std::string EntryName;
    std::string Target;  // relative to the target folder
};

// Every entry of `archive`, or those the filter selects.
class TArchiveSelection : public TEntrySelection {
public:
    explicit TArchiveSelection(const TZipArchive& archive, const std::vector<std::string>& names = {});
    TArchiveSelection(const TZipArchive& archive, const TNameFilter& filter, TClashCheck clashes = ccNone);
    ~TArchiveSelection() override;
    const TZipEntry* Next() override;
    uint64_t Count() const override { return FCount; }
    uint64_t TotalBytes() const override { return FTotalBytes; }
    // Each name asked for that selects no entry, in the order asked.
    std::vector<std::string> NamesNotFound() const;
    // The entries left out as clashes, in archive order.
    const std::vector<TClash>& Clashes() const { return FClashes; }

private:
    class TNameMatcher;
    bool Selected(const TZipEntry& entry, bool noteFound);
    void FindClashes(const TZipArchive& archive, std::vector<std::pair<uint64_t, uint64_t>>& targets,
                     TClashCheck clashes);

    std::vector<std::string> FNames;
    std::unique_ptr<TNameMatcher> FIncluded;
    std::unique_ptr<TNameMatcher> FExcluded;
    std::vector<bool> FFound;           // per name asked for
    std::vector<uint64_t> FClashIndex;  // archive positions of the clashes, ascending
    std::vector<TClash> FClashes;
    TEntryCursor FCursor;
    uint64_t FNextIndex = 0;            // archive position of the entry Next() looks at
    size_t FNextClash = 0;
    uint64_t FCount = 0;
    uint64_t FTotalBytes = 0;
};

// Entries the caller holds, in the order given.
class TListSelection : public TEntrySelection {
public:
    explicit TListSelection(const std::vector<TZipEntry>& entries);
    const TZipEntry* Next() override;
    uint64_t Count() const override { return FEntries.size(); }
    uint64_t TotalBytes() const override { return FTotalBytes; }
    bool Scattered() const override { return FScattered; }

private:
    const std::vector<TZipEntry>& FEntries;
    size_t FNext = 0;
    uint64_t FTotalBytes = 0;
    bool FScattered = false;
};

// Entries of a compact table, in the order given; each is rebuilt from its
// record when its turn comes.
class TTableSelection : public TEntrySelection {
public:
    explicit TTableSelection(const TTableEntries& entries);
    const TZipEntry* Next() override;
    uint64_t Count() const override { return FEntries.size(); }
    uint64_t TotalBytes() const override { return FTotalBytes; }
    bool Scattered() const override { return FScattered; }

private:
    const TTableEntries& FEntries;
    size_t FNext = 0;
    TZipEntry FCurrent;
    uint64_t FTotalBytes = 0;
    bool FScattered = false;
};

}  // namespace valbrix
