// Walks every file of the fixture folder (real archives of old and new
// archivers, plus the documents and raw streams that come with them) through
// the whole extraction path: ListZipEntries, then
// TExtractionDriver::ExtractEntry for each entry into a scratch folder. The
// tables below name what differs from "lists entries, and every entry
// extracts with code 0 to its recorded size and CRC": damaged, encrypted and
// unsupported entries, and files the directory reader must refuse. Where the
// collection ships original files or the old archiver's own listings, the
// extracted bytes are compared with those too.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "engine/extract/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipDirectory.h"
#include "support/Passwords.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

// Entries that must not give 0. Every entry of every other archive must.
struct TFailingEntry {
    const char* Archive;
    const char* Entry;  // nullptr: every entry of the archive
    int Code;
};

const TFailingEntry FailingEntries[] = {
    // Recovered from its local headers, whose values the encrypted directory masks.
    {"zd-pkzip-encrypt-passphrase-aes256-cd.zip", nullptr, erEncrypted},
    // Methods we do not decode: DCL implode, PPMd, JPEG, BWT, and the numbers 200 and 255.
    {"zd-pkzip-method-dclimplode.zip", nullptr, erUnsupported},
    {"zd-pkzip-method-ppmd.zip", nullptr, erUnsupported},
    {"zip2-ppmd.zip", nullptr, erUnsupported},
    {"zd-winzip-jpeg.zipx", nullptr, erUnsupported},
    {"zd-xceed-bwt.zip", nullptr, erUnsupported},
    {"la-test_read_format_zip_symlink_unsupported_compression.zip", "bad_symlink", erUnsupported},
    {"zd-unknown-compression-method.zip", nullptr, erUnsupported},
    // Encrypted: without a password refused with 7, after the method check
    // (for AES, that of the real method in its extra field).
    {"sharp-zipcrypto.zip", nullptr, erEncrypted},
    {"zd-winzip-encrypt-std.zip", nullptr, erEncrypted},
    {"zd-iz-linux-encrypt.zip", nullptr, erEncrypted},
    {"zd-7z-linux-zipcrypto.zip", nullptr, erEncrypted},
    {"zd-pkzip-encrypt-passphrase-aes256.zip", nullptr, erEncrypted},
    {"la-test_read_format_zip_encryption_partially.zip", "foo.txt", erEncrypted},
    {"la-test_read_format_zip_traditional_encryption_data.zip", nullptr, erEncrypted},
    {"zip2-ignore_encryption_flag.zip", nullptr, erEncrypted},  // flag set on plain data: still refused
    {"zd-winzip-encrypt-aes256.zip", nullptr, erEncrypted},
    // Deliberately damaged: file2's stored CRC is wrong.
    {"la-test_read_format_zip.zip", "file2", erCrc},
    // Stored, with a 64-bit uncompressed size 4 GiB more than the 5 bytes
    // stored: the CRC over those bytes matches, the sizes do not.
    {"la-test_read_format_zip_uncompressed_size_off_by_4gib.zip", nullptr, erFormat},
};

// Files the directory reader must refuse or find empty. Everything else with
// an archive's extension must list at least one entry.
const std::set<std::string> ListsNothing = {
    // Empty archives.
    "zd-empty.zip", "zd-empty-with-comment.zip", "zd-empty-with-leading-data.zip", "zd-empty-zip64-EOCD.zip",
    "zip2-comment_garbage.zip",
};

// Archives whose end record promises a directory that cannot be read: the
// reader must say so. Every other archive it opens reads to the end.
const std::set<std::string> DamagedDirectories = {
    "zd-eocd-offset-past-eof.zip", "zip2-invalid_offset.zip", "zd-pkzip-encrypt-passphrase-aes256-cd.zip",
    "zd-cd-truncated.zip",  // no end record: recovered from the local headers
};

// Encrypted entries that a password cannot open: strong encryption. Every
// other encrypted entry fails as a wrong password when given one that is not.
const std::set<std::string> StrongEncryption = {"zd-pkzip-encrypt-passphrase-aes256.zip",
                                                "zd-pkzip-encrypt-passphrase-aes256-cd.zip",
                                                "la-test_read_format_zip_encryption_partially.zip"};

// Documents, expected outputs and raw streams beside the archives.
bool IsNoArchive(const fs::path& path)
{
    static const std::set<std::string> extensions = {".md", ".TXT", ".txt", ".out", ".bz2", ".gz", ".jpg", ".bin"};
    const std::string name = path.filename().string();
    // A self-extractor named .bin is an archive by its content.
    return (extensions.count(path.extension().string()) > 0 && name != "la-test_read_format_zip_sfx.bin") ||
           name == "sharp-orig-test.exe";
}

