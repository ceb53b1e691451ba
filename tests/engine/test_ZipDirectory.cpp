// Directory reader on archives crafted byte by byte: field offsets, the
// archive test, self-extractors, the end record search, large-directory
// streaming and damaged or hostile directories. Each test names the fault
// it would catch.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "engine/ZipDirectory.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

std::vector<TZipEntry> List(const fs::path& path)
{
    std::vector<TZipEntry> list;
    ListZipEntries(path.string(), list);
    return list;
}

std::vector<TZipEntry> ListBytes(const TempDir& dir, const Bytes& bytes, const std::string& name = "a.zip")
{
    WriteFile(dir / name, bytes);
    return List(dir / name);
}

// Restores the working folder that IsZipArchive changes when given a folder.
class KeepCurrentDir {
public:
    KeepCurrentDir() : FSaved(fs::current_path()) {}
    ~KeepCurrentDir() { fs::current_path(FSaved); }

private:
    fs::path FSaved;
};

// Entries named "d/000000.txt" ... with empty data; nameBytes sets the name length.
CraftedZip ManyEntries(size_t count, size_t nameBytes = 12)
{
    CraftedZip zip;
    for (size_t i = 0; i < count; ++i) {
        std::string name = std::to_string(i);
        name = "d/" + std::string(nameBytes > name.size() + 2 ? nameBytes - name.size() - 2 : 0, '0') + name;
        zip.Add(StoredEntry(name, {}));
    }
    return zip;
}

}  // namespace

// Catches mixed-up header offsets: every field comes from its own place.
TEST(ZipDirectory, ReadsEveryEntryFieldFromItsOwnOffset)
{
    TempDir dir;
    CraftedZip zip;
    CraftedEntry dos = StoredEntry("readme.txt", Bytes{'h', 'i'});
    dos.Method = 8, dos.Flags = 0x0002, dos.DosDateTime = 0x5A8F6C21, dos.ExternalAttributes = 0x21;
    dos.CompressedSize = 0x80000001u, dos.UncompressedSize = 0xFFFFFFF0u, dos.Crc32 = 0xDEADBEEF;
    CraftedEntry unix = StoredEntry("bin/tool", Bytes{'x'});
    unix.HostSystem = 3, unix.ExternalAttributes = 0x81ED0021;
    zip.Add(dos);
    zip.Add(unix);
    const auto list = ListBytes(dir, zip.Build());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].FileName, "readme.txt");
    EXPECT_EQ(list[0].Method, 8);
    EXPECT_EQ(list[0].Flags, 0x0002);
    EXPECT_EQ(list[0].DosDateTime, 0x5A8F6C21u);
    EXPECT_EQ(list[0].Crc32, 0xDEADBEEFu);
    EXPECT_EQ(list[0].CompressedSize, 0x80000001u);   // unsigned: no negative sizes
    EXPECT_EQ(list[0].UncompressedSize, 0xFFFFFFF0u);
    EXPECT_EQ(list[0].Attributes, 0x21);
    EXPECT_EQ(list[0].LocalHeaderOffset, zip.LocalHeaderOffset(0));
    EXPECT_EQ(list[1].FileName, "bin/tool");
    EXPECT_EQ(list[1].Attributes, 0) << "attributes of a non-MS-DOS host must read as 0";
    EXPECT_EQ(list[1].LocalHeaderOffset, zip.LocalHeaderOffset(1));
}

