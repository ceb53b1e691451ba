// A compact, read-only table of an archive's directory entries, for a
// listing of millions: each entry is one fixed-size record, and all names
// sit once in a pool of large blocks (a name never straddles two), so an
// entry costs its record and its name bytes and nothing else. Both grow by
// blocks, never by copying, so listing has no reallocation peak. What the
// window shows and what an extraction needs are here; TZipEntry is rebuilt
// on demand. Shared as std::shared_ptr<const TEntryTable>, so an extraction
// keeps the records it works on after the window has let go of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/archive/ZipArchive.h"
#include "engine/archive/ZipDirectory.h"

namespace valbrix {

// One entry. Field names are those of TZipEntry. Left uninitialised on
// purpose: blocks are allocated without touching their pages, and Append
// writes every field.
struct TEntryRecord {
    uint64_t UncompressedSize;
    uint64_t CompressedSize;
    uint64_t LocalHeaderOffset;
    uint64_t NameAt : 36;        // place of the name in the pool (64 GiB of names)
    uint64_t Damage : 2;         // a TEntryDamage
    uint64_t NameBytes : 12;     // bounded by MaxEntryNameBytes (static_assert below)
    uint64_t FileNameAt : 12;    // offset of the part after the last '/' within the name
    uint64_t AesStrength : 2;    // 1..3 from an AES entry's field, else 0
    uint32_t DosDateTime;
    uint32_t Crc32;
    uint16_t Method;
    uint16_t Flags;
    // The method of the data: under AES the one its field names, else Method.
    uint16_t DataMethod;
    uint16_t UnixMode;
    // The exact modification time: seconds since the epoch (unsigned, as
    // every field that holds one reaches 2106 at most) and 100 ns units
    // within the second, NoExactTime when the entry has none. MS-DOS
    // attributes take only the low byte of the external attributes.
    uint32_t ModifiedSeconds;
    uint32_t ModifiedTicks : 24;
    uint32_t Attributes : 8;
};
static_assert(MaxEntryNameBytes < (1u << 12), "NameBytes and FileNameAt must hold every name length");
static_assert(sizeof(TEntryRecord) == 56, "one record per entry: keep it small for a million entries");
constexpr uint32_t NoExactTime = 0xFFFFFF;  // above the 9,999,999 ticks a second holds

class TEntryTable {
public:
    // Entries beyond this are not kept: list rows are counted in an int.
    static constexpr size_t MaxEntries = 0x7FFFFFFF;

    // False (and nothing kept) when the table is full.
    bool Append(const TZipEntry& entry);
    // Lets go of every entry (a listing that starts over).
    void Clear();
    size_t Size() const { return FCount; }
    const TEntryRecord& Record(size_t index) const
    {
        return FRecords[index >> RecordBlockBits][index & (RecordBlockSize - 1)];
    }
    std::string_view Name(size_t index) const { return NameOf(Record(index)); }
    std::string_view NameOf(const TEntryRecord& record) const
    {
        return {&FPool[record.NameAt >> PoolBlockBits][record.NameAt & (PoolBlockSize - 1)], record.NameBytes};
    }
    // The part after the last '/'; empty for a folder entry ("docs/").
    std::string_view FileNamePart(const TEntryRecord& record) const
    {
        return NameOf(record).substr(record.FileNameAt);
    }
    // The part before the last '/', empty at the top level.
    std::string_view FolderPart(const TEntryRecord& record) const
    {
        return NameOf(record).substr(0, record.FileNameAt == 0 ? 0 : record.FileNameAt - 1);
    }
    // No file name part: a folder entry, or a name that is empty.
    bool IsFolder(const TEntryRecord& record) const { return record.FileNameAt == record.NameBytes; }
    TZipEntry Entry(size_t index) const;
    // The entry's comment; empty for most entries, so comments are kept
    // apart from the records, in list order.
    std::string_view Comment(size_t index) const;
    // Bytes held by the records and the pool, for the figures.
    size_t HeldBytes() const;

private:
    static constexpr unsigned RecordBlockBits = 14;
    static constexpr size_t RecordBlockSize = size_t(1) << RecordBlockBits;
    static constexpr unsigned PoolBlockBits = 20;
    static constexpr size_t PoolBlockSize = size_t(1) << PoolBlockBits;
    static constexpr size_t MaxPoolBlocks = size_t(1) << (36 - PoolBlockBits);
    static_assert(MaxEntryNameBytes <= PoolBlockSize, "a name must fit in one pool block");

    std::vector<std::unique_ptr<TEntryRecord[]>> FRecords;
    std::vector<std::unique_ptr<char[]>> FPool;
    size_t FCount = 0;
    size_t FPoolUsed = 0;  // bytes used in the last pool block
    std::vector<std::pair<size_t, std::string>> FComments;  // (index, comment), by index
};

// Some entries of a table, in the order they are to be handled.
struct TTableEntries {
    std::shared_ptr<const TEntryTable> Table;
    std::vector<uint32_t> Indices;

    size_t size() const { return Indices.size(); }
    bool empty() const { return Indices.empty(); }
    TZipEntry operator[](size_t i) const { return Table->Entry(Indices[i]); }
};

// Opens the archive at `path` and appends each of its entries to the table
// in the same pass. Returns dsNone (table untouched) when it is no archive
// or an empty one, else dsComplete, or dsDamaged when the directory ended
// early or held more entries than the table keeps.
TDirectoryStatus ListZipEntries(TZipArchive& archive, const std::string& path, TEntryTable& table);

}  // namespace valbrix
