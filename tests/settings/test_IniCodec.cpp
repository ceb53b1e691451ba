// The INI codec on odd files: what each kind of line reads as, and that a
// write changes only the one line it writes.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/TestFiles.h"
#include "settings/IniCodec.h"

namespace valbrix {
namespace {

struct ReadCase {
    const char* Name;
    std::string File;
    const char* Section;
    const char* Key;
    std::optional<std::string> Expected;
};

// Catches: a '\r' left on CRLF values, a last line lost without its line
// break, names compared with case, the second of duplicate sections or keys
// winning, comments or '='-less lines taken for keys, values unescaped or
// trimmed inside, keys found outside their section.
TEST(IniCodec, ReadsOddFilesAsTheProfileFunctionsDo)
{
    const ReadCase cases[] = {
        {"no trailing newline", "[Folders]\nLastFolder=/tmp/a", "Folders", "LastFolder", "/tmp/a"},
        {"CRLF", "[Folders]\r\nLastFolder=/tmp/a\r\nX=1\r\n", "Folders", "LastFolder", "/tmp/a"},
        {"names without case", "[FOLDERS]\nlastfolder=x\n", "Folders", "LastFolder", "x"},
        {"blanks around names", "  [ Folders ]  \n  LastFolder  =  x y \n", "Folders", "LastFolder", "x y "},
        {"duplicate sections: first wins", "[A]\nk=1\n[a]\nk=2\n", "A", "k", "1"},
        {"duplicate keys: first wins", "[A]\nk=1\nK=2\n", "A", "k", "1"},
        {"key without '='", "[A]\nk\n", "A", "k", std::nullopt},
        {"key without '=' before the real one", "[A]\nk\nk=2\n", "A", "k", "2"},
        {"comment is no key", "[A]\n;k=1\n  ; k=3\nk=2\n", "A", "k", "2"},
        {"value verbatim", "[A]\nk=a=b;c \"q\" \\n\n", "A", "k", "a=b;c \"q\" \\n"},
        {"empty value", "[A]\nk=\n", "A", "k", ""},
        {"INIERROR is a plain value here", "[A]\nk=INIERROR\n", "A", "k", "INIERROR"},
        {"key in another section", "[A]\nk=1\n[B]\nj=2\n", "B", "k", std::nullopt},
        {"key before any section", "k=1\n[A]\n", "A", "k", std::nullopt},
        {"header without ']'", "[A\nk=1\n", "A", "k", std::nullopt},
        {"missing section", "[A]\nk=1\n", "Z", "k", std::nullopt},
        {"empty file", "", "A", "k", std::nullopt},
        {"umlauts byte for byte", "[Ordner]\nZiel=/home/jörg/Entpackt\n", "Ordner", "Ziel", "/home/jörg/Entpackt"},
    };
    for (const ReadCase& c : cases)
        EXPECT_EQ(TIniDocument(c.File).GetValue(c.Section, c.Key), c.Expected) << c.Name;
}

struct WriteCase {
    const char* Name;
    std::string Before;
    const char* Section;
    const char* Key;
    const char* Value;
    std::string After;
};

// Catches: comments, foreign sections or unreadable lines rewritten or
// dropped, a new key put after the blank line (or into the next section), a
// new line glued to a last line without line break, LF lines in a CRLF file,
// the key's spelling changed, a write going to the second duplicate section.
TEST(IniCodec, WriteChangesOnlyTheLineItWrites)
{
    const WriteCase cases[] = {
        {"replace in place", "; mine\n[Folders]\n;c\nLastFolder=/old\nOther=1\n[B]\nx=2\n", "Folders", "LastFolder",
         "/new", "; mine\n[Folders]\n;c\nLastFolder=/new\nOther=1\n[B]\nx=2\n"},
        {"key spelling kept", "[folders]\n  lastFOLDER = /old\n", "Folders", "LastFolder", "/new",
         "[folders]\nlastFOLDER=/new\n"},
        {"added at the section's end", "[A]\nx=1\n\n[B]\ny=2\n", "A", "k", "v", "[A]\nx=1\nk=v\n\n[B]\ny=2\n"},
        {"new section after a last line without break", "[A]\nx=1", "B", "k", "v", "[A]\nx=1\n[B]\nk=v\n"},
        {"CRLF kept", "[A]\r\nx=1", "A", "k", "v", "[A]\r\nx=1\r\nk=v\r\n"},
        {"first duplicate section", "[A]\nx=1\n[A]\ny=2\n", "A", "k", "v", "[A]\nx=1\nk=v\n[A]\ny=2\n"},
        {"unreadable lines kept", "[A]\n\x01\x02garbage\n=novalue\nk\n", "A", "k", "v",
         "[A]\n\x01\x02garbage\n=novalue\nk\nk=v\n"},
        {"empty file", "", "Folders", "LastFolder", "/x", "[Folders]\nLastFolder=/x\n"},
    };
    for (const WriteCase& c : cases) {
        TIniDocument document(c.Before);
        EXPECT_TRUE(document.SetValue(c.Section, c.Key, c.Value)) << c.Name;
        EXPECT_EQ(document.Text(), c.After) << c.Name;
    }
}

// Catches: a value or name that plants a further key or section in the file
// (a folder name with a line break), or a key that could never be read back.
TEST(IniCodec, RefusesWhatWouldNotReadBackAsWritten)
{
    const struct {
        const char* Section;
        const char* Key;
        const char* Value;
    } refused[] = {
        {"A", "k", "a\n[Evil]\nx=1"}, {"A", "k", "a\rb"}, {"A", "", "v"},   {"A", " ", "v"},
        {"A", "k=j", "v"},            {"A]", "k", "v"},   {"A", ";k", "v"}, {"A", " k", "v"},
    };
    for (const auto& r : refused) {
        TIniDocument document("[A]\nk=old\n");
        EXPECT_FALSE(document.SetValue(r.Section, r.Key, r.Value)) << r.Key << " / " << r.Value;
        EXPECT_EQ(document.Text(), "[A]\nk=old\n");
    }
}

// Catches: a crash, a quadratic parse or lost bytes on a file that is no INI
// file at all (1 MB of noise with NULs and stray '\r').
TEST(IniCodec, BinaryNoiseIsReadAndKept)
{
    const test::Bytes noise = test::RandomData(1 << 20, 7);
    std::string bytes(noise.begin(), noise.end());
    bytes.push_back('\n');
    TIniDocument document(bytes);
    EXPECT_FALSE(document.GetValue("Folders", "LastFolder"));
    ASSERT_TRUE(document.SetValue("Folders", "LastFolder", "/x"));
    const std::string text = document.Text();
    EXPECT_EQ(text.substr(0, bytes.size()), bytes);
    EXPECT_EQ(TIniDocument(text).GetValue("Folders", "LastFolder"), "/x");
}

}  // namespace
}  // namespace valbrix
