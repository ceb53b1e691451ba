// The compact entry table: records and names across the borders of its
// blocks, and listings that agree with the directory reader's entry by
// entry. Each test names the fault it catches.
#include <algorithm>

#include <gtest/gtest.h>

#include "engine/archive/EntryTable.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

void ExpectSame(const TZipEntry& got, const TZipEntry& want, const std::string& what)
{
    EXPECT_EQ(got.FileName, want.FileName) << what;
    EXPECT_EQ(got.UncompressedSize, want.UncompressedSize) << what;
    EXPECT_EQ(got.CompressedSize, want.CompressedSize) << what;
    EXPECT_EQ(got.LocalHeaderOffset, want.LocalHeaderOffset) << what;
    EXPECT_EQ(got.DosDateTime, want.DosDateTime) << what;
    EXPECT_EQ(got.Crc32, want.Crc32) << what;
    EXPECT_EQ(got.Method, want.Method) << what;
    EXPECT_EQ(got.Attributes, want.Attributes) << what;
    EXPECT_EQ(got.Flags, want.Flags) << what;
    EXPECT_EQ(got.UnixMode, want.UnixMode) << what;
    EXPECT_EQ(got.Modified, want.Modified) << what;
    EXPECT_EQ(got.Comment, want.Comment) << what;
}

}  // namespace

// Catches a record or a name read from the wrong block (the tables grow by
// blocks of 16,384 records and 1 MiB of names), a name split across two
// blocks, 64-bit fields cut to 32 bits, and the file name or folder split at
// the wrong '/', and the Unix mode or the exact time (seconds through 2106,
// 100 ns steps) lost or mixed up with the attributes packed beside it, and
// the few entries' comments (kept apart) given to the wrong entry.
TEST(EntryTable, EveryFieldAndNameSurvivesTheBlockBorders)
{
    TEntryTable table;
    std::vector<TZipEntry> entries;
    for (uint32_t i = 0; i < 40000; ++i) {
        TZipEntry entry;
        // Lengths 0 to 259 in turn: about 5 MiB of names, so pool blocks end mid-sequence.
        const size_t length = i % (MaxEntryNameBytes + 1);
        entry.FileName = std::string(length, char('a' + i % 26));
        if (length > 4)
            entry.FileName[length / 2] = '/';
        if (i % 7 == 0 && length > 0)
            entry.FileName.back() = '/';
        entry.UncompressedSize = (uint64_t(i) << 33) | i;
        entry.CompressedSize = (uint64_t(i) << 32) + 7;
        entry.LocalHeaderOffset = ~uint64_t(i);
        entry.DosDateTime = 0x5A8F6C21u + i;
        entry.Crc32 = i * 2654435761u;
        entry.Method = uint16_t(i % 100);
        entry.Attributes = uint16_t(i & 0xFF);
        entry.Flags = uint16_t(i * 3);
        entry.UnixMode = uint16_t(i * 7);
        if (i % 3 != 0)
            entry.Modified = TExactTime{int64_t(0xFFFFFFFFu - i * 101), (i * 9973 % 10000000) * 100};
        if (i % 997 == 0)
            entry.Comment = "Kommentar " + std::to_string(i);
        ASSERT_TRUE(table.Append(entry));
        entries.push_back(entry);
    }
    ASSERT_EQ(table.Size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        ExpectSame(table.Entry(i), entries[i], "entry " + std::to_string(i));
        const std::string& name = entries[i].FileName;
        const size_t slash = name.rfind('/');
        const TEntryRecord& record = table.Record(i);
        EXPECT_EQ(table.FileNamePart(record), slash == std::string::npos ? name : name.substr(slash + 1)) << i;
        EXPECT_EQ(table.FolderPart(record), slash == std::string::npos ? "" : name.substr(0, slash)) << i;
        EXPECT_EQ(table.IsFolder(record), name.empty() || name.back() == '/') << i;
    }
    table.Clear();
    TZipEntry plain;
    table.Append(plain);
    EXPECT_EQ(table.Comment(0), "") << "a comment kept from before Clear";
}

// Catches a listing into the table that drops, reorders or alters entries
// against the directory reader's own list, or that tells a damaged or
// foreign file as something else.
TEST(EntryTable, ListingAgreesWithTheDirectoryReader)
{
    TempDir dir;
    CraftedZip plain;
    plain.Add(StoredEntry("top.txt", Bytes{'t'}));
    plain.Add(StoredEntry("docs/", Bytes{}));
    plain.Add(StoredEntry("docs/readme.txt", Bytes(10, 'r')));
    CraftedEntry big = StoredEntry("big.iso", Bytes{'b'});
    big.UncompressedSize = big.CompressedSize = 0xFFFFFFFFu;
    big.Extra = Zip64Extra({0x140000000ull, 0x100000003ull});
    plain.Add(big);
    WriteFile(dir / "plain.zip", plain.Build());
    Bytes damaged = plain.Build();
    // The third central header loses its signature: two entries, then damage.
    const Bytes central = {'P', 'K', 1, 2};
    auto at = damaged.begin();
    for (int i = 0; i < 3; ++i)
        at = std::search(at + (i > 0), damaged.end(), central.begin(), central.end());
    ASSERT_NE(at, damaged.end());
    *at = 'X';
    WriteFile(dir / "damaged.zip", damaged);
    Bytes cut = plain.Build();
    cut.resize(cut.size() - 10);  // no end record left
    WriteFile(dir / "cut.zip", cut);
    WriteFile(dir / "text.txt", Bytes(100, 'x'));

    for (const char* name : {"plain.zip", "damaged.zip", "cut.zip", "text.txt", "missing.zip"}) {
        const std::string path = (dir / name).string();
        std::vector<TZipEntry> list;
        const TDirectoryStatus listStatus = ListZipEntries(path, list);
        TEntryTable table;
        TZipArchive archive;
        EXPECT_EQ(ListZipEntries(archive, path, table), listStatus) << name;
        ASSERT_EQ(table.Size(), list.size()) << name;
        for (size_t i = 0; i < list.size(); ++i)
            ExpectSame(table.Entry(i), list[i], std::string(name) + " entry " + std::to_string(i));
    }
}