int ExpectedCode(const std::string& archive, const std::string& entry)
{
    for (const TFailingEntry& failing : FailingEntries)
        if (archive == failing.Archive && (!failing.Entry || entry == failing.Entry))
            return failing.Code;
    return erOk;
}

std::vector<fs::path> FixtureFiles()
{
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(FixturesDir()))
        if (item.is_regular_file())
            files.push_back(item.path());
    std::sort(files.begin(), files.end());
    return files;
}

// One "Filename / Uncompressed Size / 32 bit CRC value" block of the old
// archiver's verbose listing.
struct TListedFile {
    uint32_t Size = 0;
    uint32_t Crc32 = 0;
};

std::map<std::string, TListedFile> ReadListing(const fs::path& path)
{
    std::ifstream in(path);
    std::map<std::string, TListedFile> files;
    std::string line, name;
    while (std::getline(in, line)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon), value = line.substr(colon + 1);
        key.erase(0, key.find_first_not_of(' '));
        value.erase(0, value.find_first_not_of(' '));
        value.erase(value.find_last_not_of(" \r") + 1);
        if (key == "Filename")
            name = value;
        else if (key == "Uncompressed Size" && !name.empty())
            files[name].Size = uint32_t(std::stoul(value));
        else if (key == "32 bit CRC value" && !name.empty())
            files[name].Crc32 = uint32_t(std::stoul(value, nullptr, 16));
    }
    return files;
}

}  // namespace

class FixtureWalk : public ::testing::Test {
protected:
    void SetUp() override { FStartDir = fs::current_path(); }
    void TearDown() override { fs::current_path(FStartDir); }

    // Extracts one entry to a fresh out/<leaf> (a folder when the name ends
    // in '/'); the driver may leave the current directory inside out/.
    int Extract(const fs::path& archive, const TZipEntry& entry, const std::string& leaf = "entry")
    {
        fs::current_path(Dir.Path());
        fs::remove_all(Out());
        fs::create_directories(Out());
        std::string target = (Out() / leaf).string();
        if (!entry.FileName.empty() && entry.FileName.back() == '/')
            target += '/';
        const int code = Driver.ExtractEntry(archive.string(), target, entry.Attributes, entry.LocalHeaderOffset,
                                             nullptr, 0, entry.CompressedSize, entry.UncompressedSize);
        fs::current_path(Dir.Path());
        return code;
    }
    fs::path Out() const { return Dir / "out"; }
    Bytes Extracted(const std::string& leaf = "entry") const { return ReadFile(Out() / leaf); }

    TempDir Dir;
    TExtractionDriver Driver;
    // The same, given a password that fits none of the encrypted fixtures.
    TExtractionDriver WrongPasswordDriver;

private:
    fs::path FStartDir;
};

