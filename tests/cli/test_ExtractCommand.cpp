// Tests of `valbrix-cli extract` and `valbrix-cli test`, run as the program
// itself: where files land, hostile names, existing files, selection by
// name, the stderr report, the exit statuses, and passwords from a file or
// a prompt without echo. Each test names the fault
// it would catch.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include <unistd.h>

#include "CliRun.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

class ExtractCommandTest : public ::testing::Test {
protected:
    std::string Archive(const CraftedZip& zip)
    {
        WriteFile(Dir / "a.zip", zip.Build());
        return Quote((Dir / "a.zip").string());
    }
    std::string OutOption() const { return "-d " + Quote(Out().string()); }
    fs::path Out() const { return Dir / "out"; }
    std::vector<std::string> Tree(const fs::path& root) const
    {
        std::vector<std::string> names;
        for (const auto& item : fs::recursive_directory_iterator(root))
            names.push_back(fs::relative(item.path(), root).string() + (item.is_directory() ? "/" : ""));
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir Dir;
};

const Bytes Text = TextLikeData(3000, 61);

CraftedZip Nested()
{
    CraftedZip zip;
    zip.Add(StoredEntry("top.txt", Text));
    zip.Add(StoredEntry("docs/", {}));
    zip.Add(StoredEntry("docs/inner/deep.txt", Bytes(Text.begin(), Text.begin() + 100)));
    zip.Add(StoredEntry("empty/", {}));
    return zip;
}

}  // namespace

TEST_F(ExtractCommandTest, ExtractsWithFoldersOrFlat)
{
    // Folders dropped, folder entries written as files, or --flat keeping paths.
    const std::string archive = Archive(Nested());
    EXPECT_EQ(RunCli("extract " + OutOption() + " " + archive).ExitCode, ExitOk);
    EXPECT_EQ(Tree(Out()), (std::vector<std::string>{"docs/", "docs/inner/", "docs/inner/deep.txt", "empty/",
                                                     "top.txt"}));
    EXPECT_EQ(ReadFile(Out() / "top.txt"), Text);

    const fs::path flat = Dir / "flat";
    EXPECT_EQ(RunCli("extract --flat -d " + Quote(flat.string()) + " " + archive).ExitCode, ExitOk);
    EXPECT_EQ(Tree(flat), (std::vector<std::string>{"deep.txt", "top.txt"}));
}

TEST_F(ExtractCommandTest, DefaultFolderIsTheCurrentOne)
{
    // A relative archive path broken by the driver's directory changes, or
    // files put somewhere other than the current folder.
    const std::string archive = Archive(Nested());
    fs::create_directories(Out());
    const CliRun result = RunCli("extract ../a.zip", Out());
    EXPECT_EQ(result.ExitCode, ExitOk);
    EXPECT_EQ(ReadFile(Out() / "docs/inner/deep.txt").size(), 100u);
    EXPECT_EQ(ReadFile(Out() / "top.txt"), Text);
}

TEST_F(ExtractCommandTest, HostileNamesNeverLeaveTheTargetFolder)
{
    // Path traversal through "..", absolute names or drive prefixes.
    CraftedZip zip;
    zip.Add(StoredEntry("../evil.txt", Text));
    zip.Add(StoredEntry("a/../../evil2.txt", Text));
    zip.Add(StoredEntry("/abs.txt", Text));
    zip.Add(StoredEntry("C:/drive.txt", Text));
    zip.Add(StoredEntry("ok/./fine.txt", Text));
    zip.Add(StoredEntry("..", Text));
    const std::string archive = Archive(zip);
    const CliRun run = RunCli("extract " + OutOption() + " " + archive);
    EXPECT_EQ(run.ExitCode, ExitEntryFailed);
    EXPECT_NE(run.Errors.find("../evil.txt: refused"), std::string::npos) << run.Errors;
    EXPECT_NE(run.Errors.find("a/../../evil2.txt: refused"), std::string::npos) << run.Errors;
    EXPECT_EQ(Tree(Out()), (std::vector<std::string>{"abs.txt", "drive.txt", "ok/", "ok/fine.txt"}));
    EXPECT_EQ(Tree(Dir.Path()), (std::vector<std::string>{"a.zip", "out/", "out/abs.txt", "out/drive.txt", "out/ok/",
                                                         "out/ok/fine.txt"}));
}

