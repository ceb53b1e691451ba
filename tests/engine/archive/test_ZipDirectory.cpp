// Directory reader on archives crafted byte by byte: fields, the archive
// test, self-extractors, the end record search, damaged directories, and the
// edges of large-directory streaming. Each test names the fault it catches.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/archive/ZipArchive.h"
#include "engine/archive/ZipDirectory.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

// The directory reader alone: what the directory gives, without the
// archive object's recovery from the local headers.
std::vector<TZipEntry> ListBytes(const TempDir& dir, const Bytes& bytes, TDirectoryStatus* status = nullptr)
{
    WriteFile(dir / "a.zip", bytes);
    std::vector<TZipEntry> list;
    TZipDirectory directory;
    for (int result = OpenZipDirectory((dir / "a.zip").string(), directory); result == drEntry;
         result = NextZipEntry(directory))
        list.push_back(directory.Entry);
    if (status)
        *status = directory.Status;
    return list;
}

// The same listing from the bytes held in memory, through the archive
// object as the fuzz target reads them.
std::vector<TZipEntry> ListMemory(const Bytes& bytes)
{
    std::vector<TZipEntry> list;
    TZipArchive archive;
    archive.Open(std::make_unique<TMemoryArchiveReader>(bytes.data(), bytes.size()),
                 [&list](const TZipEntry& entry) { list.push_back(entry); });
    return list;
}

void Patch(Bytes& bytes, size_t at, const Bytes& value)
{
    std::copy(value.begin(), value.end(), bytes.begin() + long(at));
}

