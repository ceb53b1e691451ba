// Tests of encrypted entries through the extraction driver: archives made
// at test time by 7zz (traditional cipher and AES with every key size, over
// stored, deflated and bzip2 data) and by zip (also streamed, which puts
// the CRC behind the data), a check byte that matches a wrong password by
// chance, changed AES data, AE-1's CRC, empty entries, the refused kinds of
// encryption, and how the driver asks for, keeps and forgets a password.
// Each test names the fault it would catch.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/archive/ZipDirectory.h"
#include "engine/archive/ZipFormat.h"
#include "engine/codecs/Methods.h"
#include "engine/crypto/ZipCrypto.h"
#include "engine/extract/ExtractEntry.h"
#include "support/CraftedZip.h"
#include "support/Passwords.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

class EncryptionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FStartDir = fs::current_path();
        fs::create_directories(Dir / "in");
        fs::create_directories(Out());
    }
    void TearDown() override { fs::current_path(FStartDir); }

    fs::path Out() const { return Dir / "out"; }
    std::string ArchivePath() const { return (Dir / "archive.zip").string(); }
    // Runs a tool inside in/, where the input files lie.
    void Make(const std::string& command)
    {
        fs::remove(ArchivePath());
        ASSERT_EQ(RunCommand("cd " + Quote((Dir / "in").string()) + " && " + command).ExitCode, 0) << command;
    }
    std::vector<TZipEntry> Entries() const
    {
        std::vector<TZipEntry> entries;
        ListZipEntries(ArchivePath(), entries);
        return entries;
    }
    int Extract(TExtractionDriver& driver, const TZipEntry& entry)
    {
        return driver.ExtractEntry(ArchivePath(), (Out() / entry.FileName).string(), 0x20, entry.LocalHeaderOffset,
                                   nullptr, 0, entry.CompressedSize, entry.UncompressedSize);
    }
    std::string WrongPassword(const TZipEntry& entry, bool fits) const
    {
        return WrongZipCryptoPassword(ArchivePath(), entry, fits);
    }
    bool OutputEmpty() const { return fs::is_empty(Out()); }
    void ClearOutput()
    {
        fs::remove_all(Out());
        fs::create_directories(Out());
    }

    TempDir Dir;

private:
    fs::path FStartDir;
};

// Catches a fault of either cipher, of a key size, of the keystream across
// its refills, of the real method taken from the AES field, or of the
// verifier/check byte: every entry extracts to the bytes put in with the
// right password; with a wrong one every entry fails as a wrong password
// and leaves no file.
TEST_F(EncryptionTest, SevenZipArchivesOfEveryCipherAndMethod)
{
    REQUIRE_TOOL("7zz");
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"text.txt", TextLikeData(300000, 5)},  // many keystream batches, several deflate blocks
        {"noise.bin", RandomData(5000, 6)},
        {"empty.txt", {}},
    };
    for (const auto& [name, data] : files)
        WriteFile(Dir / "in" / name, data);
    struct Cipher {
        const char* Option;
        uint8_t Strength;  // 0: the traditional cipher
    };
    const Cipher ciphers[] = {{"ZipCrypto", 0}, {"AES128", 1}, {"AES192", 2}, {"AES256", 3}};
    struct Method {
        const char* Option;
        uint16_t Number;
    };
    const Method methods[] = {{"Copy", zmStored}, {"Deflate", zmDeflated}, {"BZip2", zmBzip2}};
    for (const Cipher& cipher : ciphers)
        for (const Method& method : methods) {
            const std::string label = std::string(cipher.Option) + "/" + method.Option;
            SCOPED_TRACE(label);
            Make(std::string("7zz a -tzip -bso0 -psecret -mem=") + cipher.Option + " -mm=" + method.Option + " " +
                 Quote(ArchivePath()) + " text.txt noise.bin empty.txt");
            const std::vector<TZipEntry> entries = Entries();
            ASSERT_EQ(entries.size(), files.size());
            FixedPassword right("secret"), wrong("Secret");
            TExtractionDriver withRight, withWrong;
            withRight.SetPasswordProvider(&right);
            withWrong.SetPasswordProvider(&wrong);
            for (const TZipEntry& entry : entries) {
                // 7zz orders the entries its own way.
                const auto file = std::find_if(files.begin(), files.end(),
                                               [&](const auto& item) { return item.first == entry.FileName; });
                ASSERT_NE(file, files.end()) << entry.FileName;
                const Bytes& content = file->second;
                SCOPED_TRACE(entry.FileName);
                EXPECT_TRUE(entry.Flags & gpEncrypted);
                if (cipher.Strength != 0) {
                    EXPECT_EQ(entry.Method, zmAes);
                    EXPECT_EQ(entry.Aes.Strength, cipher.Strength);
                }
                // 7zz stores what does not shrink (noise, empty files) whatever the method asked for.
                const uint16_t realMethod = cipher.Strength != 0 ? entry.Aes.Method : entry.Method;
                if (entry.FileName == "text.txt") {
                    EXPECT_EQ(realMethod, method.Number);
                }
                const bool decodable = CanDecode(realMethod);
                ClearOutput();
                // A traditional empty entry has no data a chance check-byte match could fail on.
                if (cipher.Strength != 0 || !content.empty()) {
                    EXPECT_EQ(Extract(withWrong, entry), decodable ? erWrongPassword : erUnsupported);
                    EXPECT_TRUE(OutputEmpty());
                }
                ASSERT_EQ(Extract(withRight, entry), decodable ? erOk : erUnsupported);
                if (decodable)
                    EXPECT_TRUE(ReadFile(Out() / entry.FileName) == content);
                else
                    EXPECT_TRUE(OutputEmpty());
            }
        }
}