TEST_F(ExtractCommandTest, FolderItselfAndColonNamesSucceed)
{
    // "./" and "/" folder entries (bsdtar writes "./") failing the run, or a
    // Linux name with ':' mistaken for a drive prefix and cut.
    CraftedZip zip;
    zip.Add(StoredEntry("./", {}));
    zip.Add(StoredEntry("/", {}));
    zip.Add(StoredEntry("./a:b.txt", Text));
    const CliRun run = RunCli("extract " + OutOption() + " " + Archive(zip));
    EXPECT_EQ(run.ExitCode, ExitOk) << run.Errors;
    EXPECT_EQ(Tree(Out()), std::vector<std::string>{"a:b.txt"});
}

TEST_F(ExtractCommandTest, ExistingFilesKeptUnlessOverwrite)
{
    // An existing file silently replaced, or --overwrite not replacing it.
    const std::string archive = Archive(Nested());
    fs::create_directories(Out());
    WriteFile(Out() / "top.txt", std::string("mine"));
    const CliRun kept = RunCli("extract " + OutOption() + " " + archive);
    EXPECT_EQ(kept.ExitCode, ExitOk);
    EXPECT_NE(kept.Errors.find("valbrix-cli: 1 existing file kept; --overwrite replaces them\n"), std::string::npos) << kept.Errors;
    EXPECT_EQ(ReadFile(Out() / "top.txt"), Bytes({'m', 'i', 'n', 'e'}));

    EXPECT_EQ(RunCli("extract --overwrite " + OutOption() + " " + archive).ExitCode, ExitOk);
    EXPECT_EQ(ReadFile(Out() / "top.txt"), Text);
}

TEST_F(ExtractCommandTest, NamedEntriesOnly)
{
    // Selection ignored, a name that matches nothing passing silently, or
    // a target folder made for a run with nothing to extract.
    const std::string archive = Archive(Nested());
    const CliRun missing = RunCli("extract " + OutOption() + " " + archive + " nothere.txt");
    EXPECT_EQ(missing.ExitCode, ExitEntryFailed);
    EXPECT_NE(missing.Errors.find("nothere.txt: not found"), std::string::npos) << missing.Errors;
    EXPECT_FALSE(fs::exists(Out()));
    EXPECT_EQ(RunCli("extract " + OutOption() + " " + archive + " docs/inner/deep.txt").ExitCode, ExitOk);
    EXPECT_EQ(Tree(Out()), (std::vector<std::string>{"docs/", "docs/inner/", "docs/inner/deep.txt"}));
}

TEST_F(ExtractCommandTest, FailedEntriesReportedAndCounted)
{
    // A failed entry unreported, a wrong exit status, or the remaining entries not tried.
    CraftedZip zip;
    CraftedEntry bad = StoredEntry("bad.txt", Text);
    bad.Crc32 ^= 1;
    CraftedEntry locked = StoredEntry("locked.txt", Text);
    locked.Flags = 1;
    zip.Add(bad);
    zip.Add(locked);
    zip.Add(StoredEntry("good.txt", Text));
    const std::string archive = Archive(zip);
    const CliRun extract = RunCli("extract " + OutOption() + " " + archive);
    EXPECT_EQ(extract.ExitCode, ExitEntryFailed);
    EXPECT_EQ(extract.Errors, "valbrix-cli: bad.txt: CRC mismatch\n"
                              "valbrix-cli: locked.txt: encrypted, and no password was given (use --password-file FILE)\n");
    EXPECT_EQ(Tree(Out()), std::vector<std::string>{"good.txt"});

    const CliRun test = RunCli("test " + archive);
    EXPECT_EQ(test.ExitCode, ExitEntryFailed);
    EXPECT_EQ(test.Errors, extract.Errors);
}

