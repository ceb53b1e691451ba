// Archives whose end record or directory is lost, read through by their
// local headers: cut at every header boundary and inside data, with and
// without data descriptors, ZIP64 sizes, a program stub in front and
// encrypted entries; and which files count as archives by their content.
// Each row names the fault it catches.
#include <gtest/gtest.h>

#include "engine/archive/LocalHeaderWalk.h"
#include "engine/archive/ZipArchive.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

// What an opening gives: each entry as "name" when whole, "name!" when
// listed as damaged.
struct TOpened {
    TArchiveKind Kind = akNotArchive;
    bool Recovered = false;
    std::vector<std::string> Entries;
};

TOpened OpenBytes(const Bytes& bytes)
{
    TOpened opened;
    TZipArchive archive;
    opened.Kind = archive.Open(
        std::make_unique<TMemoryArchiveReader>(bytes.data(), bytes.size()),
        [&](const TZipEntry& entry) { opened.Entries.push_back(entry.FileName + (entry.Damage ? "!" : "")); },
        [&] { opened.Entries.clear(); });
    opened.Recovered = archive.Recovered();
    // A second enumeration must give what the opening gave.
    std::vector<std::string> again;
    archive.ForEachEntry([&](const TZipEntry& entry) {
        again.push_back(entry.FileName + (entry.Damage ? "!" : ""));
        return true;
    });
    EXPECT_EQ(again, opened.Entries) << "the cursor and the opening disagree";
    return opened;
}

CraftedEntry Deflated(const std::string& name, size_t bytes, uint32_t seed)
{
    CraftedEntry entry = StoredEntry(name, RandomData(bytes, seed));  // the walk never decodes: any bytes do
    entry.Method = 8;
    entry.UncompressedSize = uint32_t(bytes * 3);
    return entry;
}

// The sizes follow the data; the local header says 0, as a streaming writer leaves it.
CraftedEntry WithDescriptor(CraftedEntry entry, bool signature)
{
    entry.Flags |= 0x0008;
    entry.DataDescriptor = true;
    entry.DescriptorSignature = signature;
    entry.LocalCrc32 = entry.LocalCompressedSize = entry.LocalUncompressedSize = 0;
    return entry;
}

CraftedEntry Zip64Sized(CraftedEntry entry)
{
    entry.Extra = Zip64Extra({entry.UncompressedSize, entry.CompressedSize});
    entry.CompressedSize = entry.UncompressedSize = 0xFFFFFFFFu;
    return entry;
}

CraftedEntry Encrypted(CraftedEntry entry)
{
    entry.Flags |= 0x0001;
    entry.Data.insert(entry.Data.begin(), 12, 0xA5);  // the encryption header
    entry.CompressedSize += 12;
    return entry;
}

struct TKind {
    const char* Name;
    std::vector<CraftedEntry> Entries;
    Bytes Prefix;
};

std::vector<TKind> Kinds()
{
    const CraftedEntry a = StoredEntry("a.txt", TextLikeData(300, 1));
    const CraftedEntry b = Deflated("sub/b.bin", 500, 2);
    const CraftedEntry c = StoredEntry("c.txt", TextLikeData(200, 3));
    const std::string shell = "#!/bin/sh\necho self-extracting\nexit 0\n";
    return {
        {"plain sizes", {a, b, c}, {}},
        {"descriptors with signature", {WithDescriptor(a, true), WithDescriptor(b, true), WithDescriptor(c, true)}, {}},
        {"descriptors without signature", {WithDescriptor(a, false), WithDescriptor(b, false), WithDescriptor(c, false)}, {}},
        {"ZIP64 sizes in the local header", {Zip64Sized(a), Zip64Sized(b), Zip64Sized(c)}, {}},
        {"encrypted entries", {Encrypted(a), WithDescriptor(Encrypted(b), true), Encrypted(c)}, {}},
        {"program stub in front", {a, b, c}, DosStub(1124)},
        {"shell script in front", {a, b, WithDescriptor(c, true)}, Bytes(shell.begin(), shell.end())},
    };
}

}  // namespace

