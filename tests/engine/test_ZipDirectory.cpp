// Directory reader on archives crafted byte by byte: fields, the archive
// test, self-extractors, the end record search, damaged directories, and the
// edges of large-directory streaming. Each test names the fault it catches.
#include <gtest/gtest.h>

#include "engine/ZipDirectory.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

std::vector<TZipEntry> ListBytes(const TempDir& dir, const Bytes& bytes)
{
    WriteFile(dir / "a.zip", bytes);
    std::vector<TZipEntry> list;
    ListZipEntries((dir / "a.zip").string(), list);
    return list;
}

constexpr size_t RecordBytes = 46 + 12;  // a central header with a 12-byte name

std::string Name12(size_t i)
{
    const std::string digits = std::to_string(i);
    return "d/" + std::string(10 - digits.size(), '0') + digits;
}

// count empty entries with 12-byte names; the last one's comment pads the directory.
CraftedZip Entries(size_t count, size_t lastCommentBytes = 0)
{
    CraftedZip zip;
    for (size_t i = 0; i < count; ++i) {
        CraftedEntry entry = StoredEntry(Name12(i), {});
        entry.Comment = std::string(i + 1 == count ? lastCommentBytes : 0, 'c');
        zip.Add(entry);
    }
    return zip;
}

}  // namespace

// Catches mixed-up header offsets, sizes read as signed, attributes taken
// from non-MS-DOS hosts, and flags or host not reaching the name decoder.
TEST(ZipDirectory, ReadsEveryFieldAndDecodesNamesByFlagAndHost)
{
    TempDir dir;
    CraftedZip zip;
    CraftedEntry dos = StoredEntry("dir\\Gr\x94\xE1" "e.txt", Bytes{'h', 'i'});  // code page 437
    dos.Method = 8, dos.Flags = 0x0002, dos.DosDateTime = 0x5A8F6C21, dos.ExternalAttributes = 0x21;
    dos.CompressedSize = 0x80000001u, dos.UncompressedSize = 0xFFFFFFF0u, dos.Crc32 = 0xDEADBEEF;
    CraftedEntry unix = StoredEntry("bin/t\xC3\xB6\xC3\xB6l", Bytes{'x'});  // UTF-8 without bit 11
    unix.HostSystem = 3, unix.ExternalAttributes = 0x81ED0021;
    zip.Add(dos);
    zip.Add(unix);
    const auto list = ListBytes(dir, zip.Build());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].FileName, "dir/Gr\xC3\xB6\xC3\x9F" "e.txt");
    EXPECT_EQ(list[0].Method, 8);
    EXPECT_EQ(list[0].Flags, 0x0002);
    EXPECT_EQ(list[0].DosDateTime, 0x5A8F6C21u);
    EXPECT_EQ(list[0].Crc32, 0xDEADBEEFu);
    EXPECT_EQ(list[0].CompressedSize, 0x80000001u);
    EXPECT_EQ(list[0].UncompressedSize, 0xFFFFFFF0u);
    EXPECT_EQ(list[0].Attributes, 0x21);
    EXPECT_EQ(list[0].LocalHeaderOffset, zip.LocalHeaderOffset(0));
    EXPECT_EQ(list[1].FileName, "bin/t\xC3\xB6\xC3\xB6l");
    EXPECT_EQ(list[1].Attributes, 0);
    EXPECT_EQ(list[1].LocalHeaderOffset, zip.LocalHeaderOffset(1));
}

