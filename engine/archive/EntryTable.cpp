// The compact entry table; see the header.
#include "engine/archive/EntryTable.h"

#include <algorithm>
#include <cstring>

#include "engine/archive/ZipFormat.h"

namespace valbrix {

bool TEntryTable::Append(const TZipEntry& entry)
{
    if (FCount >= MaxEntries)
        return false;
    const size_t nameBytes = entry.FileName.size() < MaxEntryNameBytes ? entry.FileName.size() : MaxEntryNameBytes;
    if (FPool.empty() || PoolBlockSize - FPoolUsed < nameBytes) {
        if (FPool.size() == MaxPoolBlocks)
            return false;
        FPool.push_back(std::make_unique_for_overwrite<char[]>(PoolBlockSize));
        FPoolUsed = 0;
    }
    std::memcpy(FPool.back().get() + FPoolUsed, entry.FileName.data(), nameBytes);
    if ((FCount & (RecordBlockSize - 1)) == 0)
        FRecords.push_back(std::make_unique_for_overwrite<TEntryRecord[]>(RecordBlockSize));

    TEntryRecord& record = FRecords.back()[FCount & (RecordBlockSize - 1)];
    record.UncompressedSize = entry.UncompressedSize;
    record.CompressedSize = entry.CompressedSize;
    record.LocalHeaderOffset = entry.LocalHeaderOffset;
    record.NameAt = (uint64_t(FPool.size() - 1) << PoolBlockBits) | FPoolUsed;
    record.NameBytes = nameBytes;
    const size_t slash = std::string_view(entry.FileName.data(), nameBytes).rfind('/');
    record.FileNameAt = slash == std::string_view::npos ? 0 : slash + 1;
    record.DosDateTime = entry.DosDateTime;
    record.Crc32 = entry.Crc32;
    record.Method = entry.Method;
    record.Flags = entry.Flags;
    record.Attributes = entry.Attributes & 0xFF;
    record.UnixMode = entry.UnixMode;
    // A time beyond what the record holds is left to the MS-DOS time.
    const bool exact = entry.Modified && entry.Modified->Seconds >= 0 && entry.Modified->Seconds <= UINT32_MAX;
    record.ModifiedSeconds = exact ? uint32_t(entry.Modified->Seconds) : 0;
    record.ModifiedTicks = exact ? entry.Modified->Nanoseconds / 100 : NoExactTime;
    record.DataMethod = EntryMethod(entry);
    record.AesStrength = entry.Aes.Strength <= 3 ? entry.Aes.Strength : 0;
    record.Damage = entry.Damage;
    if (!entry.Comment.empty())
        FComments.emplace_back(FCount, entry.Comment);
    FPoolUsed += nameBytes;
    ++FCount;
    return true;
}

void TEntryTable::Clear()
{
    FRecords.clear();
    FPool.clear();
    FCount = 0;
    FPoolUsed = 0;
    FComments.clear();
}

std::string_view TEntryTable::Comment(size_t index) const
{
    const auto found = std::lower_bound(FComments.begin(), FComments.end(), index,
                                        [](const auto& comment, size_t at) { return comment.first < at; });
    return found != FComments.end() && found->first == index ? std::string_view(found->second) : std::string_view();
}

TZipEntry TEntryTable::Entry(size_t index) const
{
    const TEntryRecord& record = Record(index);
    TZipEntry entry;
    entry.DosDateTime = record.DosDateTime;
    entry.UncompressedSize = record.UncompressedSize;
    entry.CompressedSize = record.CompressedSize;
    entry.LocalHeaderOffset = record.LocalHeaderOffset;
    entry.Crc32 = record.Crc32;
    entry.FileName = std::string(NameOf(record));
    entry.Method = record.Method;
    entry.Attributes = record.Attributes;
    entry.UnixMode = record.UnixMode;
    if (record.ModifiedTicks != NoExactTime)
        entry.Modified = TExactTime{record.ModifiedSeconds, uint32_t(record.ModifiedTicks) * 100};
    entry.Flags = record.Flags;
    entry.Damage = uint8_t(record.Damage);
    entry.Comment = std::string(Comment(index));
    // The data's own header is read again before extraction; these serve the
    // listing texts only.
    if (record.Method == zmAes && record.DataMethod != zmAes)
        entry.Aes = {1, uint8_t(record.AesStrength), record.DataMethod};
    return entry;
}

size_t TEntryTable::HeldBytes() const
{
    size_t commentBytes = FComments.capacity() * sizeof(FComments[0]);
    for (const auto& comment : FComments)
        commentBytes += comment.second.capacity();
    return FRecords.size() * RecordBlockSize * sizeof(TEntryRecord) + FPool.size() * PoolBlockSize + commentBytes;
}

TDirectoryStatus ListZipEntries(TZipArchive& archive, const std::string& path, TEntryTable& table)
{
    bool full = false;
    const TArchiveKind kind = archive.Open(
        path,
        [&](const TZipEntry& entry) {
            if (!full)
                full = !table.Append(entry);
        },
        [&] {
            table.Clear();
            full = false;
        });
    switch (kind) {
    case akArchive: return full ? dsDamaged : dsComplete;  // the rest is not listed: not complete
    case akDamaged: return dsDamaged;
    default: return dsNone;
    }
}

}  // namespace valbrix