Bytes Le32Bytes(uint32_t value)
{
    Bytes out;
    PutLe32(out, value);
    return out;
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

// Catches entry comments not read, read from the wrong place (the extra
// field lies between name and comment), not decoded like the archive's
// comment, or carried over from the entry before; in large-directory mode too.
TEST(ZipDirectory, EntryCommentsAreReadAndDecoded)
{
    TempDir dir;
    CraftedZip zip;
    CraftedEntry utf8 = StoredEntry("a", {}), cp437 = StoredEntry("b", {}), none = StoredEntry("c", {});
    utf8.Comment = "Gr\xC3\xBC\xC3\x9F" "e", utf8.Extra = Bytes{0xCA, 0xFE, 2, 0, 'x', 'y'};
    cp437.Comment = "\x94\xE1";
    zip.Add(utf8);
    zip.Add(cp437);
    zip.Add(none);
    const auto list = ListBytes(dir, zip.Build());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Comment, "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(list[1].Comment, "\xC3\xB6\xC3\x9F");
    EXPECT_EQ(list[2].Comment, "");

    CraftedZip large = Entries(DirectoryBufferSize / RecordBytes * 2);
    CraftedEntry last = StoredEntry(Name12(0), {});
    last.Comment = std::string(1000, 'k');
    large.Add(last);
    const auto many = ListBytes(dir, large.Build());
    ASSERT_EQ(many.size(), DirectoryBufferSize / RecordBytes * 2 + 1);
    EXPECT_EQ(many.back().Comment, std::string(1000, 'k'));
    EXPECT_EQ(many[many.size() - 2].Comment, "");
}

// Catches the archive test accepting what it must refuse, or the reverse:
// the content decides (an end record leading to a directory), not the name
// or a probe at the start, and short files are not read past.
TEST(ZipDirectory, IsZipArchiveTable)
{
    const fs::path saved = fs::current_path();
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
        {"ten.zip", {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0}, false},
        {"nine.zip", {'P', 'K', 3, 4, 0, 0, 0, 0, 0}, false},
        {"noext", archive, true},
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
    EXPECT_EQ(fs::current_path(), dir.Path()) << "a refused folder became the current directory";
    EXPECT_FALSE(IsZipArchive((dir / "folder.zip").string() + "/"));
    EXPECT_FALSE(IsZipArchive((dir / "missing.zip").string()));
    fs::current_path(saved);
}

// Catches unadjusted offsets (they point into the stub) not shifted by the
// stub's length, and adjusted ones shifted twice.
TEST(ZipDirectory, SelfExtractorListsWithAdjustedOrUnadjustedOffsets)
{
    TempDir dir;
    for (bool adjusted : {true, false}) {
        CraftedZip zip;
        zip.Add(StoredEntry("setup.exe", Bytes{'M', 'Z'}));
        zip.SetPrefix(DosStub(1124), adjusted);
        TDirectoryStatus status = dsNone;
        const auto list = ListBytes(dir, zip.Build(), &status);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(status, dsComplete);
        EXPECT_EQ(list[0].LocalHeaderOffset, 1124u);
    }
}

// Catches a search that stops after one window or misses a record across a
// window border, comments not counted in the record length, the -2 case,
// and directory offsets beyond the end record (or the file) read as a
// directory or passed off as an empty one.
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
        EXPECT_EQ(OpenZipDirectory((dir / "e.zip").string(), directory), prefixBytes < 46 ? drEndRecordTooEarly : drNoEntry) << prefixBytes;
    }
    const Bytes good = Entries(1).Build();
    for (uint32_t offset : {0xFFFFFFFFu, uint32_t(good.size()), uint32_t(good.size() - 22 + 1)}) {
        Bytes bad = good;
        Patch(bad, good.size() - 22 + 16, Le32Bytes(offset));
        TDirectoryStatus status = dsNone;
        EXPECT_TRUE(ListBytes(dir, bad, &status).empty()) << "directory offset " << offset;
        EXPECT_EQ(status, dsDamaged) << "directory offset " << offset;
    }
    EXPECT_FALSE(directory.Buffer);
    EXPECT_EQ(NextZipEntry(directory), drNotOpen);
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Catches a lookalike end record in the archive comment ending the search
// (the archive then lists as damaged with no entries): with and without a
// ZIP64 locator in front of it, in plain and ZIP64 archives, at the far end
// of the longest comment; a lookalike that leads to the real directory lists
// it too. One further from the real record than any comment reaches keeps
// the old verdict, so the search back stays bounded.
TEST(ZipDirectory, EndRecordLookalikeInTheCommentIsPassedOver)
{
    TempDir dir;
    const Bytes atLocalHeader = LookalikeEndRecord(0);
    const Bytes behindItself = LookalikeEndRecord(0x7FFFFFF0);
    Bytes locatorAndEnd = LookalikeLocator(0);
    const Bytes saturatedEnd = LookalikeEndRecord(0, true);
    locatorAndEnd.insert(locatorAndEnd.end(), saturatedEnd.begin(), saturatedEnd.end());
    const std::string farEnd = std::string(65535 - 22, 'q') + Text(atLocalHeader);
    struct Case { const char* what; bool zip64; std::string comment; size_t junkBytes; TDirectoryStatus status; };
    const Case cases[] = {
        {"end record at a local header", false, "note " + Text(atLocalHeader) + " end", 0, dsComplete},
        {"end record pointing behind itself", false, Text(behindItself), 0, dsComplete},
        {"ZIP64 locator and saturated end record", false, Text(locatorAndEnd), 0, dsComplete},
        {"end record in a ZIP64 archive", true, Text(atLocalHeader), 0, dsComplete},
        {"ZIP64 locator and end record in a ZIP64 archive", true, "x" + Text(locatorAndEnd), 0, dsComplete},
        {"end record at the end of the longest comment", false, farEnd, 0, dsComplete},
        {"lookalike beyond any comment's reach", false, "", 65536, dsDamaged},
    };
    for (const Case& c : cases) {
        CraftedZip zip = Entries(2);
        zip.SetZip64End(c.zip64);
        zip.SetArchiveComment(c.comment);
        Bytes bytes = zip.Build();
        if (c.junkBytes) {
            bytes.insert(bytes.end(), c.junkBytes, 'j');
            bytes.insert(bytes.end(), atLocalHeader.begin(), atLocalHeader.end());
        }
        TDirectoryStatus status = dsNone;
        EXPECT_EQ(ListBytes(dir, bytes, &status).size(), c.status == dsComplete ? 2u : 0u) << c.what;
        EXPECT_EQ(status, c.status) << c.what;
        // The archive object recovers the entries of a directory it cannot find from their local headers.
        EXPECT_EQ(ListMemory(bytes).size(), 2u) << c.what << ", from memory";
    }
    // A copy of the real end record in the comment leads to the same directory.
    CraftedZip zip = Entries(2);
    const Bytes plain = zip.Build();
    zip.SetArchiveComment(Text(Bytes(plain.end() - 22, plain.end())));
    TDirectoryStatus status = dsNone;
    EXPECT_EQ(ListBytes(dir, zip.Build(), &status).size(), 2u);
    EXPECT_EQ(status, dsComplete);
}

