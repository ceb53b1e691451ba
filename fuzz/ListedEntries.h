// The entries of an archive held in memory, as the directory reader lists
// them, for the fuzz targets that run the driver over every entry. At most
// `maxEntries`, so a directory of thousands keeps a run short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/archive/ArchiveReader.h"
#include "engine/archive/ZipDirectory.h"

inline std::vector<valbrix::TZipEntry> ListedEntries(const uint8_t* data, size_t size, size_t maxEntries)
{
    std::vector<valbrix::TZipEntry> entries;
    valbrix::TMemoryArchiveReader probe(data, size);
    if (!valbrix::IsZipArchive(probe))
        return entries;
    valbrix::TZipDirectory directory;
    for (int result = valbrix::OpenZipDirectory(std::make_unique<valbrix::TMemoryArchiveReader>(data, size), directory);
         result == valbrix::drEntry && entries.size() < maxEntries; result = valbrix::NextZipEntry(directory))
        entries.push_back(directory.Entry);
    return entries;
}