TEST_F(ExtractCommandTest, TruncatedDownloadGivesItsWholeEntries)
{
    // A cut archive refused as a whole, its whole entries not written, the
    // cut one written in part, or the damage not told by the exit status.
    CraftedZip zip;
    for (const char* name : {"a.txt", "sub/b.txt", "c.txt"})
        zip.Add(StoredEntry(name, Text));
    Bytes bytes = zip.Build();
    bytes.resize(zip.LocalHeaderOffset(2) + 30 + 5 + 1000);  // inside c.txt's data
    WriteFile(Dir / "cut.zip", bytes);
    const std::string archive = Quote((Dir / "cut.zip").string());
    const std::string told = "3 entries were read from the local headers";
    for (const char* command : {"extract ", "test "}) {
        const CliRun run = RunCli(command + (command[0] == 'e' ? OutOption() + " " : std::string()) + archive);
        EXPECT_EQ(run.ExitCode, ExitCannotOpen) << command;
        EXPECT_NE(run.Errors.find(told), std::string::npos) << command << run.Errors;
        EXPECT_NE(run.Errors.find("c.txt: "), std::string::npos) << command << run.Errors;
    }
    EXPECT_EQ(Tree(Out()), (std::vector<std::string>{"a.txt", "sub/", "sub/b.txt"}));
    EXPECT_EQ(ReadFile(Out() / "sub/b.txt"), Text);
}

TEST_F(ExtractCommandTest, OutputFailureLinesNameTheCause)
{
    // A failed output step whose line reads the same for every cause: a name
    // too long for the file system looking like a full disk or missing rights.
    CraftedZip zip;
    zip.Add(StoredEntry(std::string(300, 'n'), Text));
    zip.Add(StoredEntry("blocker", Text));
    zip.Add(StoredEntry("blocker/inner.txt", Text));
    const CliRun run = RunCli("extract " + OutOption() + " " + Archive(zip));
    EXPECT_EQ(run.ExitCode, ExitEntryFailed);
    EXPECT_NE(run.Errors.find(": cannot write the file: File name too long\n"),
              std::string::npos)
        << run.Errors;
    EXPECT_NE(run.Errors.find("blocker/inner.txt: cannot write the file: "), std::string::npos)
        << run.Errors;
}

TEST_F(ExtractCommandTest, TestCommandWritesNothing)
{
    // The test mode creating files, failing a sound archive, or counting the
    // folder entries it skipped as tested.
    const std::string archive = Archive(Nested());
    const CliRun result = RunCli("test a.zip", Dir.Path());
    EXPECT_EQ(result.ExitCode, ExitOk);
    EXPECT_EQ(result.Output, "2 entries tested, 0 failed\n");
    EXPECT_EQ(Tree(Dir.Path()), std::vector<std::string>{"a.zip"});
}