// Catches end record signatures the search misses: right behind a run of
// first bytes or a partial signature, and packed back to back over many
// search windows (each lookalike leads nowhere; the real record is behind).
TEST(ZipDirectory, EndRecordFoundBehindFirstBytesAndAmongLookalikes)
{
    TempDir dir;
    TZipDirectory directory;
    for (const std::string& prefix : {std::string(100, 'P'), "PK\x05PK" + std::string(60, 'P') + "PK"}) {
        CraftedZip empty;
        empty.SetPrefix(Bytes(prefix.begin(), prefix.end()), true);
        WriteFile(dir / "e.zip", empty.Build());
        EXPECT_EQ(OpenZipDirectory((dir / "e.zip").string(), directory), drNoEntry) << prefix;
        EXPECT_EQ(directory.Status, dsComplete) << prefix;
    }
    std::string lookalikes;
    for (int i = 0; i < 2900; ++i)
        lookalikes += Text(LookalikeEndRecord(0));
    CraftedZip zip = Entries(2);
    zip.SetArchiveComment(lookalikes);
    TDirectoryStatus status = dsNone;
    EXPECT_EQ(ListBytes(dir, zip.Build(), &status).size(), 2u);
    EXPECT_EQ(status, dsComplete);
}

// Catches the search passing over a lookalike that leads to a directory
// because of what it learnt from those nearer the end: behind 2,800 that
// lead nowhere (to the first local header, behind themselves, saturated
// with no locator, to the start of the comment) the one nearest the end
// that leads is taken, not the real end record further back: one leading
// to the second central header, one whose empty directory starts where it
// stands, and a saturated one whose locator leads to a ZIP64 end record.
TEST(ZipDirectory, LookalikeThatLeadsIsTakenBehindThousandsThatDoNot)
{
    TempDir dir;
    const Bytes plain = Entries(2).Build();
    const size_t endAt = plain.size() - 22;
    const uint32_t directoryAt = uint32_t(plain[endAt + 16] | plain[endAt + 17] << 8 | plain[endAt + 18] << 16 |
                                          uint32_t(plain[endAt + 19]) << 24);
    const uint32_t secondHeader = directoryAt + RecordBytes;
    const uint32_t commentAt = uint32_t(plain.size());  // the comment follows the real end record

    Bytes toSecond = LookalikeEndRecord(secondHeader);
    Patch(toSecond, 12, Le32Bytes(RecordBytes));  // directory size: the one record
    Bytes emptyHere = LookalikeEndRecord(commentAt);
    Patch(emptyHere, 12, Le32Bytes(0));
    Bytes zip64 = {'P', 'K', 6, 6};
    PutLe64(zip64, 44);              // size of the rest of the record
    PutLe32(zip64, 45 | 45 << 16);   // versions made by and needed
    PutLe64(zip64, 0);               // this disk, the directory's disk
    PutLe64(zip64, 1);               // entries on this disk
    PutLe64(zip64, 1);               // entries in all
    PutLe64(zip64, RecordBytes);     // directory size
    PutLe64(zip64, secondHeader);    // directory offset
    const Bytes locator = LookalikeLocator(commentAt);
    const Bytes saturated = LookalikeEndRecord(0, true);
    zip64.insert(zip64.end(), locator.begin(), locator.end());
    zip64.insert(zip64.end(), saturated.begin(), saturated.end());

    std::string nowhere;
    for (int i = 0; i < 700; ++i)
        nowhere += Text(LookalikeEndRecord(0)) + Text(LookalikeEndRecord(0x7FFFFFF0)) + Text(saturated) +
                   Text(LookalikeEndRecord(commentAt));
    struct Case { const char* what; Bytes leads; size_t entries; };
    const Case cases[] = {
        {"to the second central header", toSecond, 1},
        {"an empty directory where it stands", emptyHere, 0},
        {"through a locator to a ZIP64 end record", zip64, 1},
    };
    for (const Case& c : cases) {
        CraftedZip zip = Entries(2);
        zip.SetArchiveComment(Text(c.leads) + nowhere);
        const Bytes bytes = zip.Build();
        TDirectoryStatus status = dsNone;
        const std::vector<TZipEntry> list = ListBytes(dir, bytes, &status);
        ASSERT_EQ(list.size(), c.entries) << c.what;
        if (c.entries) {
            EXPECT_EQ(list[0].FileName, Name12(1)) << c.what;
        }
        EXPECT_EQ(status, dsComplete) << c.what;
        EXPECT_EQ(ListMemory(bytes).size(), c.entries) << c.what << ", from memory";
    }
}