// Catches any decoder, driver or directory fault that real archives expose:
// a CRC or size mismatch, a refused entry that should extract, ZIP64 archives
// not read, a damaged directory passed as complete or the reverse, a damaged,
// encrypted or unsupported entry passed as good, an encrypted entry that a
// wrong password opens or that leaves a file behind, a crash or hang on any file
// of the folder (documents and raw streams included), or a reader that lists
// what it must refuse.
TEST_F(FixtureWalk, EveryFileListsAndExtractsAsExpected)
{
    REQUIRE_FIXTURES();
    std::map<int, int> tally;
    std::set<std::string> archivesSeen;
    FixedPassword wrongPassword("not-the-password");
    WrongPasswordDriver.SetPasswordProvider(&wrongPassword);
    for (const fs::path& file : FixtureFiles()) {
        const std::string name = file.filename().string();
        std::vector<TZipEntry> entries;
        const TDirectoryStatus status = ListZipEntries(file.string(), entries);
        if (status != dsNone) {
            EXPECT_EQ(status, DamagedDirectories.count(name) ? dsDamaged : dsComplete) << name;
        }
        if (IsNoArchive(file) || ListsNothing.count(name)) {
            EXPECT_TRUE(entries.empty()) << name << " lists " << entries.size() << " entries";
        } else {
            EXPECT_FALSE(entries.empty()) << name << " lists nothing";
        }
        // A part of a split set lists the whole set; its entries are read
        // through the set (the split-archive tests), not this one file.
        if (name.starts_with("cc-split_"))
            continue;
        for (const TZipEntry& entry : entries) {
            SCOPED_TRACE(name + ": " + entry.FileName);
            archivesSeen.insert(name);
            const int code = Extract(file, entry);
            ++tally[code];
            EXPECT_EQ(code, ExpectedCode(name, entry.FileName));
            if (code == erEncrypted) {
                fs::remove_all(Out());
                fs::create_directories(Out());
                const int withPassword = WrongPasswordDriver.ExtractEntry(
                    file.string(), (Out() / "entry").string(), entry.Attributes, entry.LocalHeaderOffset, nullptr, 0,
                    entry.CompressedSize, entry.UncompressedSize);
                fs::current_path(Dir.Path());
                EXPECT_EQ(withPassword, StrongEncryption.count(name) ? erEncryptionUnsupported : erWrongPassword);
                EXPECT_TRUE(fs::is_empty(Out())) << "a failed encrypted entry left a file";
            }
            if (code != erOk || entry.FileName.back() == '/' || (entry.Attributes & 0x10))
                continue;
            // The driver's own CRC check must have compared with the directory's values.
            const Bytes data = Extracted();
            EXPECT_EQ(data.size(), entry.UncompressedSize);
            EXPECT_EQ(ReferenceCrc32(data), entry.Crc32);
        }
    }
    // Every named failure must belong to an archive that was walked, so a
    // renamed fixture cannot silently drop out of the table.
    for (const TFailingEntry& failing : FailingEntries)
        EXPECT_TRUE(archivesSeen.count(failing.Archive)) << failing.Archive << " was not walked";
    std::printf("fixture archives with entries: %zu; entries by result code:", archivesSeen.size());
    for (const auto& [code, count] : tally)
        std::printf(" %d:%d", code, count);
    std::printf("\n");
}

// Catches output that passes a CRC check yet differs from the original (a
// CRC computed over the wrong bytes), for every legacy method, Deflate64 and
// the cp437 name of a Cyrillic entry.
TEST_F(FixtureWalk, ExtractedFilesEqualTheShippedOriginals)
{
    REQUIRE_FIXTURES();
    const fs::path dir = FixturesDir();
    struct TOriginal {
        const char* Archive;
        const char* Entry;
        const char* Original;
    };
    const TOriginal originals[] = {
        {"zip2-shrink.zip", "FIRST.TXT", "zip2-first.txt"},
        {"zip2-reduce.zip", "first.txt", "zip2-first.txt"},
        {"zip2-implode.zip", "first.txt", "zip2-first.txt"},
        {"sharp-Zip.shrink.zip", "TEST.EXE", "sharp-orig-test.exe"},
        {"sharp-Zip.shrink.zip", "TECT.TXT", "sharp-orig-test.txt"},
        {"sharp-Zip.implode.zip", "EXE/TEST.EXE", "sharp-orig-test.exe"},
        {"sharp-Zip.implode.zip", "\u0393\u00D1\u00DF\u0393.txt", "sharp-orig-test.txt"},
    };
    std::vector<TOriginal> all(std::begin(originals), std::end(originals));
    for (const char* archive :
         {"sharp-Zip.reduce1.zip", "sharp-Zip.reduce2.zip", "sharp-Zip.reduce3.zip", "sharp-Zip.reduce4.zip"}) {
        all.push_back({archive, "TEST.EXE", "sharp-orig-test.exe"});
        all.push_back({archive, "TEST.JPG", "sharp-orig-test.jpg"});
        all.push_back({archive, "TECT.TXT", "sharp-orig-test.txt"});
    }
    for (const TOriginal& item : all) {
        SCOPED_TRACE(std::string(item.Archive) + ": " + item.Entry);
        std::vector<TZipEntry> entries;
        ListZipEntries((dir / item.Archive).string(), entries);
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const TZipEntry& e) { return e.FileName == item.Entry; });
        ASSERT_NE(entry, entries.end()) << "entry not listed";
        ASSERT_EQ(Extract(dir / item.Archive, *entry), erOk);
        EXPECT_TRUE(Extracted() == ReadFile(dir / item.Original)) << "differs from " << item.Original;
    }

    // The lorem ipsum text ships compressed with bzip2.
    if (!TOOL_PRESENT("bzip2"))
        return;
    const std::string lorem = RunCommand("bzip2 -dc " + Quote((dir / "cc-lorem-ipsum.txt.bz2").string())).Output;
    for (const char* archive : {"cc-lorem-ipsum-implode.zip", "cc-lorem-ipsum-deflate64.zip"}) {
        SCOPED_TRACE(archive);
        std::vector<TZipEntry> entries;
        ListZipEntries((dir / archive).string(), entries);
        ASSERT_EQ(entries.size(), 1u);
        ASSERT_EQ(Extract(dir / archive, entries[0]), erOk);
        EXPECT_TRUE(Extracted() == Bytes(lorem.begin(), lorem.end()));
    }
}