TEST_F(ExtractCommandTest, UnopenableArchiveOrBadArgumentsExitTwo)
{
    // A missing or non-archive file treated as an empty archive (exit 0).
    WriteFile(Dir / "not.zip", std::string("just text, no archive"));
    EXPECT_EQ(RunCli("extract " + OutOption() + " " + Quote((Dir / "not.zip").string())).ExitCode, ExitCannotOpen);
    EXPECT_EQ(RunCli("extract " + OutOption() + " " + Quote((Dir / "missing.zip").string())).ExitCode, ExitCannotOpen);
    EXPECT_EQ(RunCli("test " + Quote((Dir / "missing.zip").string())).ExitCode, ExitCannotOpen);
    EXPECT_EQ(RunCli("extract --bogus x.zip").ExitCode, ExitUsage);
    EXPECT_EQ(RunCli("extract -d").ExitCode, ExitUsage);
    EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(ExtractCommandTest, ErrorLinesEscapeNames)
{
    // An entry or asked-for name printed raw on stderr: a newline forging a
    // second report line, an escape sequence reaching the terminal.
    CraftedZip zip;
    CraftedEntry bad = StoredEntry("bad\nname\x1b[2J", Text);
    bad.Crc32 ^= 1;
    zip.Add(bad);
    const CliRun run = RunCli("extract " + OutOption() + " " + Archive(zip) + " " + Quote("bad\nname\x1b[2J") + " " +
                              Quote("a\\b"));
    EXPECT_EQ(run.ExitCode, ExitEntryFailed);
    EXPECT_EQ(run.Errors, "valbrix-cli: a\\\\b: not found in the archive\nvalbrix-cli: bad\\nname\\x1b[2J: CRC mismatch\n");
}

TEST_F(ExtractCommandTest, DeepTargetFolderWithShortNames)
{
    // The 259-byte limit of entry names applied to the whole output path: a
    // short entry below a deep target folder refused with 2.
    fs::path deep = Out();
    while (deep.string().size() < 400)
        deep /= std::string(60, 'd');
    const std::string archive = Archive(Nested());
    const CliRun run = RunCli("extract -d " + Quote(deep.string()) + " " + archive);
    EXPECT_EQ(run.ExitCode, ExitOk) << run.Errors;
    EXPECT_EQ(ReadFile(deep / "docs/inner/deep.txt"), Bytes(Text.begin(), Text.begin() + 100));
}

TEST_F(ExtractCommandTest, UnreadableCurrentFolderFailsWithTwo)
{
    // A relative target when the current folder cannot be named (it was
    // removed) taken as '/': files written to the root of the file system.
    const std::string archive = Archive(Nested());
    fs::create_directory(Dir / "gone");
    const CommandResult result = RunCommand("cd " + Quote((Dir / "gone").string()) + " && rmdir ../gone && " +
                                            VALBRIX_CLI + " extract -d rel " + archive + " 2>/dev/null");
    EXPECT_EQ(result.ExitCode, ExitCannotOpen);
    EXPECT_FALSE(fs::exists("/rel"));
    EXPECT_FALSE(fs::exists("/top.txt"));
}

TEST_F(ExtractCommandTest, TargetBelowReadOnlyFolderFailsWithTwo)
{
    // A target folder that cannot be made passing silently, or the run going
    // on to fail every entry one by one. Read-only for a normal user, the
    // immutable flag for root (who ignores permissions); skipped where neither holds.
    const fs::path locked = Dir / "locked";
    fs::create_directory(locked);
    const bool root = geteuid() == 0;
    const bool isLocked = root ? RunCommand("chattr +i " + Quote(locked.string()) + " 2>/dev/null").ExitCode == 0
                               : (fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec), true);
    if (!isLocked) {
        std::cout << "[ SKIPPED  ] cannot make a folder read-only here\n";
        return;
    }
    const CliRun run = RunCli("extract -d " + Quote((locked / "new/out").string()) + " " + Archive(Nested()));
    if (root)
        RunCommand("chattr -i " + Quote(locked.string()));
    else
        fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(run.ExitCode, ExitCannotOpen);
    EXPECT_NE(run.Errors.find("/locked/new/out' cannot be used: "), std::string::npos) << run.Errors;
    EXPECT_EQ(run.Errors.find("top.txt"), std::string::npos) << run.Errors;
    EXPECT_FALSE(fs::exists(locked / "new"));
}

TEST_F(ExtractCommandTest, WorkerCountChangesNothingSeen)
{
    // Lines out of archive order with several workers, a different exit
    // status or different files for another -j, the flat-name clash written
    // twice instead of kept and reported, and a bad -j accepted.
    CraftedZip zip;
    for (int i = 0; i < 30; ++i) {
        CraftedEntry entry = StoredEntry("d" + std::to_string(i % 3) + "/f" + std::to_string(i % 10), Text);
        if (i % 4 == 1)
            entry.Crc32 ^= 1;
        zip.Add(entry);
    }
    const std::string archive = Archive(zip);
    std::string firstErrors;
    std::vector<std::string> firstTree;
    for (const char* jobs : {"-j 1", "-j 2", "-j4"}) {
        SCOPED_TRACE(jobs);
        fs::remove_all(Out());
        const CliRun run = RunCli(std::string("extract --flat ") + jobs + " " + OutOption() + " " + archive);
        EXPECT_EQ(run.ExitCode, ExitEntryFailed);
        if (firstErrors.empty()) {
            firstErrors = run.Errors;
            firstTree = Tree(Out());
            EXPECT_NE(firstErrors.find("d1/f1: CRC mismatch\n"), std::string::npos) << firstErrors;
            EXPECT_NE(firstErrors.find("d1/f0: same name as an earlier entry of this run (f0), not written\n"), std::string::npos) << firstErrors;
        }
        EXPECT_EQ(run.Errors, firstErrors);
        EXPECT_EQ(Tree(Out()), firstTree);
    }
    for (const char* bad : {"-j 0", "-j x", "-j"})
        EXPECT_EQ(RunCli(std::string("extract ") + bad + " " + OutOption() + " " + archive).ExitCode, ExitUsage) << bad;
}

