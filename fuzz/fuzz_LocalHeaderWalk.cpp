// Fuzz target of the local-header walk that recovers the entries of an
// archive whose directory is lost. The input is the whole file, read from
// memory; the walk runs to its end. Aborts when it hands out more entries
// than the file has room for (30 bytes each), an entry that does not lie
// in the file or overlaps the one before, a name longer than the bound, or
// entries out of file order. Touches no file.
#include <cstdint>
#include <cstdlib>

#include "engine/archive/LocalHeaderWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    valbrix::TMemoryArchiveReader reader(data, size);
    valbrix::TLocalHeaderWalk walk(reader);
    size_t entries = 0;
    uint64_t nextFree = 0;
    while (const valbrix::TZipEntry* entry = walk.Next()) {
        const uint64_t at = entry->LocalHeaderOffset;
        if (++entries > size / 30 || at < nextFree || at > size - 30 || entry->CompressedSize > size - at
            || entry->FileName.size() > valbrix::MaxEntryNameBytes)
            std::abort();
        nextFree = at + 30 + (entry->Damage ? 0 : entry->CompressedSize);
    }
    return 0;
}