// Catches disagreement with an independent record: the old archiver's own
// listings give size and CRC of every member of its archives (the deflate
// archives share one listing, as they hold the same files).
TEST_F(FixtureWalk, OldArchiverListingsAgreeWithExtractedFiles)
{
    REQUIRE_FIXTURES();
    const fs::path dir = FixturesDir();
    const std::pair<const char*, const char*> pairs[] = {
        {"bfsx-PKZ80B1.ZIP", "bfsx-PKZ80B1.TXT"},   {"bfsx-PKZ80B2.ZIP", "bfsx-PKZ80B2.TXT"},
        {"bfsx-PKZ80B3.ZIP", "bfsx-PKZ80B3.TXT"},   {"bfsx-PKZ80B4.ZIP", "bfsx-PKZ80B4.TXT"},
        {"bfsx-PKZ110ES.ZIP", "bfsx-PKZ110ES.TXT"}, {"bfsx-PKZ110EI.ZIP", "bfsx-PKZ110EI.TXT"},
        {"bfsx-PKZ110EX.ZIP", "bfsx-PKZ110EX.TXT"}, {"bfsx-PKZ204EN.ZIP", "bfsx-PKZ204EN.TXT"},
        {"bfsx-PKZ204EX.ZIP", "bfsx-PKZ204EN.TXT"}, {"bfsx-PKZ204EF.ZIP", "bfsx-PKZ204EN.TXT"},
        {"bfsx-PKZ204ES.ZIP", "bfsx-PKZ204EN.TXT"},
    };
    for (const auto& [archive, listingFile] : pairs) {
        const auto listing = ReadListing(dir / listingFile);
        std::vector<TZipEntry> entries;
        ListZipEntries((dir / archive).string(), entries);
        ASSERT_EQ(entries.size(), listing.size()) << archive;
        for (const TZipEntry& entry : entries) {
            SCOPED_TRACE(std::string(archive) + ": " + entry.FileName);
            const auto listed = listing.find(entry.FileName);
            ASSERT_NE(listed, listing.end()) << "not in " << listingFile;
            ASSERT_EQ(Extract(dir / archive, entry), erOk);
            const Bytes data = Extracted();
            EXPECT_EQ(data.size(), listed->second.Size);
            EXPECT_EQ(ReferenceCrc32(data), listed->second.Crc32);
        }
    }
}

// Catches a crash, hang or success report when a legacy entry's data is cut
// short: each entry of the legacy archives is extracted from a copy of the
// archive that ends in the middle of that entry's data.
TEST_F(FixtureWalk, LegacyEntriesCutShortFailCleanly)
{
    REQUIRE_FIXTURES();
    const fs::path dir = FixturesDir();
    const fs::path cut = Dir / "cut.zip";
    int checked = 0;
    for (const char* archive : {"sharp-Zip.reduce1.zip", "sharp-Zip.reduce2.zip", "sharp-Zip.reduce3.zip",
                                "sharp-Zip.reduce4.zip", "zip2-reduce.zip", "sharp-Zip.shrink.zip",
                                "sharp-Zip.implode.zip", "cc-SHRUNK.ZIP", "zip2-implode.zip"}) {
        const Bytes bytes = ReadFile(dir / archive);
        std::vector<TZipEntry> entries;
        ListZipEntries((dir / archive).string(), entries);
        for (const TZipEntry& entry : entries) {
            if (entry.Method == 0)
                continue;
            SCOPED_TRACE(std::string(archive) + ": " + entry.FileName);
            const size_t end = std::min(bytes.size(), size_t(entry.LocalHeaderOffset) + 30 + entry.FileName.size() +
                                                          entry.CompressedSize / 2);
            WriteFile(cut, Bytes(bytes.begin(), bytes.begin() + long(end)));
            const int code = Extract(cut, entry);
            EXPECT_TRUE(code == erCrc || code == erRead || code == erFormat) << "gave " << code;
            EXPECT_FALSE(fs::exists(Out() / "entry")) << "a failed entry left its output";
            ++checked;
        }
    }
    EXPECT_GE(checked, 15);
}