TEST_F(ExtractCommandTest, NoChangeOfTheCurrentDirectory)
{
    // A chdir or fchdir anywhere in an extraction (no second thread could
    // extract, and relative paths would move under it).
    REQUIRE_TOOL("strace");
    const std::string archive = Archive(Nested());
    const CommandResult traced =
        // The leak check of a sanitizer build cannot run under a tracer; it has its own stage.
        RunCommand("ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 strace -f -qq -e trace=chdir,fchdir " +
                   std::string(VALBRIX_CLI) + " extract -j 2 " + OutOption() +
                   " " + archive + " 2>&1 >/dev/null");
    if (traced.Output.find("PTRACE") != std::string::npos || traced.Output.find("Operation not permitted") != std::string::npos)
        GTEST_SKIP() << "tracing not permitted here; case skipped";
    EXPECT_EQ(traced.ExitCode, ExitOk) << traced.Output;
    EXPECT_EQ(traced.Output.find("chdir("), std::string::npos) << traced.Output;
    EXPECT_TRUE(fs::exists(Out() / "docs/inner/deep.txt"));
}

TEST_F(ExtractCommandTest, PasswordFromFile)
{
    // The password file's line end taken into the password, the file's
    // password not reaching `test`, a wrong password reported as success or
    // leaving files, an unreadable password file passed over silently, or
    // '-' not read as standard input.
    REQUIRE_TOOL("zip");
    fs::create_directories(Dir / "in");
    WriteFile(Dir / "in" / "a.txt", Text);
    WriteFile(Dir / "in" / "b.txt", Bytes(Text.begin(), Text.begin() + 500));
    const std::string archive = Quote((Dir / "a.zip").string());
    ASSERT_EQ(RunCommand("cd " + Quote((Dir / "in").string()) + " && zip -q -P 'pass word' " + archive + " a.txt b.txt")
                  .ExitCode,
              ExitOk);
    const std::string passwordFile = Quote((Dir / "password").string());
    for (const char* content : {"pass word\n", "pass word\r\nsecond line\n", "pass word"}) {
        SCOPED_TRACE(content);
        WriteFile(Dir / "password", std::string(content));
        fs::remove_all(Out());
        const CliRun extract = RunCli("extract --password-file " + passwordFile + " " + OutOption() + " " + archive);
        EXPECT_EQ(extract.ExitCode, ExitOk) << extract.Errors;
        EXPECT_TRUE(ReadFile(Out() / "a.txt") == Text);
        EXPECT_EQ(RunCli("test --password-file " + passwordFile + " " + archive).ExitCode, ExitOk);
    }

    WriteFile(Dir / "password", std::string("wrong\n"));
    fs::remove_all(Out());
    const CliRun wrong = RunCli("extract --password-file " + passwordFile + " " + OutOption() + " " + archive);
    EXPECT_EQ(wrong.ExitCode, ExitEntryFailed);
    EXPECT_EQ(wrong.Errors, "valbrix-cli: a.txt: wrong password or damaged data\nvalbrix-cli: b.txt: wrong password or damaged data\n");
    EXPECT_EQ(Tree(Out()), std::vector<std::string>{});
    EXPECT_EQ(RunCli("test --password-file " + passwordFile + " " + archive).Errors, wrong.Errors);

    EXPECT_EQ(RunCli("extract --password-file " + Quote((Dir / "none").string()) + " " + OutOption() + " " + archive)
                  .ExitCode,
              ExitCannotOpen);
    EXPECT_EQ(RunCli("test --password-file " + Quote((Dir / "none").string()) + " " + archive).ExitCode, ExitCannotOpen);

    // '-' is standard input, not a file of that name.
    WriteFile(Dir / "password", std::string("pass word\n"));
    EXPECT_EQ(RunCli("test --password-file - " + archive + " <" + passwordFile).ExitCode, ExitOk);
}

