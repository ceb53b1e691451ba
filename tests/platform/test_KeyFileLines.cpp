// The key-file line reader shared by the INI file and the file association:
// one table of lines read with either comment mark.
#include <string>

#include <gtest/gtest.h>

#include "platform/KeyFileLines.h"

using namespace valbrix::platform;

// Catches a header missed for the blanks around it or its line end, a
// comment read as an entry in the wrong dialect (a ";" line is a key in a
// desktop file, a "#" line one in an INI file), an entry with an empty key
// that a rewrite would then match, and a value cut at its own '=' or
// stripped of what follows its leading blanks.
TEST(KeyFileLines, OneTableForBothDialects)
{
    const struct {
        std::string line;
        const char* comments;
        TKeyFileLineKind kind;
        std::string group, key, value;
    } cases[] = {
        {"[Folders]", ";", klGroup, "Folders", "", ""},
        {"  [ Default Applications ]\r", "#", klGroup, "Default Applications", "", ""},
        {"[a=b]", ";", klGroup, "a=b", "", ""},
        {"[no close", ";", klOther, "", "", ""},
        {"[no close=x", ";", klEntry, "", "[no close", "x"},
        {"LastFolder=/home/anna/Ent packt  ", ";", klEntry, "", "LastFolder", "/home/anna/Ent packt  "},
        {"  Top =  12\r", ";", klEntry, "", "Top", "12"},
        {"Exec=a=b %f", "#", klEntry, "", "Exec", "a=b %f"},
        {"key=", "#", klEntry, "", "key", ""},
        {"; comment=1", ";", klOther, "", "", ""},
        {"; comment=1", "#", klEntry, "", "; comment", "1"},
        {"  # comment=1", "#", klOther, "", "", ""},
        {"# comment=1", ";", klEntry, "", "# comment", "1"},
        {" =value", "#", klOther, "", "", ""},
        {"no equals sign", ";", klOther, "", "", ""},
        {"", ";", klOther, "", "", ""},
        {"\r", "#", klOther, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line + " / " + c.comments);
        const TKeyFileLine line = ParseKeyFileLine(c.line, c.comments);
        EXPECT_EQ(line.Kind, c.kind);
        EXPECT_EQ(line.Group, c.group);
        EXPECT_EQ(line.Key, c.key);
        EXPECT_EQ(line.Value, c.value);
    }
}

// Catches an empty last line invented after the final line break (a
// rewrite would add a blank line each time), a last line without its break
// lost, and a CRLF blank line counted as content.
TEST(KeyFileLines, LinesAndBlankLines)
{
    EXPECT_EQ(KeyFileLines("a\nb\n"), (std::vector<std::string_view>{"a", "b"}));
    EXPECT_EQ(KeyFileLines("a\n\nb"), (std::vector<std::string_view>{"a", "", "b"}));
    EXPECT_TRUE(KeyFileLines("").empty());
    EXPECT_TRUE(IsBlankLine(" \t\r"));
    EXPECT_FALSE(IsBlankLine(" x\r"));
}