// Catches the archive test accepting what it must refuse, or the reverse;
// the self-extractor probe looks at the image end (3 pages, 100 bytes on the
// last: 1124) and one byte later, and must not read past short files.
TEST(ZipDirectory, IsZipArchiveTable)
{
    const fs::path saved = fs::current_path();  // a folder becomes the current directory
    TempDir dir;
    CraftedZip zip;
    zip.Add(StoredEntry("setup.exe", Bytes{'M', 'Z'}));
    const Bytes archive = zip.Build();
    Bytes sfx = DosStub(1124), sfxGap = DosStub(1124), noPages = DosStub(600), pastEnd = DosStub(1024);
    sfx.insert(sfx.end(), archive.begin(), archive.end());
    sfxGap.push_back(0);
    sfxGap.insert(sfxGap.end(), archive.begin(), archive.end());
    noPages[4] = 0;   // image end below 0
    pastEnd[4] = 0xFF;
    struct Case { const char* name; Bytes bytes; bool accepted; };
    const Case cases[] = {
        {"ten.zip", {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0}, true},
        {"nine.zip", {'P', 'K', 3, 4, 0, 0, 0, 0, 0}, false},
        {"noext", archive, false},
        {"empty.zip", {}, false},
        {"text.zip", {'t', 'e', 'x', 't', ' ', 'f', 'i', 'l', 'e', '!', '!'}, false},
        {"sfx.exe", sfx, true},
        {"sfx-gap.exe", sfxGap, true},
        {"mz3.exe", {'M', 'Z', 1}, false},
        {"no-pages.exe", noPages, false},
        {"past-end.exe", pastEnd, false},
        {"stub-only.exe", DosStub(1124), false},
    };
    fs::current_path(dir.Path());  // relative names, so no dot in the scratch path counts
    for (const Case& c : cases) {
        WriteFile(c.name, c.bytes);
        EXPECT_EQ(IsZipArchive(c.name), c.accepted) << c.name;
    }
    fs::create_directory("folder.zip");
    EXPECT_FALSE(IsZipArchive("folder.zip"));
    EXPECT_FALSE(IsZipArchive((dir / "folder.zip").string() + "/"));
    EXPECT_FALSE(IsZipArchive((dir / "missing.zip").string()));
    fs::current_path(saved);
}

// Catches offsets silently rebased (unadjusted ones point into the stub) and
// adjusted ones mishandled.
TEST(ZipDirectory, SelfExtractorListsOnlyWithAdjustedOffsets)
{
    TempDir dir;
    for (bool adjusted : {true, false}) {
        CraftedZip zip;
        zip.Add(StoredEntry("setup.exe", Bytes{'M', 'Z'}));
        zip.SetPrefix(DosStub(1124), adjusted);
        const auto list = ListBytes(dir, zip.Build());
        ASSERT_EQ(list.size(), adjusted ? 1u : 0u);
        if (adjusted) {
            EXPECT_EQ(list[0].LocalHeaderOffset, 1124u);
        }
    }
}

// Catches a search that stops after one window or misses a record across a
// window border, comments not counted in the record length, the -2 case,
// and directory offsets beyond the end record read as a directory.
TEST(ZipDirectory, EndRecordSearchAndPlacement)
{
    TempDir dir;
    for (size_t commentBytes : {0, 4074 - 22, 4074 - 10, 4074, 4096, 65535}) {
        CraftedZip zip;
        CraftedEntry commented = StoredEntry("a.txt", Bytes{'a'});
        commented.Comment = std::string(300, 'c'), commented.Extra = Bytes(20, 0);
        zip.Add(commented);
        zip.Add(StoredEntry("b.txt", Bytes{'b'}));
        zip.SetArchiveComment(std::string(commentBytes, 'q'));
        EXPECT_EQ(ListBytes(dir, zip.Build()).size(), 2u) << "comment of " << commentBytes << " bytes";
    }
    TZipDirectory directory;
    for (size_t prefixBytes : {0, 45, 46}) {
        CraftedZip empty;
        empty.SetPrefix(Bytes(prefixBytes, 0), true);
        WriteFile(dir / "e.zip", empty.Build());
        EXPECT_EQ(OpenZipDirectory((dir / "e.zip").string(), directory), prefixBytes < 46 ? -2 : 1) << prefixBytes;
    }
    const Bytes good = Entries(1).Build();
    for (uint32_t offset : {0xFFFFFFFFu, uint32_t(good.size()), uint32_t(good.size() - 22 + 1)}) {
        Bytes bad = good;
        for (int i = 0; i < 4; ++i)
            bad[good.size() - 22 + 16 + size_t(i)] = uint8_t(offset >> (8 * i));
        EXPECT_TRUE(ListBytes(dir, bad).empty()) << "directory offset " << offset;
    }
    EXPECT_FALSE(directory.Buffer);
    EXPECT_EQ(NextZipEntry(directory), -2);
}

