// valbrix-cli as a script author meets it, run as the program itself: where
// options may stand, what each failure says on stderr, and which exit
// status it gives. One table; each row names the fault it would catch.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliRun.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

struct CliCase {
    const char* Fault;
    const char* Args;       // after "valbrix-cli", run in the scratch folder
    int Exit;
    const char* Stderr;     // must appear on stderr ("" : stderr must be empty)
    const char* Stdout;     // must appear on stdout
    const char* Made = "";    // a path below the scratch folder that must exist afterwards
    const char* Absent = "";  // one that must not
    bool WholeStdout = false; // Stdout is all of stdout
};

const CliCase Cases[] = {
    {"options after the archive taken as names, files put in the current folder",
     "extract a.zip a.txt -d out", ExitOk, "", "", "out/a.txt"},
    {"'--' not ending the options: a name starting with '-' cannot be asked for",
     "extract -d out -- a.zip -dash.txt", ExitOk, "", "", "out/-dash.txt"},
    {"bundled short options and an attached value refused", "extract -qj2 -dout a.zip a.txt", ExitOk, "", "", "out/a.txt"},
    {"a long option's '=value' form refused", "extract --jobs=2 -d out a.zip a.txt", ExitOk, "", "", "out/a.txt"},
    {"--help after the command read as the archive", "list --help", ExitOk, "", "Usage: valbrix-cli list"},
    {"-h of one command showing another's help", "extract -h", ExitOk, "", "Usage: valbrix-cli extract"},
    {"no --version", "--version", ExitOk, "", "valbrix-cli "},
    {"an unknown option only repeating the usage line", "extract --bogus a.zip", ExitUsage,
     "valbrix-cli: extract: unknown option '--bogus'", ""},
    {"-j 0 accepted, or its range not said", "extract -j 0 a.zip", ExitUsage, "-j takes a number from 1 to 256, not '0'", ""},
    {"an option's missing value swallowing nothing silently", "extract a.zip -d", ExitUsage, "option '-d' needs a value", ""},
    {"an unknown command passing", "frobnicate a.zip", ExitUsage, "valbrix-cli: unknown command 'frobnicate'", ""},
    {"a missing archive reading like a file that is no ZIP", "list missing.zip", ExitCannotOpen,
     "valbrix-cli: 'missing.zip': cannot open: No such file or directory", ""},
    {"a folder as archive reading like a file that is no ZIP", "list out", ExitCannotOpen, "'out': cannot open: Is a directory", ""},
    {"a text file not told apart", "test text.zip", ExitCannotOpen, "'text.zip': not a ZIP archive", ""},
    {"a cut-off ZIP not read through by its local headers", "list cut.zip", ExitCannotOpen,
     "'cut.zip': the archive is damaged; 1 entry was read from the local headers", ""},
    {"a target folder under a file failing without its reason", "extract -d text.zip/x a.zip", ExitCannotOpen,
     "target folder 'text.zip/x' cannot be used: Not a directory", ""},
    {"a CRC failure worded as a bare code", "test bad.zip crc.txt", ExitEntryFailed, "valbrix-cli: crc.txt: CRC mismatch\n", ""},
    {"an unsupported method worded as a bare code, unnamed", "test bad.zip ppmd.txt", ExitEntryFailed,
     "valbrix-cli: ppmd.txt: unsupported method PPMd (98)\n", ""},
    {"an encrypted entry's failure not pointing at --password-file", "test bad.zip locked.txt", ExitEntryFailed,
     "locked.txt: encrypted, and no password was given (use --password-file FILE)", ""},
    {"\"1 entries tested\"", "test a.zip a.txt", ExitOk, "", "1 entry tested, 0 failed"},
    {"existing files listed one line each without -v", "extract -d full a.zip", ExitOk,
     "valbrix-cli: 4 existing files kept; --overwrite replaces them\n", ""},
    {"-v not listing the kept files", "extract -v -d full a.zip a.txt", ExitOk,
     "valbrix-cli: a.txt: exists, kept (--overwrite replaces it)\n", ""},
    {"-q not silencing the kept-files count", "extract -q -d full a.zip", ExitOk, "", ""},
    {"an empty password file used as the empty password", "test --password-file empty.txt a.zip", ExitCannotOpen,
     "password file 'empty.txt' cannot be used: its first line is empty", ""},
    {"a folder as password file passing", "test --password-file out a.zip", ExitCannotOpen,
     "password file 'out' cannot be read: Is a directory", ""},
    {"wildcards taken as exact names", "extract -d out a.zip '*.txt' -x 'sub/*'", ExitOk, "", "", "out/a.txt", "out/sub"},
    {"a folder name extracting only the empty folder entry", "extract -d out a.zip sub", ExitOk, "", "", "out/sub/n.txt",
     "out/a.txt"},
    {"-x ignored, or not repeatable", "extract -d out a.zip -x sub -x '-*'", ExitOk, "", "", "out/a.txt", "out/-dash.txt"},
    {"a name in list's escaped form not selecting its entry", "extract -d out a.zip 'tab\\tname.txt'", ExitOk, "", "",
     "out/tab\tname.txt"},
    {"a pattern that matches nothing passing silently", "extract -d out a.zip '*.pdf' a.txt", ExitEntryFailed,
     "valbrix-cli: *.pdf: not found in the archive\n", "", "out/a.txt"},
    {"a --flat clash passing as 'exists, kept' with exit 0", "extract --flat -d out dup.zip", ExitEntryFailed,
     "valbrix-cli: d2/f.txt: same name as an earlier entry of this run (f.txt), not written\n", "", "out/f.txt"},
    {"--overwrite letting a later entry of the run replace an earlier one", "extract --flat --overwrite -d out dup.zip",
     ExitEntryFailed, "d2/f.txt: same name as an earlier entry of this run", ""},
    {"the same name twice in an archive passing", "extract -d out dup.zip twice.txt", ExitEntryFailed,
     "valbrix-cli: twice.txt: same name as an earlier entry of this run", "", "out/twice.txt"},
    {"-p writing anything but the entry's bytes to stdout", "extract -p a.zip hello.txt", ExitOk, "", "hello\n", "", "",
     true},
    {"-p writing files", "extract --stdout a.zip 'h*'", ExitOk, "", "hello\n", "", "hello.txt", true},
    {"'-' as archive not read from standard input", "list - <a.zip", ExitOk, "", "\thello.txt\n"},
    {"'-' for extract not read from standard input", "extract -d out - hello.txt <a.zip", ExitOk, "", "", "out/hello.txt"},
    {"standard input taken for both the archive and the password", "test --password-file - - <a.zip", ExitUsage,
     "standard input cannot carry both the archive and the password", ""},
    {"test NAME testing other entries too", "test bad.zip -x crc.txt ppmd.txt", ExitEntryFailed,
     "valbrix-cli: ppmd.txt: unsupported method PPMd (98)\n", "1 entry tested, 1 failed"},
    {"list -v without its header and time zone", "list -v a.zip", ExitOk, "", "Modified ("},
    {"list -v without method names and the encryption mark", "list -v bad.zip", ExitOk, "", "Stored *"},
    {"list -v without a totals line", "list -v bad.zip", ExitOk, "", "3 files; * encrypted\n"},
};