// Runs valbrix-cli on a pseudo-terminal: `reply` is typed once "Password
// for" shows (nothing is typed when it is empty); "\x03" is Ctrl+C. The
// output is what the terminal showed, then "exit=N" and "echo=0|1", the
// terminal's echo once the program is gone.
const char* const TerminalScript = R"(
import os, pty, sys, termios
reply = sys.argv[1].encode().decode('unicode_escape').encode('latin-1')
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[2], sys.argv[2:])
seen = b''
if reply:
    while b'Password for' not in seen:
        seen += os.read(fd, 1024)
    os.write(fd, reply)
while True:
    try:
        chunk = os.read(fd, 1024)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
_, status = os.waitpid(pid, 0)
echo = 1 if termios.tcgetattr(fd)[3] & termios.ECHO else 0
sys.stdout.write(seen.decode('utf-8', 'replace'))
sys.stdout.write('\nexit=%d\necho=%d\n' % (os.waitstatus_to_exitcode(status), echo))
)";

TEST_F(ExtractCommandTest, PasswordPromptAtATerminalHasNoEcho)
{
    // A prompt that echoes the password to the terminal, that names no
    // entry, or whose answer is not used; Ctrl+C at the prompt of extract or
    // test leaving the terminal without echo, or extract not ending with 130.
    REQUIRE_TOOL("zip");
    REQUIRE_TOOL("python3");
    fs::create_directories(Dir / "in");
    WriteFile(Dir / "in" / "a.txt", Text);
    const std::string archive = (Dir / "a.zip").string();
    ASSERT_EQ(
        RunCommand("cd " + Quote((Dir / "in").string()) + " && zip -q -P hidden-secret " + Quote(archive) + " a.txt")
            .ExitCode,
        ExitOk);
    WriteFile(Dir / "terminal.py", std::string(TerminalScript));
    const auto onTerminal = [&](const std::string& reply, const std::string& arguments) {
        return RunCommand("timeout 60 python3 " + Quote((Dir / "terminal.py").string()) + " " + Quote(reply) + " " +
                          VALBRIX_CLI + " " + arguments).Output;
    };
    const std::string run = onTerminal("hidden-secret\\n", "extract -d " + Quote(Out().string()) + " " + Quote(archive));
    EXPECT_NE(run.find("Password for a.txt: "), std::string::npos) << run;
    EXPECT_EQ(run.find("hidden-secret"), std::string::npos) << "the password was echoed";
    EXPECT_NE(run.find("exit=0"), std::string::npos) << run;
    EXPECT_TRUE(fs::exists(Out() / "a.txt") && ReadFile(Out() / "a.txt") == Text);

    fs::remove_all(Out());
    const std::string stopped = onTerminal("\\x03", "extract -d " + Quote(Out().string()) + " " + Quote(archive));
    EXPECT_NE(stopped.find("exit=130\necho=1"), std::string::npos) << stopped;
    const std::string stoppedTest = onTerminal("\\x03", "test " + Quote(archive));
    EXPECT_NE(stoppedTest.find("echo=1"), std::string::npos) << stoppedTest;
    EXPECT_TRUE(stoppedTest.find("exit=130") != std::string::npos || stoppedTest.find("exit=-2") != std::string::npos)
        << stoppedTest;
}

TEST_F(ExtractCommandTest, ProgressAndSummaryOnlyOnATerminal)
{
    // No summary on a terminal, one in a script's log, or a progress line left standing.
    REQUIRE_TOOL("python3");
    const std::string archive = Archive(Nested());
    WriteFile(Dir / "terminal.py", std::string(TerminalScript));
    const std::string shown = RunCommand("timeout 60 python3 " + Quote((Dir / "terminal.py").string()) + " '' " +
                                         VALBRIX_CLI + " extract -d " + Quote(Out().string()) + " " + archive)
                                  .Output;
    EXPECT_NE(shown.find("valbrix-cli: 2 files, 3.1 kB in "), std::string::npos) << shown;
    EXPECT_NE(shown.find("exit=0"), std::string::npos) << shown;
    fs::remove_all(Out());
    EXPECT_EQ(RunCli("extract " + OutOption() + " " + archive).Errors, "");
}