// Catches a directory size in the end record that disagrees with the
// records read passed off as a complete directory (every entry is still
// listed), in the plain and the ZIP64 end record and after the refills of a
// large directory; a saturated size with no ZIP64 end record taken as a real
// one; and a digital signature not counted as part of the directory.
TEST(ZipDirectory, DirectorySizeThatDisagreesIsDamage)
{
    TempDir dir;
    for (const bool zip64 : {false, true})
        for (const int64_t delta : {-46, -1, 0, 1, 46}) {
            CraftedZip zip = Entries(3);
            zip.SetZip64End(zip64);
            zip.SetDirectorySizeSkew(delta);
            const Bytes bytes = zip.Build();
            TDirectoryStatus status = dsNone;
            EXPECT_EQ(ListBytes(dir, bytes, &status).size(), 3u) << "ZIP64 " << zip64 << ", size off by " << delta;
            EXPECT_EQ(status, delta == 0 ? dsComplete : dsDamaged) << "ZIP64 " << zip64 << ", size off by " << delta;
        }
    const size_t largeCount = 2000;  // 116,000 directory bytes: two refills
    CraftedZip large = Entries(largeCount);
    large.SetDirectorySizeSkew(1);
    TDirectoryStatus status = dsNone;
    EXPECT_EQ(ListBytes(dir, large.Build(), &status).size(), largeCount);
    EXPECT_EQ(status, dsDamaged) << "large directory";

    Bytes unknown = Entries(3).Build();
    Patch(unknown, unknown.size() - 22 + 12, Le32Bytes(0xFFFFFFFFu));
    EXPECT_EQ(ListBytes(dir, unknown, &status).size(), 3u);
    EXPECT_EQ(status, dsComplete) << "saturated size without a ZIP64 end record";

    CraftedZip signedZip = Entries(3);
    const Bytes signature = {'P', 'K', 5, 5, 2, 0, 's', 'g'};
    signedZip.SetDirectorySizeSkew(int64_t(signature.size()));
    Bytes signedDirectory = signedZip.Build();
    signedDirectory.insert(signedDirectory.end() - 22, signature.begin(), signature.end());
    EXPECT_EQ(ListBytes(dir, signedDirectory, &status).size(), 3u);
    EXPECT_EQ(status, dsComplete) << "digital signature";
}