// Catches a wrong check byte for entries whose CRC follows the data (the
// time's high byte must be taken), a decryption stage that reads past the
// data into the descriptor, and zip's stored and deflated traditional
// encryption: written from files and streamed from standard input.
TEST_F(EncryptionTest, ZipWrittenEntriesAlsoStreamed)
{
    REQUIRE_TOOL("zip");
    const Bytes text = TextLikeData(70000, 7);
    WriteFile(Dir / "in" / "text.txt", text);
    const std::string archive = Quote(ArchivePath());
    const std::string commands[] = {
        "zip -q -P pw " + archive + " text.txt",
        "zip -q -0 -P pw " + archive + " text.txt",
        "zip -q -P pw - - < text.txt > " + archive,  // to a pipe-like stream: the entry is named "-"
    };
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        Make(command);
        const std::vector<TZipEntry> entries = Entries();
        ASSERT_EQ(entries.size(), 1u);
        if (command.find(" - ") != std::string::npos) {
            EXPECT_TRUE(entries[0].Flags & gpDescriptor) << "the streamed case must have a data descriptor";
        }
        FixedPassword right("pw");
        TExtractionDriver driver;
        driver.SetPasswordProvider(&right);
        ClearOutput();
        ASSERT_EQ(Extract(driver, entries[0]), erOk);
        EXPECT_TRUE(ReadFile(Out() / entries[0].FileName) == text);
        // The test command decodes the same way without writing.
        EXPECT_EQ(driver.TestEntry(ArchivePath(), entries[0].LocalHeaderOffset, nullptr, 0, entries[0].CompressedSize,
                                   entries[0].UncompressedSize),
                  erOk);
    }
}

// Catches a check-byte match taken as proof of the password: a wrong
// password whose header check passes (found by search, 1 in 256) must end
// as a wrong password through the CRC, with nothing written.
TEST_F(EncryptionTest, CheckByteCollisionEndsAsWrongPassword)
{
    REQUIRE_TOOL("zip");
    WriteFile(Dir / "in" / "text.txt", TextLikeData(20000, 8));
    Make("zip -q -P right " + Quote(ArchivePath()) + " text.txt");
    const std::vector<TZipEntry> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    const std::string collision = WrongPassword(entries[0], true);
    ASSERT_FALSE(collision.empty());
    FixedPassword provider(collision);
    TExtractionDriver driver;
    driver.SetPasswordProvider(&provider);
    EXPECT_EQ(Extract(driver, entries[0]), erWrongPassword) << collision;
    EXPECT_TRUE(OutputEmpty());
}