// Catches a wrong open/next/close protocol: result codes and the closed state.
TEST(ZipDirectory, CursorProtocolClosesItselfAndRefusesNextWhenClosed)
{
    TempDir dir;
    CraftedZip zip;
    zip.Add(StoredEntry("one.txt", Bytes{'1'}));
    WriteFile(dir / "a.zip", zip.Build());
    TZipDirectory directory;
    ASSERT_EQ(OpenZipDirectory((dir / "a.zip").string(), directory), 0);
    EXPECT_EQ(directory.Entry.FileName, "one.txt");
    EXPECT_EQ(NextZipEntry(directory), 1);
    EXPECT_FALSE(directory.Buffer) << "the directory closes itself at the end";
    EXPECT_EQ(NextZipEntry(directory), -2);
    CloseZipDirectory(directory);
    CloseZipDirectory(directory);  // harmless twice
    EXPECT_EQ(OpenZipDirectory((dir / "missing.zip").string(), directory), -1);
}

// Catches the archive test accepting what it must refuse, or the reverse.
TEST(ZipDirectory, IsZipArchiveDecidesOnNameKindAndFirstBytes)
{
    KeepCurrentDir keep;
    TempDir dir;
    const Bytes local{'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0};
    WriteFile(dir / "ten.zip", local);
    EXPECT_TRUE(IsZipArchive((dir / "ten.zip").string())) << "exactly 10 bytes starting PK 03 04";
    WriteFile(dir / "nine.zip", Bytes(local.begin(), local.begin() + 9));
    EXPECT_FALSE(IsZipArchive((dir / "nine.zip").string())) << "fewer than 10 bytes";
    WriteFile(dir / "empty.zip", Bytes{});
    EXPECT_FALSE(IsZipArchive((dir / "empty.zip").string()));
    EXPECT_FALSE(IsZipArchive((dir / "missing.zip").string()));
    WriteFile(dir / "text.zip", std::string("this is not an archive"));
    EXPECT_FALSE(IsZipArchive((dir / "text.zip").string()));
    fs::create_directory(dir / "folder.zip");
    EXPECT_FALSE(IsZipArchive((dir / "folder.zip").string()));
    EXPECT_FALSE(IsZipArchive((dir / "folder.zip").string() + "/"));
}

// Catches a name test that looks at the folder part only, or none at all.
TEST(ZipDirectory, NameWithoutDotIsRefusedWhateverItsContent)
{
    // The scratch folder itself may contain a dot; use a relative name instead.
    KeepCurrentDir keep;
    TempDir dir;
    fs::current_path(dir.Path());
    CraftedZip zip;
    zip.Add(StoredEntry("x.txt", Bytes{'x'}));
    WriteFile("archive", zip.Build());
    EXPECT_FALSE(IsZipArchive("archive"));
    EXPECT_TRUE(List("archive").empty());
    WriteFile("archive.zip", zip.Build());
    EXPECT_EQ(List("archive.zip").size(), 1u);
}

// Catches a wrong image-end formula or probe: PK must be found at the end of
// the MS-DOS image (3 pages, 100 bytes on the last: 1124) or one byte later.
TEST(ZipDirectory, SelfExtractorWithAdjustedOffsetsLists)
{
    TempDir dir;
    for (size_t gap : {0, 1}) {
        Bytes prefix = DosStub(1124);
        EXPECT_EQ(prefix[4], 3);
        EXPECT_EQ(prefix[2], 100);
        prefix.resize(prefix.size() + gap, 0);
        CraftedZip zip;
        zip.Add(StoredEntry("setup.exe", Bytes{'M', 'Z'}));
        zip.Add(StoredEntry("readme.txt", Bytes{'r'}));
        zip.SetPrefix(prefix, true);
        WriteFile(dir / "sfx.exe", zip.Build());
        EXPECT_TRUE(IsZipArchive((dir / "sfx.exe").string())) << "gap " << gap;
        const auto list = List(dir / "sfx.exe");
        ASSERT_EQ(list.size(), 2u) << "gap " << gap;
        EXPECT_EQ(list[0].LocalHeaderOffset, 1124u + gap);
    }
}

// Catches offsets silently rebased: unadjusted offsets point into the stub.
TEST(ZipDirectory, SelfExtractorWithUnadjustedOffsetsListsNothing)
{
    TempDir dir;
    CraftedZip zip;
    zip.Add(StoredEntry("setup.exe", Bytes{'M', 'Z'}));
    zip.SetPrefix(DosStub(1124), false);
    WriteFile(dir / "sfx.exe", zip.Build());
    EXPECT_TRUE(IsZipArchive((dir / "sfx.exe").string()));
    EXPECT_TRUE(List(dir / "sfx.exe").empty());
}

// Catches reads past the file or negative image ends in the self-extractor probe.
TEST(ZipDirectory, BrokenMsDosHeadersAreRefused)
{
    TempDir dir;
    struct Case { const char* what; Bytes bytes; };
    Bytes pagesZero = DosStub(600);
    pagesZero[4] = pagesZero[5] = 0;                // pages 0, last page 88: image end < 0
    Bytes allZero = DosStub(1024);
    allZero[2] = allZero[3] = allZero[4] = allZero[5] = 0;  // image end 0
    Bytes pastEnd = DosStub(1024);
    pastEnd[4] = 0xFF;                               // image end far behind the file's end
    const Case cases[] = {
        {"only MZ and a byte", Bytes{'M', 'Z', 1}},
        {"pages 0", pagesZero},
        {"image end 0", allZero},
        {"image end past the end of the file", pastEnd},
        {"stub without archive behind it", DosStub(1124)},
    };
    for (const Case& c : cases) {
        WriteFile(dir / "x.exe", c.bytes);
        EXPECT_FALSE(IsZipArchive((dir / "x.exe").string())) << c.what;
    }
}

// Catches lost entries after comments: record length must count the comment.
TEST(ZipDirectory, FileCommentsAndArchiveCommentDoNotHideEntries)
{
    TempDir dir;
    CraftedZip zip;
    for (int i = 0; i < 5; ++i) {
        CraftedEntry entry = StoredEntry("file" + std::to_string(i) + ".txt", Bytes(size_t(i), 'a'));
        entry.Comment = std::string(size_t(i) * 100, 'c');
        entry.Extra = Bytes(size_t(i) * 7, 0);
        zip.Add(entry);
    }
    zip.SetArchiveComment(std::string(5000, 'z'));  // pushes the end record out of the last 4096 bytes
    const auto list = ListBytes(dir, zip.Build());
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[4].FileName, "file4.txt");
    EXPECT_EQ(list[4].UncompressedSize, 4u);
}

