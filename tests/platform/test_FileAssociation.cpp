// The ZIP association's transforms and files: Exec quoting both ways, the
// desktop entry, the mimeapps.list rewrite over existing, foreign and missing
// files, the "is ours" check, and the written files as the desktop's own
// tools read them (desktop-file-validate, xdg-mime), in a scratch XDG folder.
#include <filesystem>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

#include <gtest/gtest.h>

#include "support/TestFiles.h"
#include "platform/FileAssociation.h"

using namespace valbrix::platform;
using valbrix::test::Quote;
using valbrix::test::ReadFile;
using valbrix::test::RunCommand;
using valbrix::test::TempDir;
using valbrix::test::WriteFile;

namespace {

std::string ReadText(const std::filesystem::path& path)
{
    const auto bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Catches paths with blanks or shell characters written unquoted (the desktop
// would split them or expand them), escapes applied in the wrong order, a
// lone '%' read as a field code, and a reader that cannot undo its writer.
TEST(FileAssociation, ExecQuotingFollowsTheDesktopEntryRules)
{
    const struct {
        std::string path, exec;
    } cases[] = {
        {"/usr/bin/valbrix", "/usr/bin/valbrix"},
        {"/opt/Mein Programm/valbrix", "\"/opt/Mein Programm/valbrix\""},
        {"/opt/a$b/valbrix", "\"/opt/a\\\\$b/valbrix\""},     // \$ quoted, then the backslash escaped
        {"/opt/a\\b/valbrix", "\"/opt/a\\\\\\\\b/valbrix\""}, // a backslash takes four
        {"/opt/\"x\"/valbrix", "\"/opt/\\\\\"x\\\\\"/valbrix\""},
        {"/opt/100%/valbrix", "/opt/100%%/valbrix"},
        {"/opt/it's/valbrix", "\"/opt/it's/valbrix\""},
        {"/opt/tab\there/valbrix", "\"/opt/tab\\there/valbrix\""},
        {"/home/jörg/bin/valbrix", "/home/jörg/bin/valbrix"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(QuoteExecArgument(c.path), c.exec);
        EXPECT_EQ(ExecProgram(QuoteExecArgument(c.path) + " %f"), c.path);
    }
    EXPECT_EQ(ExecProgram("\"/opt/no end %f"), "");
}

// Catches a desktop entry without the file argument, the MIME types or the
// quoting, and a value reader that picks keys from other groups.
TEST(FileAssociation, DesktopEntryStartsTheProgramWithOneFile)
{
    const std::string text = DesktopEntryText("/opt/Mein Programm/valbrix");
    EXPECT_EQ(DesktopEntryValue(text, "Exec"), "\"/opt/Mein Programm/valbrix\" %f");
    EXPECT_EQ(DesktopEntryValue(text, "MimeType"), "application/zip;application/x-zip-compressed;");
    EXPECT_EQ(DesktopEntryValue(text, "Type"), "Application");
    EXPECT_EQ(DesktopEntryValue("[Desktop Action x]\nExec=other\n[Desktop Entry]\nName=n\n", "Exec"), "");
}

// Catches lost foreign lines (other defaults, other groups, comments), our
// types set twice or in the wrong group, a missing file not starting a new
// one, and a second rewrite that changes anything.
TEST(FileAssociation, MimeappsRewriteKeepsEveryOtherLine)
{
    const struct {
        const char* name;
        std::string before, after;
    } cases[] = {
        {"missing file", "",
         "[Default Applications]\napplication/zip=valbrix.desktop\napplication/x-zip-compressed=valbrix.desktop\n"},
        {"our types replaced in place, others kept",
         "# mine\n[Added Associations]\napplication/zip=ark.desktop;\n\n[Default Applications]\n"
         "text/plain=gedit.desktop\napplication/zip=ark.desktop;\nimage/png=eog.desktop\n\n"
         "[Removed Associations]\napplication/pdf=x.desktop;\n",
         "# mine\n[Added Associations]\napplication/zip=ark.desktop;\n\n[Default Applications]\n"
         "text/plain=gedit.desktop\napplication/zip=valbrix.desktop\nimage/png=eog.desktop\n"
         "application/x-zip-compressed=valbrix.desktop\n\n"
         "[Removed Associations]\napplication/pdf=x.desktop;\n"},
        {"no defaults group yet", "[Added Associations]\ntext/plain=gedit.desktop;",
         "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
         "application/zip=valbrix.desktop\napplication/x-zip-compressed=valbrix.desktop\n"},
        {"CRLF lines and spaces round the key kept",
         "[Default Applications]\r\ntext/plain = gedit.desktop\r\napplication/x-zip-compressed = ark.desktop\r\n",
         "[Default Applications]\r\ntext/plain = gedit.desktop\r\napplication/x-zip-compressed=valbrix.desktop\n"
         "application/zip=valbrix.desktop\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string once = WithDefaultApplication(c.before, AssociationDesktopId);
        EXPECT_EQ(once, c.after);
        EXPECT_EQ(WithDefaultApplication(once, AssociationDesktopId), once);
        EXPECT_EQ(DefaultApplication(once, "application/zip"), "valbrix.desktop");
    }
}

// Catches a box ticked for another program, for a program whose name merely
// starts with ours, for a default set in the wrong group or for one type
// only, and a box left unticked for our own quoted entry or a case change.
TEST(FileAssociation, OursOnlyWhenBothDefaultsAndTheExecLineAreOurs)
{
    const std::string ours = WithDefaultApplication("", AssociationDesktopId);
    const std::string program = "/opt/Mein Programm/valbrix";
    const struct {
        const char* name;
        std::string mimeapps, desktop;
        bool expected;
    } cases[] = {
        {"written by us", ours, DesktopEntryText(program), true},
        {"path differs in case only", ours, DesktopEntryText("/OPT/mein programm/VALBRIX"), true},
        {"another program", ours, DesktopEntryText("/usr/bin/ark"), false},
        {"a program whose name starts with ours", ours, DesktopEntryText(program + "-alt"), false},
        {"a second, empty defaults group after ours",
         ours + "[Default Applications]\n", DesktopEntryText(program), true},
        {"x-zip default elsewhere",
         "[Default Applications]\napplication/zip=valbrix.desktop\napplication/x-zip-compressed=ark.desktop\n",
         DesktopEntryText(program), false},
        {"default only under Added Associations",
         "[Added Associations]\napplication/zip=valbrix.desktop\napplication/x-zip-compressed=valbrix.desktop\n",
         DesktopEntryText(program), false},
        {"our entry second in the list", "[Default Applications]\napplication/zip=ark.desktop;valbrix.desktop\n"
         "application/x-zip-compressed=valbrix.desktop\n", DesktopEntryText(program), false},
        {"no desktop entry", ours, "", false},
        {"nothing at all", "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsAssociationOurs(c.mimeapps, c.desktop, program), c.expected);
    }
}

// Catches missing folders not created, foreign lines of an existing file
// lost, a symbolic link replaced by a plain file, temporary files left
// behind, and the check not reading what the writer wrote.
TEST(FileAssociation, WritesBothFilesAndKeepsTheRest)
{
    TempDir dir;
    const TXdgFolders folders{(dir / "data").string(), (dir / "config").string()};
    const std::string program = "/opt/Mein Programm/valbrix";
    std::filesystem::create_directories(dir / "dotfiles");
    WriteFile(dir / "dotfiles" / "mimeapps.list", std::string("[Default Applications]\ntext/plain=gedit.desktop\n"));
    std::filesystem::create_directories(dir / "config");
    std::filesystem::create_symlink(dir / "dotfiles" / "mimeapps.list", dir / "config" / "mimeapps.list");

    EXPECT_FALSE(AssociationIsOurs(folders, program));
    EXPECT_TRUE(WriteAssociation(folders, program).Succeeded());
    EXPECT_TRUE(AssociationIsOurs(folders, program));
    EXPECT_FALSE(AssociationIsOurs(folders, "/usr/bin/valbrix"));

    EXPECT_TRUE(std::filesystem::is_symlink(dir / "config" / "mimeapps.list"));
    const std::string mimeapps = ReadText(dir / "dotfiles" / "mimeapps.list");
    EXPECT_NE(mimeapps.find("text/plain=gedit.desktop\n"), std::string::npos) << mimeapps;
    EXPECT_EQ(ReadText(folders.DesktopEntryPath()), DesktopEntryText(program));
    for (const auto& folder : {dir / "data" / "applications", dir / "dotfiles"})
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            EXPECT_FALSE(entry.path().filename().string().starts_with(".valbrix-")) << entry.path();
}

// Catches a write reported as done when the folder cannot be made.
TEST(FileAssociation, FailedWriteIsReported)
{
    TempDir dir;
    WriteFile(dir / "data", std::string("a file where a folder belongs"));
    const TXdgFolders folders{(dir / "data").string(), (dir / "config").string()};
    const TAssociationResult result = WriteAssociation(folders, "/usr/bin/valbrix");
    EXPECT_FALSE(result.DesktopEntryWritten);
    EXPECT_TRUE(result.DefaultWritten);
    EXPECT_FALSE(result.Succeeded());
}

// Catches a mimeapps.list that exists but cannot be read being taken for
// an empty one and rewritten with only our lines (every other association
// of the user lost), and the refusal not reported or stopping the desktop
// entry, which is written on its own.
TEST(FileAssociation, UnreadableMimeappsIsLeftAlone)
{
    const std::string foreign = "[Default Applications]\ntext/plain=gedit.desktop\n";
    const struct {
        const char* name;
        int error;
    } cases[] = {{"unreadable file", EACCES}, {"folder", EISDIR}, {"pipe", ENODEV}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const TXdgFolders folders{(dir / "data").string(), (dir / "config").string()};
        const std::filesystem::path mimeapps = folders.MimeappsPath();
        std::filesystem::create_directories(dir / "config");
        if (c.error == EACCES) {
            if (::geteuid() == 0) {
                std::cout << "[ SKIPPED  ] running as root, who reads every file; unreadable file case skipped\n";
                continue;
            }
            WriteFile(mimeapps, foreign);
            std::filesystem::permissions(mimeapps, std::filesystem::perms::none);
        } else if (c.error == EISDIR) {
            std::filesystem::create_directory(mimeapps);
        } else {
            ASSERT_EQ(::mkfifo(mimeapps.c_str(), 0600), 0);
        }
        const TAssociationResult result = WriteAssociation(folders, "/usr/bin/valbrix");
        EXPECT_EQ(result.MimeappsReadError, c.error);
        EXPECT_FALSE(result.DefaultWritten);
        EXPECT_TRUE(result.DesktopEntryWritten);
        EXPECT_FALSE(result.Succeeded());
        if (c.error == EACCES) {
            std::filesystem::permissions(mimeapps, std::filesystem::perms::owner_read);
            EXPECT_EQ(ReadText(mimeapps), foreign);
        } else {
            EXPECT_EQ(std::filesystem::is_directory(mimeapps), c.error == EISDIR);
            EXPECT_EQ(std::filesystem::is_fifo(mimeapps), c.error == ENODEV);
        }
    }
}

// Catches entries the desktop rejects or ignores: invalid keys or quoting
// (desktop-file-validate) and a default that does not win over the system's
// (xdg-mime, with a rival program as system-wide default), for a plain path
// and one with blanks and a '$'.
TEST(FileAssociation, DesktopToolsAcceptTheWrittenAssociation)
{
    const bool validate = valbrix::test::HaveTool("desktop-file-validate");
    const bool query = valbrix::test::HaveTool("xdg-mime");
    if (!validate && !query)
        SKIP_UNLESS_CI("desktop-file-validate and xdg-mime are not installed");
    for (const std::string program : {"/usr/bin/valbrix", "/opt/Mein $Programm/valbrix"}) {
        SCOPED_TRACE(program);
        TempDir dir;
        const TXdgFolders folders{(dir / "data").string(), (dir / "config").string()};
        std::filesystem::create_directories(dir / "system" / "applications");
        WriteFile(dir / "system" / "applications" / "rival.desktop",
                  std::string("[Desktop Entry]\nType=Application\nName=Rival\nExec=/usr/bin/rival %f\n"
                              "MimeType=application/zip;application/x-zip-compressed;\n"));
        WriteFile(dir / "system" / "mimeapps.list",
                  std::string("[Default Applications]\napplication/zip=rival.desktop\n"
                              "application/x-zip-compressed=rival.desktop\n"));
        // Only the scratch folders count, whatever desktop runs the tests.
        const std::string queryDefault =
            "env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID"
            " XDG_DATA_HOME=" + Quote(folders.DataHome) + " XDG_CONFIG_HOME=" + Quote(folders.ConfigHome) +
            " XDG_DATA_DIRS=" + Quote((dir / "system").string()) +
            " XDG_CONFIG_DIRS=" + Quote((dir / "system").string()) + " xdg-mime query default ";
        if (query) {
            ASSERT_EQ(RunCommand(queryDefault + "application/zip").Output, "rival.desktop\n");
        }

        ASSERT_TRUE(WriteAssociation(folders, program).Succeeded());
        if (validate) {
            const auto result = RunCommand("desktop-file-validate " + Quote(folders.DesktopEntryPath()) + " 2>&1");
            EXPECT_EQ(result.ExitCode, 0) << result.Output;
            EXPECT_EQ(result.Output, "");
        }
        if (query) {
            for (const char* type : {"application/zip", "application/x-zip-compressed"})
                EXPECT_EQ(RunCommand(queryDefault + type).Output, "valbrix.desktop\n") << type;
        }
    }
    if (!validate)
        SKIP_UNLESS_CI("desktop-file-validate is not installed");
    if (!query)
        SKIP_UNLESS_CI("xdg-mime is not installed");
}

// Catches the installed entry drifting from the one the settings dialog
// writes (a name, icon, MIME type or extraction action changed in one place
// only; an association that hides the installed entry drops the file
// manager's "Hier entpacken") and an installed entry the desktop rejects.
TEST(FileAssociation, InstalledEntryMatchesTheWrittenOne)
{
    const std::filesystem::path installed = std::filesystem::path(VALBRIX_SOURCE_DIR) / "resources" / "valbrix.desktop";
    const std::string text = ReadText(installed);
    const std::string written = DesktopEntryText("/usr/bin/valbrix");
    for (const char* key :
         {"Type", "Name", "GenericName", "Comment", "Icon", "Terminal", "MimeType", "Categories", "Actions"})
        EXPECT_EQ(DesktopEntryValue(text, key), DesktopEntryValue(written, key)) << key;
    EXPECT_EQ(ExecProgram(DesktopEntryValue(text, "Exec")), "valbrix");
    const auto arguments = [](const std::string& exec) { return exec.substr(exec.find(' ')); };
    for (const char* group : {"Desktop Action ExtractHere", "Desktop Action ExtractTo"}) {
        EXPECT_EQ(DesktopGroupValue(text, group, "Name"), DesktopGroupValue(written, group, "Name")) << group;
        const std::string exec = DesktopGroupValue(text, group, "Exec");
        ASSERT_NE(exec.find(' '), std::string::npos) << group;
        EXPECT_EQ(ExecProgram(exec), "valbrix") << group;
        EXPECT_EQ(arguments(exec), arguments(DesktopGroupValue(written, group, "Exec"))) << group;
    }
    if (!valbrix::test::HaveTool("desktop-file-validate"))
        SKIP_UNLESS_CI("desktop-file-validate is not installed");
    const auto result = RunCommand("desktop-file-validate " + Quote(installed.string()) + " 2>&1");
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_EQ(result.Output, "");
}

}  // namespace