// Catches an enumeration that trusts lengths or signatures in a damaged
// directory (it must stop at the damage and keep the entries before it), and
// damage passed off as the end of the directory.
TEST(ZipDirectory, DamageInTheMiddleEndsTheListingThere)
{
    TempDir dir;
    CraftedZip zip = Entries(5);
    const Bytes good = zip.Build();
    const size_t start = zip.LocalHeaderOffset(4) + 30 + 12;  // first central header
    struct Case { const char* what; size_t at; Bytes value; size_t listed; };
    const Case cases[] = {
        {"second signature broken", start + RecordBytes, {'P', 'K', 9, 9}, 1},
        {"third name length runs past the end", start + 2 * RecordBytes + 28, {0xFF, 0xFF}, 2},
        {"first comment length runs past the end", start + 32, {0x00, 0xF0}, 0},
        {"last record cut short: extra length 5 bytes too long", start + 4 * RecordBytes + 30, {0x05, 0x00}, 4},
        {"last record runs into the end record", start + 4 * RecordBytes + 30, {0x02, 0x00}, 5},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        Patch(bad, c.at, c.value);
        TDirectoryStatus status = dsNone;
        EXPECT_EQ(ListBytes(dir, bad, &status).size(), c.listed) << c.what;
        EXPECT_EQ(status, dsDamaged) << c.what;
    }
    TDirectoryStatus status = dsNone;
    EXPECT_EQ(ListBytes(dir, good, &status).size(), 5u);
    EXPECT_EQ(status, dsComplete);
}

// Catches ZIP64 values taken for the wrong fields (each is present only when
// its 32-bit field is saturated, in a fixed order), values cut to 32 bits,
// and the ZIP64 end record not followed to the directory.
TEST(ZipDirectory, Zip64EndRecordAndExtraFieldsGive64BitValues)
{
    TempDir dir;
    CraftedZip zip;
    CraftedEntry all = StoredEntry("all.bin", Bytes{'a'});
    all.UncompressedSize = all.CompressedSize = 0xFFFFFFFFu, all.CentralOffsetField = 0xFFFFFFFFu;
    all.Extra = Zip64Extra({0x100000005ull, 0x100000003ull, 0});  // the entry's real offset is 0
    CraftedEntry compressedOnly = StoredEntry("compressed.bin", Bytes{'c'});
    compressedOnly.CompressedSize = 0xFFFFFFFFu, compressedOnly.UncompressedSize = 7;
    compressedOnly.Extra = Bytes(6, 0x99);                         // an unknown field before it is stepped over
    compressedOnly.Extra[0] = 0x99, compressedOnly.Extra[2] = 2, compressedOnly.Extra[3] = 0;
    const Bytes zip64 = Zip64Extra({0x200000000ull});
    compressedOnly.Extra.insert(compressedOnly.Extra.end(), zip64.begin(), zip64.end());
    CraftedEntry saturatedWithoutField = StoredEntry("old.bin", Bytes{'o'});
    saturatedWithoutField.UncompressedSize = 0xFFFFFFFFu;          // a writer from before ZIP64
    zip.Add(all);
    zip.Add(compressedOnly);
    zip.Add(saturatedWithoutField);
    zip.SetZip64End(true);
    TDirectoryStatus status = dsNone;
    const auto list = ListBytes(dir, zip.Build(), &status);
    EXPECT_EQ(status, dsComplete);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].UncompressedSize, 0x100000005ull);
    EXPECT_EQ(list[0].CompressedSize, 0x100000003ull);
    EXPECT_EQ(list[0].LocalHeaderOffset, 0u);
    EXPECT_EQ(list[1].CompressedSize, 0x200000000ull);
    EXPECT_EQ(list[1].UncompressedSize, 7u);
    EXPECT_EQ(list[1].LocalHeaderOffset, zip.LocalHeaderOffset(1));
    EXPECT_EQ(list[2].UncompressedSize, 0xFFFFFFFFu);
}