// The traditional cipher's encryption of `plain`, byte by byte through the
// engine's own decryption: the keystream byte at i depends only on the
// plain bytes before it, so decrypting the cipher text so far plus a zero
// byte yields it.
Bytes ZipCryptoEncrypt(const std::string& password, const Bytes& plain)
{
    Bytes cipher;
    for (const uint8_t byte : plain) {
        Bytes probe = cipher;
        probe.push_back(0);
        TZipCryptoKeys(TSecret(password)).Decrypt(probe.data(), probe.size());
        cipher.push_back(byte ^ probe.back());
    }
    return cipher;
}

// Catches a chance match of the check byte that the decoder then reports in
// its own words (a dictionary or window beyond the memory cap, a stream that
// wants more than the entry holds) instead of as a wrong password, so the
// job would not ask again: a wrong password that passes a right one's check
// (found by search) meets data that, as it decrypts them, name such a
// stream. Each row first shows the decoder's own code on the same bytes
// unencrypted.
TEST_F(EncryptionTest, ChanceMatchFailingInTheDecoderIsAWrongPassword)
{
    struct Case {
        const char* What;
        uint16_t Method;
        Bytes Stream;  // the plain bytes behind the 12-byte header
        int Plain;     // the decoder's result without encryption
    };
    const Bytes lzmaHeader = {0x09, 0x14, 0x05, 0x00, 0x5D};
    auto with = [](Bytes front, const Bytes& back) {
        front.insert(front.end(), back.begin(), back.end());
        return front;
    };
    const Case cases[] = {
        {"LZMA dictionary of 512 MB", zmLzma, with(lzmaHeader, {0x00, 0x00, 0x00, 0x20, 0, 0, 0, 0, 0}), erMemoryLimit},
        {"Zstandard window of 1 GB", zmZstandard, {0x28, 0xB5, 0x2F, 0xFD, 0x00, 0xA0, 0, 0, 0, 0}, erMemoryLimit},
        {"LZMA stream that ends early", zmLzma, with(lzmaHeader, {0x00, 0x00, 0x01, 0x00, 0, 0, 0, 0, 0}), erRead},
    };
    const uint32_t crc = 0xA7123456;
    const uint8_t checkByte = uint8_t(crc >> 24);
    Bytes header(ZipCryptoHeaderBytes, 0x5A);
    header.back() = checkByte;
    const Bytes rightHeader = ZipCryptoEncrypt("right", header);
    std::string wrong;
    for (int i = 0; i < 100000 && wrong.empty(); ++i) {
        const std::string candidate = "wrong" + std::to_string(i);
        uint8_t probe[ZipCryptoHeaderBytes];
        std::copy(rightHeader.begin(), rightHeader.end(), probe);
        if (TZipCryptoKeys(TSecret(candidate)).CheckHeader(probe, checkByte))
            wrong = candidate;
    }
    ASSERT_FALSE(wrong.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        CraftedEntry entry;
        entry.Name = "a.bin";
        entry.Method = c.Method;
        entry.Crc32 = crc;
        entry.UncompressedSize = 100000;
        entry.Data = c.Stream;
        entry.CompressedSize = uint32_t(entry.Data.size());
        CraftedZip plain;
        plain.Add(entry);
        WriteFile(ArchivePath(), plain.Build());
        TExtractionDriver driver;
        ClearOutput();
        ASSERT_EQ(Extract(driver, Entries().at(0)), c.Plain);

        // As the wrong password decrypts them: the right one's header, then the stream.
        uint8_t wrongView[ZipCryptoHeaderBytes];
        std::copy(rightHeader.begin(), rightHeader.end(), wrongView);
        TZipCryptoKeys(TSecret(wrong)).CheckHeader(wrongView, checkByte);
        Bytes cipher = ZipCryptoEncrypt(wrong, with(Bytes(std::begin(wrongView), std::end(wrongView)), c.Stream));
        std::copy(rightHeader.begin(), rightHeader.end(), cipher.begin());
        entry.Flags = gpEncrypted;
        entry.Data = cipher;
        entry.CompressedSize = uint32_t(cipher.size());
        CraftedZip encrypted;
        encrypted.Add(entry);
        WriteFile(ArchivePath(), encrypted.Build());
        FixedPassword provider(wrong);
        driver.SetPasswordProvider(&provider);
        ClearOutput();
        EXPECT_EQ(Extract(driver, Entries().at(0)), erWrongPassword) << wrong;
        EXPECT_TRUE(OutputEmpty());
    }
}

