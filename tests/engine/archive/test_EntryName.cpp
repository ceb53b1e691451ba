// Entry name decoding: the UTF-8 check that picks between "as stored" and
// code page 437, the code page 437 table, and the cut at 259 bytes.
#include <gtest/gtest.h>

#include "engine/archive/EntryName.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

std::string Decode(const std::string& stored, uint16_t flags, uint8_t host, size_t maxBytes = 259)
{
    return DecodeEntryName(reinterpret_cast<const uint8_t*>(stored.data()), stored.size(), flags, host, maxBytes);
}

}  // namespace

// Catches a validator that lets malformed text pass as UTF-8 (it would be
// shown as stored instead of decoded from code page 437), or refuses good text.
TEST(EntryName, Utf8ValidityTable)
{
    const std::pair<std::string, bool> cases[] = {
        {"plain/name.txt", true},   {"\xC3\xBC", true},        {"\xE2\x82\xAC", true},
        {"\xF4\x8F\xBF\xBF", true}, {"\x80", false},           {"Gr\x81n", false},
        {"ab\xC3", false},          {"\xE2\x82", false},       {"\xC0\xAF", false},  // overlong '/'
        {"\xE0\x80\x80", false},    {"\xED\xA0\x80", false},   {"\xF4\x90\x80\x80", false},  // surrogate, > U+10FFFF
        {"\xFF", false},            {"\xC3(", false},
    };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(IsValidUtf8(reinterpret_cast<const uint8_t*>(text.data()), text.size()), valid) << text;
}

// Catches a typo in the code page 437 table: bytes 0x80..0xFF against Python's codec.
TEST(EntryName, Cp437TableMatchesPythonCodec)
{
    REQUIRE_TOOL("python3");
    std::string stored;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        stored += char(byte);
    const auto python = RunCommand("python3 -c \"import sys; sys.stdout.buffer.write("
                                   "bytes(range(128, 256)).decode('cp437').encode('utf-8'))\"");
    ASSERT_EQ(python.ExitCode, 0);
    EXPECT_EQ(Decode(stored, 0, hsMsDos, 1000), python.Output);
}

// Catches the wrong choice between as stored and code page 437, a Windows
// delimiter left in a Linux path, a name that differs between the list and
// the created file (zero byte), and cuts inside a character, past 259 bytes
// or behind a character that did not fit.
TEST(EntryName, DecodingDelimitersAndCuts)
{
    const std::string utf8 = "Gr\xC3\xB6\xC3\x9F" "e.txt";  // "Größe.txt"
    const std::string cp437 = "Gr\x94\xE1" "e.txt";
    EXPECT_EQ(Decode(utf8, gpUtf8Name, hsMsDos), utf8);
    EXPECT_EQ(Decode(utf8, 0, 3), utf8);
    EXPECT_EQ(Decode(cp437, 0, hsMsDos), utf8);
    EXPECT_EQ(Decode(cp437, 0, 3), utf8);
    EXPECT_EQ(Decode(utf8, 0, hsMsDos), "Gr\xE2\x94\x9C\xE2\x95\xA2\xE2\x94\x9C\xC6\x92" "e.txt");  // "Gr├╢├ƒe.txt"
    EXPECT_EQ(Decode("dir\\sub\\f.txt", gpUtf8Name, 3), "dir/sub/f.txt");
    EXPECT_EQ(Decode(std::string("evil\0/../x", 10), 0, hsMsDos), "evil");

    // Plain ASCII is copied as it stands, eight bytes at a time: a '\\', a
    // zero or a byte above 0x7F in any place of a word or of the tail must
    // still send the name the careful way.
    for (size_t at = 0; at < 19; ++at) {
        std::string name(19, 'n');
        name[at] = '\\';
        EXPECT_EQ(Decode(name, 0, hsMsDos), std::string(at, 'n') + "/" + std::string(18 - at, 'n')) << at;
        name[at] = '\0';
        EXPECT_EQ(Decode(name, 0, hsMsDos), std::string(at, 'n')) << at;
        name[at] = '\x94';
        EXPECT_EQ(Decode(name, 0, hsMsDos), std::string(at, 'n') + "\xC3\xB6" + std::string(18 - at, 'n')) << at;
    }

    std::string umlauts;
    for (int i = 0; i < 150; ++i)
        umlauts += "\xC3\xA4";  // ä, two bytes
    EXPECT_EQ(Decode(std::string(300, 'a'), 0, hsMsDos), std::string(259, 'a'));
    EXPECT_EQ(Decode(umlauts, gpUtf8Name, hsMsDos), umlauts.substr(0, 258));
    EXPECT_EQ(Decode(std::string(150, '\x84'), 0, hsMsDos), umlauts.substr(0, 258));
    EXPECT_EQ(Decode("a" + std::string(100, '\xC4'), 0, hsMsDos).size(), 259u);  // ─, three bytes
    // The character that does not fit ends the name; a short one behind it is not taken.
    EXPECT_EQ(Decode("aa" + std::string(86, '\xC4') + "b", 0, hsMsDos).size(), 257u);
    std::string emojis = "ab";
    for (int i = 0; i < 70; ++i)
        emojis += "\xF0\x9F\x98\x80";
    EXPECT_EQ(Decode(emojis, gpUtf8Name, hsMsDos), emojis.substr(0, 258));
    EXPECT_LE(Decode(std::string(300, '\x80'), gpUtf8Name, hsMsDos).size(), 259u);  // invalid, kept as stored
}