// Catches ZIP64 damage passed off as an empty or complete directory: a
// locator whose record is neither where it says (outside the file, or no
// record there) nor right before the locator, a saturated directory offset
// with no locator, and a ZIP64 field too short for the saturated fields
// (that entry is left out, never listed with a zero). A record right before
// the locator is taken wherever the locator points.
TEST(ZipDirectory, Zip64DamageIsTold)
{
    TempDir dir;
    CraftedZip zip = Entries(3);
    zip.SetZip64End(true);
    const Bytes good = zip.Build();
    const size_t recordOffsetField = good.size() - 22 - 20 + 8;
    Bytes outside = good, notARecord = good, noLocator = good;
    Patch(outside, recordOffsetField, Le32Bytes(uint32_t(good.size() + 100)));
    Patch(notARecord, recordOffsetField, Le32Bytes(0));
    Patch(noLocator, good.size() - 22 - 20, Le32Bytes(0x12345678));
    Bytes outsideNoRecord = outside, notARecordNoRecord = notARecord;
    const size_t recordAt = good.size() - 22 - 20 - 56;
    Patch(outsideNoRecord, recordAt, Le32Bytes(0x12345678));
    Patch(notARecordNoRecord, recordAt, Le32Bytes(0x12345678));

    CraftedZip shortField = Entries(3);
    CraftedEntry both = StoredEntry("both.bin", Bytes{'b'});
    both.UncompressedSize = both.CompressedSize = 0xFFFFFFFFu;
    both.Extra = Zip64Extra({1});  // room for the uncompressed size only
    shortField.Add(both);
    shortField.Add(StoredEntry("after.bin", Bytes{'z'}));

    struct Case { const char* what; Bytes bytes; size_t listed; TDirectoryStatus status = dsDamaged; };
    const Case cases[] = {
        {"ZIP64 record offset outside the file", outsideNoRecord, 0},
        {"ZIP64 record offset at a local header", notARecordNoRecord, 0},
        {"ZIP64 record offset outside the file, record before the locator", outside, 3, dsComplete},
        {"ZIP64 record offset at a local header, record before the locator", notARecord, 3, dsComplete},
        {"saturated end record without a locator", noLocator, 0},
        {"ZIP64 field too short for two saturated sizes", shortField.Build(), 4},
    };
    for (const Case& c : cases) {
        TDirectoryStatus status = dsNone;
        const auto list = ListBytes(dir, c.bytes, &status);
        EXPECT_EQ(list.size(), c.listed) << c.what;
        EXPECT_EQ(status, c.status) << c.what;
        for (const TZipEntry& entry : list)
            EXPECT_NE(entry.FileName, "both.bin") << c.what;
    }
    // Only the entry counts saturated (exactly 65535 entries) and no locator:
    // the plain directory offset still holds.
    Bytes counts = Entries(2).Build();
    Patch(counts, counts.size() - 22 + 8, {0xFF, 0xFF, 0xFF, 0xFF});
    TDirectoryStatus status = dsNone;
    EXPECT_EQ(ListBytes(dir, counts, &status).size(), 2u);
    EXPECT_EQ(status, dsComplete);
}

// Catches a Unicode path field taken without its CRC check (it would rename
// an entry whose plain name was changed after the field was written), a
// field of another version or with broken UTF-8 taken, and the '/' rule
// skipped for the UTF-8 name.
TEST(ZipDirectory, UnicodePathFieldNamesTheEntryOnlyWhenItsCrcMatches)
{
    TempDir dir;
    const std::string plain = "Gr\x94\xE1" "e\\a.txt";  // code page 437, as old tools store it
    const uint32_t plainCrc = ReferenceCrc32(Bytes(plain.begin(), plain.end()));
    const std::string utf8 = "\xCE\xA9mega\\\xE2\x82\xAC.txt";   // Omega, a backslash, the euro sign
    Bytes cutShort = UnicodePathExtra(utf8, plainCrc);
    cutShort[2] += 1;  // the field claims one byte more than the extra area holds
    struct Case { const char* what; Bytes extra; std::string name; };
    const Case cases[] = {
        {"CRC matches", UnicodePathExtra(utf8, plainCrc), "\xCE\xA9mega/\xE2\x82\xAC.txt"},
        {"CRC of another name", UnicodePathExtra(utf8, plainCrc ^ 1), "Gr\xC3\xB6\xC3\x9F" "e/a.txt"},
        {"version 2", UnicodePathExtra(utf8, plainCrc, 2), "Gr\xC3\xB6\xC3\x9F" "e/a.txt"},
        {"broken UTF-8", UnicodePathExtra("\xC3(", plainCrc), "Gr\xC3\xB6\xC3\x9F" "e/a.txt"},
        {"field runs past the extra area", cutShort, "Gr\xC3\xB6\xC3\x9F" "e/a.txt"},
    };
    for (const Case& c : cases) {
        CraftedZip zip;
        CraftedEntry entry = StoredEntry(plain, Bytes{'u'});
        entry.Extra = c.extra;
        zip.Add(entry);
        const auto list = ListBytes(dir, zip.Build());
        ASSERT_EQ(list.size(), 1u) << c.what;
        EXPECT_EQ(list[0].FileName, c.name) << c.what;
    }
}