// Catches AES data accepted without its code: one changed byte in the
// encrypted data of a stored AE-2 entry (no CRC to catch it) or of a
// deflated one must fail as a wrong password or changed data and leave no
// file, while the untouched archive extracts. Also catches an AE-1 entry
// whose CRC is not checked, and the CRC left unsummed for the next entry
// once an AE-2 entry (which keeps none) went through the same driver.
TEST_F(EncryptionTest, ChangedAesDataAndAe1Crc)
{
    REQUIRE_TOOL("7zz");
    const Bytes text = TextLikeData(50000, 9);
    WriteFile(Dir / "in" / "text.txt", text);
    for (const char* method : {"Copy", "Deflate"}) {
        SCOPED_TRACE(method);
        Make(std::string("7zz a -tzip -bso0 -psecret -mem=AES256 -mm=") + method + " " + Quote(ArchivePath()) +
             " text.txt");
        std::vector<TZipEntry> entries = Entries();
        ASSERT_EQ(entries.size(), 1u);
        ASSERT_EQ(entries[0].Aes.Version, 2);
        const Bytes original = ReadFile(ArchivePath());
        const size_t dataAt = entries[0].LocalHeaderOffset + LocalHeaderBytes + entries[0].FileName.size() +
                              (original[entries[0].LocalHeaderOffset + 28] | original[entries[0].LocalHeaderOffset + 29] << 8);
        FixedPassword provider("secret");
        TExtractionDriver driver;
        driver.SetPasswordProvider(&provider);

        ClearOutput();
        ASSERT_EQ(Extract(driver, entries[0]), erOk);
        EXPECT_TRUE(ReadFile(Out() / "text.txt") == text);

        Bytes tampered = original;
        tampered[dataAt + 18 + entries[0].CompressedSize / 2] ^= 0x01;  // behind salt and verifier
        WriteFile(ArchivePath(), tampered);
        ClearOutput();
        EXPECT_EQ(Extract(driver, entries[0]), erWrongPassword);
        EXPECT_TRUE(OutputEmpty());

        // AE-1: the same data, its version turned to 1 in both AES fields, and a CRC.
        auto asAe1 = [&](uint32_t crc) {
            Bytes patched = original;
            for (size_t at = 0; at + 7 <= patched.size(); ++at)
                if (patched[at] == 0x01 && patched[at + 1] == 0x99 && patched[at + 4] == 2 && patched[at + 6] == 'A')
                    patched[at + 4] = 1;
            auto putCrc = [&](size_t at) {
                for (int b = 0; b < 4; ++b)
                    patched[at + size_t(b)] = uint8_t(crc >> (8 * b));
            };
            putCrc(entries[0].LocalHeaderOffset + LocalField::Crc32);
            const size_t central = size_t(std::search(patched.begin(), patched.end(), std::begin("PK\1\2"),
                                                      std::end("PK\1\2") - 1) - patched.begin());
            putCrc(central + CentralField::Crc32);
            WriteFile(ArchivePath(), patched);
        };
        asAe1(ReferenceCrc32(text));
        entries = Entries();
        ASSERT_EQ(entries[0].Aes.Version, 1);
        ClearOutput();
        EXPECT_EQ(Extract(driver, entries[0]), erOk);
        asAe1(ReferenceCrc32(text) ^ 1);
        ClearOutput();
        EXPECT_EQ(Extract(driver, entries[0]), erCrc);
        EXPECT_TRUE(OutputEmpty());
    }
}

