// The entries an extraction job takes, in the order it takes them: every
// entry of an open archive (or those with the names asked for), pulled from
// its directory one at a time so any count costs the same memory; or a list
// the caller already holds (the window's marked rows). Each tells its entry
// count and the sum of its sizes up front, for the progress shown.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
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
};

// Every entry of `archive`, or with `names` only those whose name is one of them.
class TArchiveSelection : public TEntrySelection {
public:
    explicit TArchiveSelection(const TZipArchive& archive, const std::vector<std::string>& names = {});
    const TZipEntry* Next() override;
    uint64_t Count() const override { return FCount; }
    uint64_t TotalBytes() const override { return FTotalBytes; }
    // Each name asked for that the archive does not hold, in the order asked.
    std::vector<std::string> NamesNotFound() const;

private:
    bool Selected(const TZipEntry& entry) const;

    std::vector<std::string> FNames;
    std::unordered_set<std::string> FNameSet;
    std::unordered_set<std::string> FFound;
    TEntryCursor FCursor;
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

private:
    const std::vector<TZipEntry>& FEntries;
    size_t FNext = 0;
    uint64_t FTotalBytes = 0;
};

// Entries of a compact table, in the order given; each is rebuilt from its
// record when its turn comes.
class TTableSelection : public TEntrySelection {
public:
    explicit TTableSelection(const TTableEntries& entries);
    const TZipEntry* Next() override;
    uint64_t Count() const override { return FEntries.size(); }
    uint64_t TotalBytes() const override { return FTotalBytes; }

private:
    const TTableEntries& FEntries;
    size_t FNext = 0;
    TZipEntry FCurrent;
    uint64_t FTotalBytes = 0;
};

}  // namespace valbrix