// Catches an empty archive taken for damage or for "no archive", and a
// file with entries or no end record taken for an empty archive.
TEST(ZipDirectory, IsEmptyZipArchiveTable)
{
    TempDir dir;
    CraftedZip empty, commented, zip64Empty, one;
    commented.SetArchiveComment("nothing here");
    zip64Empty.SetZip64End(true);
    one.Add(StoredEntry("a.txt", Bytes{'a'}));
    struct Case { const char* name; Bytes bytes; bool isEmpty; };
    const Case cases[] = {
        {"empty.zip", empty.Build(), true},
        {"commented.zip", commented.Build(), true},
        {"zip64.zip", zip64Empty.Build(), true},
        {"one.zip", one.Build(), false},
        {"text.zip", {'n', 'o', ' ', 'z', 'i', 'p'}, false},
        {"nothing.zip", {}, false},
    };
    for (const Case& c : cases) {
        WriteFile(dir / c.name, c.bytes);
        EXPECT_EQ(IsEmptyZipArchive((dir / c.name).string()), c.isEmpty) << c.name;
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
// and refills that drop or repeat bytes (70,000 entries, in order); the listing
// from memory must match the one from the file, refills included.
TEST(ZipDirectory, LargeDirectoriesListCompletely)
{
    TempDir dir;
    for (size_t directoryBytes : {63996, 64000, 64001, 64057, 100000, 128000, 128060}) {
        const size_t count = directoryBytes / RecordBytes;
        CraftedZip zip = Entries(count, directoryBytes - count * RecordBytes);
        const Bytes bytes = zip.Build();
        TDirectoryStatus status = dsNone;
        const auto list = ListBytes(dir, bytes, &status);
        ASSERT_EQ(list.size(), count) << directoryBytes << " directory bytes";
        EXPECT_EQ(status, dsComplete) << directoryBytes << " directory bytes: records miscounted across refills";
        EXPECT_EQ(ListMemory(bytes).size(), count) << directoryBytes << " directory bytes, from memory";
        EXPECT_EQ(list.back().LocalHeaderOffset, zip.LocalHeaderOffset(count - 1));
    }
    CraftedZip zip = Entries(70000);
    const Bytes bytes = zip.Build();
    for (const auto& list : {ListBytes(dir, bytes), ListMemory(bytes)}) {
        ASSERT_EQ(list.size(), 70000u);
        for (size_t i = 0; i < list.size(); ++i)
            ASSERT_TRUE(list[i].FileName == Name12(i) && list[i].LocalHeaderOffset == zip.LocalHeaderOffset(i)) << i;
    }
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

namespace {

// What the directory reader gives: per entry the fields a headers-only
// walk keeps (the damage check reads them), then the verdict.
struct TWalk {
    std::vector<std::tuple<uint64_t, uint64_t, uint64_t, uint8_t>> Entries;
    TDirectoryStatus Status = dsNone;
    bool operator==(const TWalk&) const = default;
};

TWalk Walk(const Bytes& bytes, bool headersOnly)
{
    TWalk walk;
    TZipDirectory directory;
    directory.HeadersOnly = headersOnly;
    for (int result = OpenZipDirectory(std::make_unique<TMemoryArchiveReader>(bytes.data(), bytes.size()), directory);
         result == drEntry; result = NextZipEntry(directory))
        walk.Entries.emplace_back(directory.Entry.CompressedSize, directory.Entry.UncompressedSize,
                                  directory.Entry.LocalHeaderOffset, directory.Entry.Damage);
    walk.Status = directory.Status;
    return walk;
}

}  // namespace

// The opening counts entries without decoding names when nobody looks at
// them. Catches a counting walk that disagrees with the listing that
// follows: an entry whose ZIP64 field lacks a value counted although the
// listing leaves it out, 64-bit values not taken (so the damage check sees
// 0xFFFFFFFF), and damage or a refill that only one of the walks notices.
TEST(ZipDirectory, HeadersOnlyWalkAgreesWithTheFullWalk)
{
    CraftedEntry all = StoredEntry("all.bin", Bytes{'a'});
    all.UncompressedSize = all.CompressedSize = 0xFFFFFFFFu, all.CentralOffsetField = 0xFFFFFFFFu;
    all.Extra = Zip64Extra({0x100000005ull, 0x100000003ull, 0});
    CraftedEntry shortField = StoredEntry("short.bin", Bytes{'s'});
    shortField.UncompressedSize = shortField.CompressedSize = 0xFFFFFFFFu;
    shortField.Extra = Zip64Extra({1});  // room for one of the two saturated sizes
    CraftedEntry afterUnknown = StoredEntry("unknown.bin", Bytes{'u'});
    afterUnknown.CompressedSize = 0xFFFFFFFFu;
    afterUnknown.Extra = {0x99, 0x99, 2, 0, 0, 0};  // an unknown field before the ZIP64 one
    const Bytes zip64 = Zip64Extra({0x200000000ull});
    afterUnknown.Extra.insert(afterUnknown.Extra.end(), zip64.begin(), zip64.end());
    CraftedEntry withoutField = StoredEntry("old.bin", Bytes{'o'});
    withoutField.UncompressedSize = 0xFFFFFFFFu;  // a writer from before ZIP64

    const auto archiveOf = [](std::initializer_list<CraftedEntry> entries, int64_t sizeSkew = 0) {
        CraftedZip zip = Entries(2);
        for (const CraftedEntry& entry : entries)
            zip.Add(entry);
        zip.SetDirectorySizeSkew(sizeSkew);
        return zip.Build();
    };
    Bytes brokenSignature = Entries(5).Build();
    Patch(brokenSignature, Entries(5).Build().size() - 22 - 3 * RecordBytes, {'P', 'K', 9, 9});
    CraftedZip skewedLarge = Entries(2000);  // 116,000 directory bytes: two refills
    skewedLarge.SetDirectorySizeSkew(1);

    struct Case { const char* fault; Bytes bytes; size_t listed; };
    const Case cases[] = {
        {"ZIP64 field short of a value: counted though left out", archiveOf({shortField, withoutField}), 3},
        {"64-bit values not taken without the name", archiveOf({all, afterUnknown}), 4},
        {"saturated size without a ZIP64 field taken as incomplete", archiveOf({withoutField}), 3},
        {"directory size off by one passed off as complete", archiveOf({}, 1), 2},
        {"broken signature in the middle not ending the count", brokenSignature, 2},
        {"large directory's refills counted differently", skewedLarge.Build(), 2000},
    };
    for (const Case& c : cases) {
        const TWalk full = Walk(c.bytes, false);
        EXPECT_EQ(Walk(c.bytes, true), full) << c.fault;
        EXPECT_EQ(full.Entries.size(), c.listed) << c.fault;
        // The archive object counts so when nobody looks at the entries.
        TZipArchive visited, counted;
        visited.Open(std::make_unique<TMemoryArchiveReader>(c.bytes.data(), c.bytes.size()), [](const TZipEntry&) {});
        counted.Open(std::make_unique<TMemoryArchiveReader>(c.bytes.data(), c.bytes.size()));
        EXPECT_EQ(counted.Kind(), visited.Kind()) << c.fault;
        EXPECT_EQ(counted.EntriesRead(), visited.EntriesRead()) << c.fault;
    }
}