// Catches a cut archive refused as a whole, a cut entry listed as whole (or
// left out), a whole entry lost behind a cut one, a walk that runs past a
// cut header, descriptors not found (either form, stored CRC checked), the
// ZIP64 sizes of the local header ignored, and a stub in front that hides
// the first header.
TEST(Recovery, TruncatedArchivesListExactlyTheirWholeEntries)
{
    for (const TKind& kind : Kinds()) {
        CraftedZip zip;
        for (const CraftedEntry& entry : kind.Entries)
            zip.Add(entry);
        zip.SetPrefix(kind.Prefix, true);
        const Bytes full = zip.Build();
        std::vector<std::string> names;
        for (const CraftedEntry& entry : kind.Entries)
            names.push_back(entry.Name);
        const size_t count = names.size();
        size_t directoryStart = full.size();
        for (size_t at = 0; at + 4 <= full.size(); ++at)
            if (full[at] == 'P' && full[at + 1] == 'K' && full[at + 2] == 1 && full[at + 3] == 2) {
                directoryStart = at;
                break;
            }

        struct TCut { std::string What; size_t At; size_t Whole; bool CutEntry; };
        std::vector<TCut> cuts;
        for (size_t i = 0; i < count; ++i) {
            const size_t header = zip.LocalHeaderOffset(i);
            const size_t data = header + 30 + names[i].size() + kind.Entries[i].Extra.size();
            cuts.push_back({"at header " + std::to_string(i), header, i, false});
            cuts.push_back({"inside header " + std::to_string(i), header + 12, i, false});
            cuts.push_back({"inside data " + std::to_string(i), data + 7, i, true});
        }
        cuts.push_back({"at the directory", directoryStart, count, false});
        cuts.push_back({"inside the directory", directoryStart + 20, count, false});
        cuts.push_back({"end record's last 10 bytes", full.size() - 10, count, false});
        for (const TCut& cut : cuts) {
            if (cut.At <= kind.Prefix.size())
                continue;  // nothing of the archive left
            const TOpened opened = OpenBytes(Bytes(full.begin(), full.begin() + long(cut.At)));
            std::vector<std::string> expected(names.begin(), names.begin() + long(cut.Whole));
            // A header found behind a prefix must prove itself by its data's
            // end, which a cut first entry cannot.
            if (cut.CutEntry && !(cut.Whole == 0 && !kind.Prefix.empty()))
                expected.push_back(names[cut.Whole] + "!");
            const std::string where = std::string(kind.Name) + ", cut " + cut.What;
            if (expected.empty()) {
                EXPECT_EQ(opened.Kind, akNotArchive) << where;
                continue;
            }
            EXPECT_EQ(opened.Kind, akDamaged) << where;
            EXPECT_TRUE(opened.Recovered) << where;
            EXPECT_EQ(opened.Entries, expected) << where;
        }
        const TOpened whole = OpenBytes(full);
        EXPECT_EQ(whole.Kind, akArchive) << kind.Name << ": the whole archive";
        EXPECT_FALSE(whole.Recovered) << kind.Name;
    }
}

// Catches a resynchronised walk that takes garbage for an entry, loses the
// entries behind a damaged stretch, or lets a directory damaged in its
// middle hide the entries the local headers still give.
TEST(Recovery, DamagedStretchesAndDirectories)
{
    CraftedZip zip;
    zip.Add(StoredEntry("one.txt", TextLikeData(100, 1)));
    zip.Add(StoredEntry("two.txt", TextLikeData(100, 2)));
    zip.Add(StoredEntry("three.txt", TextLikeData(100, 3)));
    const Bytes full = zip.Build();
    const size_t second = zip.LocalHeaderOffset(1), third = zip.LocalHeaderOffset(2);
    const size_t directoryStart = third + 30 + 9 + 100;

    struct Case { const char* fault; Bytes bytes; std::vector<std::string> entries; };
    Bytes smashedHeader = full, smashedDirectory = full, fakeHeader = full;
    std::fill(smashedHeader.begin() + long(second), smashedHeader.begin() + long(second) + 8, 'x');
    smashedHeader.resize(directoryStart);
    // The second central header lost its signature: the directory lists one entry.
    smashedDirectory[directoryStart + 46 + 7] = 'x';
    // A local header signature inside the data whose sizes lead nowhere.
    const Bytes lookalike = {'P', 'K', 3, 4, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0};
    std::copy(lookalike.begin(), lookalike.end(), fakeHeader.begin() + long(second + 30 + 7 + 10));
    fakeHeader[second] = 'x';
    fakeHeader.resize(directoryStart);
    const Case cases[] = {
        {"entries behind a smashed header lost", smashedHeader, {"one.txt", "three.txt"}},
        {"a cut directory hides what the local headers give", smashedDirectory, {"one.txt", "two.txt", "three.txt"}},
        {"a signature inside data taken for an entry", fakeHeader, {"one.txt", "three.txt"}},
    };
    for (const Case& c : cases) {
        const TOpened opened = OpenBytes(c.bytes);
        EXPECT_EQ(opened.Kind, akDamaged) << c.fault;
        EXPECT_EQ(opened.Entries, c.entries) << c.fault;
    }
}

