// Entry name decoding: the code page 437 table, the UTF-8 check that picks
// between "as stored" and code page 437, and the cut at 259 bytes.
#include <gtest/gtest.h>

#include "engine/EntryName.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

std::string Decode(const std::string& stored, uint16_t flags, uint8_t host, size_t maxBytes = 259)
{
    return DecodeEntryName(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(), flags, host, maxBytes);
}

bool Valid(const std::string& text)
{
    return IsValidUtf8(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace

// Catches a validator that lets malformed text pass as UTF-8 (it would then be
// shown and created as stored instead of decoded from code page 437).
TEST(EntryName, Utf8ValidityTable)
{
    struct Case { const char* what; std::string text; bool valid; };
    const Case cases[] = {
        {"ASCII", "plain/name.txt", true},
        {"two-byte ü", "\xC3\xBC", true},
        {"three-byte €", "\xE2\x82\xAC", true},
        {"four-byte emoji", "\xF0\x9F\x98\x80", true},
        {"highest code point U+10FFFF", "\xF4\x8F\xBF\xBF", true},
        {"stray continuation byte", "\x80", false},
        {"CP437 ü (0x81) alone", "Gr\x81n", false},
        {"lead byte at the end", "ab\xC3", false},
        {"three-byte sequence cut short", "\xE2\x82", false},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three-byte NUL", "\xE0\x80\x80", false},
        {"surrogate U+D800", "\xED\xA0\x80", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"0xFF byte", "\xFF", false},
        {"lead followed by ASCII", "\xC3(", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Valid(c.text), c.valid) << c.what;
}

// Catches a typo in the code page 437 table: every byte 0x80..0xFF is
// compared with Python's own cp437 codec.
TEST(EntryName, Cp437TableMatchesPythonCodec)
{
    REQUIRE_TOOL("python3");
    std::string stored;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        stored += char(byte);
    const std::string ours = Decode(stored, 0, hsMsDos, 100000);
    const auto python = RunCommand("python3 -c \"import sys; sys.stdout.buffer.write(bytes(range(128, 256)).decode('cp437').encode('utf-8'))\"");
    ASSERT_EQ(python.ExitCode, 0);
    EXPECT_EQ(ours, python.Output);
}

// Catches the wrong choice between as-stored and code page 437.
TEST(EntryName, DecodingFollowsFlagAndHost)
{
    const std::string utf8Umlauts = "Gr\xC3\xB6\xC3\x9F" "e.txt";  // "Größe.txt" in UTF-8
    const std::string cp437Umlauts = "Gr\x94\xE1" "e.txt";        // "Größe.txt" in code page 437
    EXPECT_EQ(Decode(utf8Umlauts, gpUtf8Name, hsMsDos), utf8Umlauts) << "bit 11: as stored, whatever the host";
    EXPECT_EQ(Decode(utf8Umlauts, 0, 3), utf8Umlauts) << "valid UTF-8 from Unix: as stored";
    EXPECT_EQ(Decode(cp437Umlauts, 0, hsMsDos), utf8Umlauts) << "MS-DOS host: code page 437";
    EXPECT_EQ(Decode(cp437Umlauts, 0, 3), utf8Umlauts) << "not UTF-8 from Unix: code page 437";
    EXPECT_EQ(Decode(utf8Umlauts, 0, hsMsDos), "Gr\xE2\x94\x9C\xE2\x95\xA2\xE2\x94\x9C\xC6\x92" "e.txt")  // "Gr├╢├ƒe.txt"
        << "UTF-8 bytes without bit 11 from MS-DOS read as code page 437";
}

// Catches a Windows delimiter surviving into a Linux path, and names that
// differ between the list (whole string) and the created file (up to the zero byte).
TEST(EntryName, BackslashesBecomeSlashesAndZeroByteEndsTheName)
{
    EXPECT_EQ(Decode("dir\\sub\\file.txt", 0, hsMsDos), "dir/sub/file.txt");
    EXPECT_EQ(Decode("dir\\sub\\file.txt", gpUtf8Name, 3), "dir/sub/file.txt");
    EXPECT_EQ(Decode(std::string("evil\0/../x", 10), 0, hsMsDos), "evil");
}

// Catches a cut inside a character (an invalid name that no file system
// would take) or a cut that exceeds the limit.
TEST(EntryName, LongNamesAreCutAtCharacterBoundaries)
{
    EXPECT_EQ(Decode(std::string(300, 'a'), 0, hsMsDos), std::string(259, 'a'));
    EXPECT_EQ(Decode(std::string(259, 'a'), 0, hsMsDos), std::string(259, 'a'));
    std::string umlauts;
    for (int i = 0; i < 150; ++i)
        umlauts += "\xC3\xA4";  // ä, two bytes each
    EXPECT_EQ(Decode(umlauts, gpUtf8Name, hsMsDos), umlauts.substr(0, 258)) << "UTF-8 as stored";
    EXPECT_EQ(Decode(std::string(150, '\x84'), 0, hsMsDos), umlauts.substr(0, 258)) << "from code page 437";
    const std::string boxes(100, '\xC4');  // ─, three bytes each in UTF-8
    EXPECT_EQ(Decode(boxes, 0, hsMsDos).size(), 258u);
    EXPECT_EQ(Decode("a" + std::string(100, '\xC4'), 0, hsMsDos).size(), 259u);
    const std::string emoji = "\xF0\x9F\x98\x80";
    std::string emojis = "ab";
    for (int i = 0; i < 70; ++i)
        emojis += emoji;
    EXPECT_EQ(Decode(emojis, gpUtf8Name, hsMsDos), emojis.substr(0, 258));
    // Invalid UTF-8 under bit 11 is kept as stored; the cut must still stay within bounds.
    EXPECT_LE(Decode(std::string(300, '\x80'), gpUtf8Name, hsMsDos).size(), 259u);
}