class CommandLineTest : public ::testing::TestWithParam<CliCase> {
protected:
    void SetUp() override
    {
        const Bytes text = TextLikeData(500, 7);
        CraftedZip plain;
        plain.Add(StoredEntry("a.txt", text));
        plain.Add(StoredEntry("-dash.txt", text));
        plain.Add(StoredEntry("sub/n.txt", text));
        plain.Add(StoredEntry("hello.txt", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}));
        plain.Add(StoredEntry("tab\tname.txt", text));
        WriteFile(Dir / "a.zip", plain.Build());

        CraftedZip bad;
        CraftedEntry crc = StoredEntry("crc.txt", text);
        crc.Crc32 ^= 1;
        CraftedEntry ppmd = StoredEntry("ppmd.txt", text);
        ppmd.Method = 98;  // PPMd: named, not decoded
        CraftedEntry locked = StoredEntry("locked.txt", text);
        locked.Flags = 1;  // traditional encryption
        bad.Add(crc);
        bad.Add(ppmd);
        bad.Add(locked);
        WriteFile(Dir / "bad.zip", bad.Build());

        CraftedZip dup;
        dup.Add(StoredEntry("d1/f.txt", text));
        dup.Add(StoredEntry("d2/f.txt", text));
        dup.Add(StoredEntry("twice.txt", text));
        dup.Add(StoredEntry("twice.txt", text));
        WriteFile(Dir / "dup.zip", dup.Build());

        const Bytes whole = plain.Build();
        WriteFile(Dir / "cut.zip", Bytes(whole.begin(), whole.begin() + 100));
        WriteFile(Dir / "text.zip", std::string("just text, no archive"));
        WriteFile(Dir / "empty.txt", std::string());
        fs::create_directories(Dir / "out");
        fs::create_directories(Dir / "full/sub");
        for (const char* name : {"a.txt", "-dash.txt", "sub/n.txt", "hello.txt"})
            WriteFile(Dir / "full" / name, std::string("mine"));
    }
    TempDir Dir;
};

TEST_P(CommandLineTest, ExitStatusAndMessages)
{
    const CliCase& row = GetParam();
    SCOPED_TRACE(row.Fault);
    const CliRun run = RunCli(row.Args, Dir.Path());
    const std::string& errors = run.Errors;
    EXPECT_EQ(run.ExitCode, row.Exit) << errors;
    if (*row.Stderr == '\0') {
        EXPECT_EQ(errors, "");
    } else {
        EXPECT_NE(errors.find(row.Stderr), std::string::npos) << errors;
    }
    if (row.WholeStdout) {
        EXPECT_EQ(run.Output, row.Stdout);
    } else {
        EXPECT_NE(run.Output.find(row.Stdout), std::string::npos) << run.Output;
    }
    if (*row.Made != '\0') {
        EXPECT_TRUE(fs::exists(Dir / row.Made)) << row.Made;
    }
    if (*row.Absent != '\0') {
        EXPECT_FALSE(fs::exists(Dir / row.Absent)) << row.Absent;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CommandLineTest, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return "Row" + std::to_string(info.index); });

}  // namespace