// Catches a search that stops after the first window or misses a record
// across a window border.
TEST(ZipDirectory, EndRecordIsFoundAcrossSearchWindows)
{
    TempDir dir;
    for (size_t commentBytes : {0, 4074 - 22, 4074 - 10, 4074 - 1, 4074, 4096, 20000, 65535}) {
        CraftedZip zip;
        zip.Add(StoredEntry("a.txt", Bytes{'a'}));
        zip.SetArchiveComment(std::string(commentBytes, 'q'));
        EXPECT_EQ(ListBytes(dir, zip.Build()).size(), 1u) << "comment of " << commentBytes << " bytes";
    }
}

// Catches the -2 case and corrupt directory offsets turning into a crash or garbage.
TEST(ZipDirectory, EndRecordPlacementAndCorruptOffsets)
{
    TempDir dir;
    TZipDirectory directory;
    CraftedZip empty;
    WriteFile(dir / "e.zip", empty.Build());
    EXPECT_EQ(OpenZipDirectory((dir / "e.zip").string(), directory), -2) << "end record at position 0";
    CraftedZip padded;
    padded.SetPrefix(Bytes(45, 0), true);
    WriteFile(dir / "p.zip", padded.Build());
    EXPECT_EQ(OpenZipDirectory((dir / "p.zip").string(), directory), -2) << "end record at position 45";
    padded.SetPrefix(Bytes(46, 0), true);
    WriteFile(dir / "q.zip", padded.Build());
    EXPECT_EQ(OpenZipDirectory((dir / "q.zip").string(), directory), 1) << "an archive without entries";

    CraftedZip zip;
    zip.Add(StoredEntry("a.txt", Bytes{'a'}));
    Bytes bytes = zip.Build();
    const size_t offsetField = bytes.size() - 22 + 16;
    for (uint32_t offset : {0xFFFFFFFFu, uint32_t(bytes.size()), uint32_t(bytes.size() - 22 + 1), 1u}) {
        Bytes bad = bytes;
        bad[offsetField] = uint8_t(offset), bad[offsetField + 1] = uint8_t(offset >> 8);
        bad[offsetField + 2] = uint8_t(offset >> 16), bad[offsetField + 3] = uint8_t(offset >> 24);
        EXPECT_TRUE(ListBytes(dir, bad).empty()) << "directory offset " << offset;
    }
    EXPECT_FALSE(directory.Buffer);
}