// Catches hostile files making the walk slow or unbounded: entries never
// more than bytes / 30, and a file of nothing but signatures walked in
// linear time (a quadratic rescan takes minutes here).
TEST(Recovery, WalkBounds)
{
    Bytes headers;
    for (int i = 0; i < 20000; ++i) {  // empty-named, empty entries: 30 bytes each
        const Bytes header = {'P', 'K', 3, 4, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        headers.insert(headers.end(), header.begin(), header.end());
    }
    TMemoryArchiveReader reader(headers.data(), headers.size());
    TLocalHeaderWalk walk(reader);
    size_t count = 0;
    while (walk.Next())
        ++count;
    EXPECT_LE(count, headers.size() / 30);

    // Descriptor entries whose descriptors are all lookalikes: every scan
    // would run to the end of the file.
    Bytes lookalikes;
    for (int i = 0; i < 200000; ++i) {
        const Bytes header = {'P', 'K', 3, 4, 20, 0, 8, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'n',
                              'P', 'K', 7, 8};
        lookalikes.insert(lookalikes.end(), header.begin(), header.end());
    }
    lookalikes.erase(lookalikes.begin(), lookalikes.begin() + 1);  // no header at the start: every one is scanned for
    TMemoryArchiveReader hostile(lookalikes.data(), lookalikes.size());
    TLocalHeaderWalk slow(hostile);
    while (slow.Next()) {
    }
    SUCCEED();
}

// Catches the content test deciding by name, by the first bytes alone, or
// by a fake end record in a prefix; and unadjusted offsets behind a prefix
// left unreadable instead of shifted by the prefix's length.
TEST(Recovery, ArchivesKnownByContent)
{
    CraftedZip zip;
    zip.Add(StoredEntry("setup.exe", Bytes{'M', 'Z'}));
    zip.Add(StoredEntry("readme.txt", TextLikeData(50, 4)));
    const std::string shell = "#!/bin/sh\nexec unzip \"$0\"\n";
    Bytes elf = {0x7F, 'E', 'L', 'F', 2, 1, 1};
    elf.resize(4000, 0);
    // A prefix holding a complete empty archive's end record.
    CraftedZip fakeEnd;
    Bytes fakePrefix = fakeEnd.Build();
    fakePrefix.insert(fakePrefix.begin(), 100, 'j');

    struct Case { const char* fault; Bytes prefix; bool adjusted; TArchiveKind kind; size_t entries; };
    const Case cases[] = {
        {"plain archive refused", {}, true, akArchive, 2},
        {"program stub with adjusted offsets refused", DosStub(4096), true, akArchive, 2},
        {"program stub without adjusted offsets refused", DosStub(4096), false, akArchive, 2},
        {"ELF program in front refused", elf, false, akArchive, 2},
        {"shell stub in front refused", Bytes(shell.begin(), shell.end()), false, akArchive, 2},
        {"fake end record in the prefix taken", fakePrefix, true, akArchive, 2},
    };
    for (const Case& c : cases) {
        CraftedZip made;
        made.Add(StoredEntry("setup.exe", Bytes{'M', 'Z'}));
        made.Add(StoredEntry("readme.txt", TextLikeData(50, 4)));
        made.SetPrefix(c.prefix, c.adjusted);
        const Bytes bytes = made.Build();
        TZipArchive archive;
        std::vector<TZipEntry> entries;
        EXPECT_EQ(archive.Open(std::make_unique<TMemoryArchiveReader>(bytes.data(), bytes.size()),
                               [&](const TZipEntry& entry) { entries.push_back(entry); }),
                  c.kind)
            << c.fault;
        ASSERT_EQ(entries.size(), c.entries) << c.fault;
        EXPECT_FALSE(archive.Recovered()) << c.fault;
        EXPECT_EQ(entries[1].LocalHeaderOffset, made.LocalHeaderOffset(1)) << c.fault << ": offsets not shifted";
    }

    // By name: a file without a '.' in its name; and files with neither an
    // end record nor a local header.
    TempDir dir;
    WriteFile(dir / "noext", zip.Build());
    EXPECT_TRUE(IsZipArchive((dir / "noext").string())) << "a name without a '.' refused";
    const std::string text = "just some text, PK but no archive\n";
    WriteFile(dir / "text.zip", Bytes(text.begin(), text.end()));
    EXPECT_FALSE(IsZipArchive((dir / "text.zip").string())) << "a text file taken for an archive";
    WriteFile(dir / "stub.exe", DosStub(1124));
    EXPECT_FALSE(IsZipArchive((dir / "stub.exe").string())) << "a bare program stub taken for an archive";
    std::filesystem::create_directory(dir / "folder.zip");
    EXPECT_FALSE(IsZipArchive((dir / "folder.zip").string())) << "a folder taken for an archive";
}