// Catches an enumeration that trusts lengths or signatures in a damaged
// directory: it must stop at the damage and keep the entries before it.
TEST(ZipDirectory, DamageInTheMiddleEndsTheListingThere)
{
    TempDir dir;
    CraftedZip zip = Entries(5);
    const Bytes good = zip.Build();
    const size_t start = zip.LocalHeaderOffset(4) + 30 + 12;  // first central header
    struct Case { const char* what; size_t at; Bytes value; size_t listed; };
    const Case cases[] = {
        {"third signature broken", start + 2 * RecordBytes, {'P', 'K', 9, 9}, 2},
        {"third name length runs past the end", start + 2 * RecordBytes + 28, {0xFF, 0xFF}, 2},
        {"first comment length runs past the end", start + 32, {0x00, 0xF0}, 0},
        {"last extra length 5 bytes too long", start + 4 * RecordBytes + 30, {0x05, 0x00}, 4},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        std::copy(c.value.begin(), c.value.end(), bad.begin() + long(c.at));
        EXPECT_EQ(ListBytes(dir, bad).size(), c.listed) << c.what;
    }
}

// Catches crashes, overreads and endless loops on files cut anywhere and on
// noise that carries the signatures (run under the sanitizers).
TEST(ZipDirectory, TruncatedFilesAndNoiseNeverCrash)
{
    TempDir dir;
    const Bytes full = Entries(20).Build();
    for (size_t length = 0; length < full.size(); ++length)
        EXPECT_LE(ListBytes(dir, Bytes(full.begin(), full.begin() + long(length))).size(), 20u);
    for (uint32_t seed = 1; seed <= 100; ++seed) {
        Bytes bytes = RandomData(200 + seed * 37, seed);
        const size_t end = bytes.size() - 22 - seed % 5;
        for (size_t at = 50; at + 4 < end; at += 40 + seed % 13)
            std::copy_n("PK\1\2", 4, bytes.begin() + long(at));
        std::copy_n("PK\3\4", 4, bytes.begin());
        std::copy_n("PK\5\6", 4, bytes.begin() + long(end));
        if (seed % 2)
            std::copy_n("\x32\0\0\0", 4, bytes.begin() + long(end + 16));  // directory at 50
        EXPECT_LE(ListBytes(dir, bytes).size(), bytes.size() / 46);
    }
}

// Catches the last entries getting lost when the final refill of a large
// directory finds fewer bytes left in the file than the buffer has room for,
// and refills that drop or repeat bytes (70,000 entries, in order).
TEST(ZipDirectory, LargeDirectoriesListCompletely)
{
    TempDir dir;
    for (size_t directoryBytes : {63996, 64000, 64001, 64057, 100000, 128000, 128060}) {
        const size_t count = directoryBytes / RecordBytes;
        CraftedZip zip = Entries(count, directoryBytes - count * RecordBytes);
        const auto list = ListBytes(dir, zip.Build());
        ASSERT_EQ(list.size(), count) << directoryBytes << " directory bytes";
        EXPECT_EQ(list.back().LocalHeaderOffset, zip.LocalHeaderOffset(count - 1));
    }
    CraftedZip zip = Entries(70000);
    const auto list = ListBytes(dir, zip.Build());
    ASSERT_EQ(list.size(), 70000u);
    for (size_t i = 0; i < list.size(); ++i)
        ASSERT_TRUE(list[i].FileName == Name12(i) && list[i].LocalHeaderOffset == zip.LocalHeaderOffset(i)) << i;
}

// Catches reads beyond the buffer for records longer than it (up to
// 46 + 3 * 65535 bytes): such a record ends the listing, the earlier entries
// stay, and a record that exactly fills the buffer is still read.
TEST(ZipDirectory, LargeDirectoryRecordsAtAndBeyondTheBufferSize)
{
    TempDir dir;
    struct Case { size_t extraBytes, commentBytes, listed; };
    for (const Case& c : {Case{64000 - 58, 0, 1002}, Case{64001 - 58, 0, 1000}, Case{65535, 65535, 1000}}) {
        CraftedZip zip = Entries(1000);
        CraftedEntry huge = StoredEntry(Name12(1000), {});
        huge.Extra = Bytes(c.extraBytes, 0), huge.Comment = std::string(c.commentBytes, 'c');
        zip.Add(huge);
        zip.Add(StoredEntry("after.txt", {}));
        EXPECT_EQ(ListBytes(dir, zip.Build()).size(), c.listed) << "record of " << 58 + c.extraBytes + c.commentBytes;
    }
}
