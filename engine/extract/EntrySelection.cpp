// Entry selections; see the header.
#include "engine/extract/EntrySelection.h"

#include "engine/SizeSum.h"

namespace valbrix {

TArchiveSelection::TArchiveSelection(const TZipArchive& archive, const std::vector<std::string>& names)
    : FNames(names), FNameSet(names.begin(), names.end()), FCursor(archive)
{
    // One walk ahead of the extraction for the totals; the entries themselves are not kept.
    archive.ForEachEntry([this](const TZipEntry& entry) {
        if (Selected(entry)) {
            ++FCount;
            FTotalBytes = AddSizeSaturated(FTotalBytes, entry.UncompressedSize);
            if (!FNameSet.empty())
                FFound.insert(entry.FileName);
        }
        return true;
    });
}

bool TArchiveSelection::Selected(const TZipEntry& entry) const
{
    return FNameSet.empty() || FNameSet.count(entry.FileName) != 0;
}

const TZipEntry* TArchiveSelection::Next()
{
    while (const TZipEntry* entry = FCursor.Next())
        if (Selected(*entry))
            return entry;
    return nullptr;
}

std::vector<std::string> TArchiveSelection::NamesNotFound() const
{
    std::vector<std::string> missing;
    for (const std::string& name : FNames)
        if (FFound.count(name) == 0)
            missing.push_back(name);
    return missing;
}

TListSelection::TListSelection(const std::vector<TZipEntry>& entries) : FEntries(entries)
{
    for (const TZipEntry& entry : entries)
        FTotalBytes = AddSizeSaturated(FTotalBytes, entry.UncompressedSize);
}

const TZipEntry* TListSelection::Next()
{
    return FNext < FEntries.size() ? &FEntries[FNext++] : nullptr;
}

TTableSelection::TTableSelection(const TTableEntries& entries) : FEntries(entries)
{
    for (uint32_t index : entries.Indices)
        FTotalBytes = AddSizeSaturated(FTotalBytes, entries.Table->Record(index).UncompressedSize);
}

const TZipEntry* TTableSelection::Next()
{
    if (FNext >= FEntries.size())
        return nullptr;
    FCurrent = FEntries[FNext++];
    return &FCurrent;
}

}  // namespace valbrix
