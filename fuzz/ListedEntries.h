// The entries of an archive held in memory, as the archive object lists
// them, for the fuzz targets that run the driver over every entry. At most
// `maxEntries`, so a directory of thousands keeps a run short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/archive/ZipArchive.h"
#include "engine/archive/ZipDirectory.h"

inline std::vector<valbrix::TZipEntry> ListedEntries(const valbrix::TZipArchive& archive, size_t maxEntries)
{
    std::vector<valbrix::TZipEntry> entries;
    archive.ForEachEntry([&entries, maxEntries](const valbrix::TZipEntry& entry) {
        entries.push_back(entry);
        return entries.size() < maxEntries;
    });
    return entries;
}