// Catches the refused kinds of encryption decoded as if traditional, and a
// changed answer without a password: strong encryption and an encrypted
// directory give their own reason with a password at hand, and code 7
// without one, as every encrypted entry does.
TEST_F(EncryptionTest, StrongEncryptionAndMaskedHeadersRefused)
{
    struct Case {
        const char* Name;
        uint16_t Flags;
        int WithPassword;
    };
    const Case cases[] = {
        {"traditional", gpEncrypted, erWrongPassword},  // plain bytes under the flag: the check fails
        {"strong", gpEncrypted | gpStrongEncryption, erEncryptionUnsupported},
        {"masked directory", gpEncrypted | gpMaskedHeaders, erEncryptionUnsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        CraftedEntry entry = StoredEntry("a.txt", Bytes(64, 0x41));
        entry.Flags = c.Flags;
        CraftedZip zip;
        zip.Add(entry);
        WriteFile(ArchivePath(), zip.Build());
        const std::vector<TZipEntry> entries = Entries();
        ASSERT_EQ(entries.size(), 1u);
        TExtractionDriver without;
        EXPECT_EQ(Extract(without, entries[0]), erEncrypted);
        ScriptedPasswords provider({{paGiven, "zzzzzzzz"}, {paNoOther, ""}});
        TExtractionDriver with;
        with.SetPasswordProvider(&provider);
        ClearOutput();
        EXPECT_EQ(Extract(with, entries[0]), c.WithPassword);
        EXPECT_TRUE(OutputEmpty());
    }
}

// Catches a driver that asks for every entry though the kept password fits,
// that keeps a password across archives, that forgets to say the last one
// was wrong, or that maps the answers to the wrong results: cancel fails as
// encrypted, "nothing else" as a wrong password, and a later right answer
// extracts.
TEST_F(EncryptionTest, PasswordAskedKeptAndForgotten)
{
    REQUIRE_TOOL("zip");
    WriteFile(Dir / "in" / "a.txt", TextLikeData(3000, 10));
    WriteFile(Dir / "in" / "b.txt", TextLikeData(3000, 11));
    Make("zip -q -P one " + Quote(ArchivePath()) + " a.txt b.txt");
    const std::vector<TZipEntry> entries = Entries();
    ASSERT_EQ(entries.size(), 2u);

    // One the header check refuses: it is asked again after it.
    const std::string wrong = WrongPassword(entries[0], false);
    ASSERT_FALSE(wrong.empty());

    // Wrong, then right: asked twice for the first entry, never for the second.
    ScriptedPasswords wrongThenRight({{paGiven, wrong}, {paGiven, "one"}});
    TExtractionDriver driver;
    driver.SetPasswordProvider(&wrongThenRight);
    EXPECT_EQ(Extract(driver, entries[0]), erOk);
    EXPECT_EQ(Extract(driver, entries[1]), erOk);
    EXPECT_EQ(wrongThenRight.WrongFlags, (std::vector<bool>{false, true}));

    // Another archive: the kept password is forgotten and asked for again.
    const std::string other = (Dir / "other.zip").string();
    fs::copy_file(ArchivePath(), other);
    ScriptedPasswords again({{paGiven, "one"}});
    driver.SetPasswordProvider(&again);
    EXPECT_EQ(driver.TestEntry(other, entries[0].LocalHeaderOffset, nullptr, 0, entries[0].CompressedSize,
                               entries[0].UncompressedSize),
              erOk);
    EXPECT_EQ(again.Asked, 1u);

    struct Case {
        const char* Name;
        std::vector<ScriptedPasswords::Answer> Answers;
        int Expected;
    };
    const Case cases[] = {
        {"cancelled at once", {{paCancelled, ""}}, erEncrypted},
        {"cancelled after a wrong one", {{paGiven, wrong}, {paCancelled, ""}}, erEncrypted},
        {"nothing else after a wrong one", {{paGiven, wrong}, {paNoOther, ""}}, erWrongPassword},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedPasswords provider(c.Answers);
        TExtractionDriver fresh;
        fresh.SetPasswordProvider(&provider);
        ClearOutput();
        EXPECT_EQ(Extract(fresh, entries[0]), c.Expected);
        EXPECT_EQ(provider.Asked, c.Answers.size());
        EXPECT_TRUE(OutputEmpty());
    }
}

}  // namespace