// Catches an enumeration that trusts lengths or signatures in a damaged
// directory: it must stop at the damage and keep the entries before it.
TEST(ZipDirectory, DamageInTheMiddleEndsTheListingThere)
{
    TempDir dir;
    CraftedZip zip = ManyEntries(5);
    const Bytes good = zip.Build();
    const size_t directoryStart = zip.LocalHeaderOffset(4) + 30 + 12;
    const size_t recordBytes = 46 + 12;
    struct Case { const char* what; size_t field; Bytes value; size_t listed; };
    const Case cases[] = {
        {"third signature broken", directoryStart + 2 * recordBytes, {'P', 'K', 9, 9}, 2},
        {"third name length runs past the end", directoryStart + 2 * recordBytes + 28, {0xFF, 0xFF}, 2},
        {"first comment length runs past the end", directoryStart + 32, {0x00, 0xF0}, 0},
        {"last extra length one byte too long", directoryStart + 4 * recordBytes + 30, {0x05, 0x00}, 4},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        std::copy(c.value.begin(), c.value.end(), bad.begin() + long(c.field));
        EXPECT_EQ(ListBytes(dir, bad).size(), c.listed) << c.what;
    }
}

// Catches crashes and endless loops on files cut anywhere.
TEST(ZipDirectory, TruncatedArchivesNeverCrash)
{
    TempDir dir;
    CraftedZip zip = ManyEntries(20);
    zip.SetArchiveComment("comment");
    const Bytes full = zip.Build();
    for (size_t length = 0; length < full.size(); ++length) {
        const auto list = ListBytes(dir, Bytes(full.begin(), full.begin() + long(length)));
        EXPECT_LE(list.size(), 20u);
    }
    EXPECT_EQ(ListBytes(dir, full).size(), 20u);
}

// Catches crashes on noise that happens to carry the signatures.
TEST(ZipDirectory, RandomBytesWithSignaturesNeverCrash)
{
    TempDir dir;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        Bytes bytes = RandomData(100 + seed * 37, seed);
        const uint8_t local[] = {'P', 'K', 3, 4}, central[] = {'P', 'K', 1, 2}, end[] = {'P', 'K', 5, 6};
        std::copy(std::begin(local), std::end(local), bytes.begin());
        for (size_t at = 50; at + 4 < bytes.size(); at += 40 + seed % 13)
            std::copy(std::begin(central), std::end(central), bytes.begin() + long(at));
        std::copy(std::begin(end), std::end(end), bytes.end() - 22 - long(seed % 5));
        // Point the directory offset at the first planted record now and then.
        if (seed % 2)
            bytes[bytes.size() - 22 - seed % 5 + 16] = 50, bytes[bytes.size() - 22 - seed % 5 + 17] = 0,
            bytes[bytes.size() - 22 - seed % 5 + 18] = 0, bytes[bytes.size() - 22 - seed % 5 + 19] = 0;
        const auto list = ListBytes(dir, bytes);
        EXPECT_LT(list.size(), bytes.size() / 46 + 1);
    }
}
