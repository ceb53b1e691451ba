// Crafted archives for the user-interface tests: entries with the names,
// sizes and dates a test states, written into a scratch folder. Only the
// directory matters here, so the data is whatever the sizes call for.
#pragma once

#include <string>
#include <vector>

#include <QString>

#include "CraftedZip.h"
#include "TestFiles.h"

namespace valbrix::test {

struct ListedEntry {
    std::string Name;
    uint32_t UncompressedSize = 0;
    uint32_t CompressedSize = 0;
    uint32_t DosDateTime = 0x5A8F6C21;  // 15.04.2025 13:33:02
};

inline QString WriteArchive(const TempDir& dir, const std::string& fileName, const std::vector<ListedEntry>& entries)
{
    CraftedZip zip;
    for (const ListedEntry& listed : entries) {
        CraftedEntry entry = StoredEntry(listed.Name, Bytes(listed.CompressedSize, 'x'));
        entry.UncompressedSize = listed.UncompressedSize;
        entry.Method = listed.UncompressedSize == listed.CompressedSize ? 0 : 8;
        entry.DosDateTime = listed.DosDateTime;
        zip.Add(entry);
    }
    WriteFile(dir / fileName, zip.Build());
    return QString::fromStdString((dir / fileName).string());
}

inline QString Path(const TempDir& dir, const std::string& name)
{
    return QString::fromStdString((dir / name).string());
}

}  // namespace valbrix::test
