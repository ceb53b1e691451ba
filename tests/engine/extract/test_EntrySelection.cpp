// Which entries a selection of names, patterns and exclusions takes, and
// the clashes of one run, over one archive; the wildcard matcher over a
// table of patterns. Each row names the fault it would catch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

struct WildcardCase {
    const char* Fault;
    const char* Pattern;
    const char* Name;
    bool Matches;
};

const WildcardCase WildcardCases[] = {
    {"'*' stopping at '/', unlike a whole-path match", "*.txt", "docs/a.txt", true},
    {"'*' matching a different ending", "*.txt", "a.txt.bak", false},
    {"'?' matching no byte or two", "a?c", "abc", true},
    {"'?' matching nothing", "a?c", "ac", false},
    {"a set not taken as a set", "f[0-9].txt", "f7.txt", true},
    {"a range matching outside its bounds", "f[0-9].txt", "fx.txt", false},
    {"a negated set matching its own members", "f[!0-9].txt", "f7.txt", false},
    {"'^' not negating like '!'", "f[^0-9].txt", "fx.txt", true},
    {"']' first in a set not taken as a member", "[]]", "]", true},
    {"an unclosed '[' not standing for itself", "a[b", "a[b", true},
    {"a backslash not quoting the next byte", "a\\*", "a*", true},
    {"a quoted '*' still matching anything", "a\\*", "ab", false},
    {"backtracking that gives up too early", "*a*b", "xaxaxb", true},
    {"a trailing '*' not matching the empty rest", "docs/*", "docs/", true},
    {"an empty pattern matching something", "", "a", false},
    {"exponential time on a hostile pattern (the test would hang)", "*a*a*a*a*a*a*a*a*a*b",
     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    {"bytes above 0x7f compared as negative chars in a range", "[\xc3-\xc4]*", "\xc3\xa4.txt", true},
};

TEST(EntrySelection, WildcardTable)
{
    for (const WildcardCase& row : WildcardCases) {
        SCOPED_TRACE(row.Fault);
        EXPECT_EQ(MatchesWildcard(row.Pattern, row.Name), row.Matches) << row.Pattern << " ~ " << row.Name;
    }
}

struct SelectionCase {
    const char* Fault;
    std::vector<std::string> Names;
    std::vector<std::string> Excluded;
    TClashCheck Clashes;
    std::vector<std::string> Taken;
    std::vector<std::string> NotFound;
    std::vector<std::string> Clashing;
};

const SelectionCase SelectionCases[] = {
    {"no names not taking every entry", {}, {}, ccNone,
     {"a.txt", "docs/", "docs/b.txt", "docs/in/c.txt", "x/b.txt", "a.txt"}, {}, {}},
    {"a folder name without '/' taking only the folder entry", {"docs"}, {}, ccNone,
     {"docs/", "docs/b.txt", "docs/in/c.txt"}, {}, {}},
    {"a folder name with '/' not taking what lies below", {"docs/"}, {}, ccNone,
     {"docs/", "docs/b.txt", "docs/in/c.txt"}, {}, {}},
    {"a name's prefix taken as its folder", {"doc"}, {}, ccNone, {}, {"doc"}, {}},
    {"a pattern matched against the last component only", {"*/b.txt"}, {}, ccNone, {"docs/b.txt", "x/b.txt"}, {}, {}},
    {"an exclusion not applied after the names", {"docs"}, {"*/in/*"}, ccNone, {"docs/", "docs/b.txt"}, {}, {}},
    {"a name whose entries are all excluded reported as not found", {"x/b.txt"}, {"x"}, ccNone, {}, {}, {}},
    {"each name not told apart in the not-found report", {"a.txt", "nope", "*.pdf"}, {}, ccNone,
     {"a.txt", "a.txt"}, {"nope", "*.pdf"}, {}},
    {"a name twice in the archive not a clash", {}, {}, ccWithFolders,
     {"a.txt", "docs/", "docs/b.txt", "docs/in/c.txt", "x/b.txt"}, {}, {"a.txt"}},
    {"flat names of different folders not a clash", {}, {}, ccFlat, {"a.txt", "docs/", "docs/b.txt", "docs/in/c.txt"},
     {}, {"x/b.txt", "a.txt"}},
    {"an excluded entry still counted as the earlier one of a clash", {}, {"docs/b.txt"}, ccFlat,
     {"a.txt", "docs/", "docs/in/c.txt", "x/b.txt"}, {}, {"a.txt"}},
};

TEST(EntrySelection, NamesPatternsExclusionsAndClashes)
{
    CraftedZip zip;
    for (const char* name : {"a.txt", "docs/", "docs/b.txt", "docs/in/c.txt", "x/b.txt", "a.txt"})
        zip.Add(StoredEntry(name, Bytes{'x'}));
    TempDir dir;
    WriteFile(dir / "s.zip", zip.Build());
    TZipArchive archive;
    ASSERT_EQ(archive.Open((dir / "s.zip").string()), akArchive);
    for (const SelectionCase& row : SelectionCases) {
        SCOPED_TRACE(row.Fault);
        TArchiveSelection selection(archive, TNameFilter{row.Names, row.Excluded}, row.Clashes);
        std::vector<std::string> taken;
        while (const TZipEntry* entry = selection.Next())
            taken.push_back(entry->FileName);
        EXPECT_EQ(taken, row.Taken);
        EXPECT_EQ(selection.Count(), taken.size());
        EXPECT_EQ(selection.TotalBytes(), taken.size());  // a byte each: clashes left out of the totals
        EXPECT_EQ(selection.NamesNotFound(), row.NotFound);
        std::vector<std::string> clashing;
        for (const TClash& clash : selection.Clashes())
            clashing.push_back(clash.EntryName);
        EXPECT_EQ(clashing, row.Clashing);
    }
}

}  // namespace
