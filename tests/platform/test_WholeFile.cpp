// Whole-file reads and atomic replacement of settings files: a missing file
// told from an unreadable one, half reads never handed out, and a
// replacement that keeps permissions and links and leaves nothing behind.
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/WholeFile.h"
#include "support/TestFiles.h"

using namespace valbrix::platform;
using valbrix::test::ReadFile;
using valbrix::test::TempDir;
using valbrix::test::WriteFile;

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path)
{
    const auto bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

bool HasTemporaryFiles(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(".valbrix-"))
            return true;
    return false;
}

}  // namespace

// Catches an unreadable file taken for a missing one (its caller would write
// it anew from nothing), a pipe that blocks the read, and a file over the
// limit handed out cut short.
TEST(WholeFile, ReadTellsMissingFromUnreadable)
{
    TempDir dir;
    WriteFile(dir / "small", std::string("a=1\n"));
    WriteFile(dir / "large", std::string(100, 'x'));
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const struct {
        const char* name;
        int error;
        const char* bytes;
    } cases[] = {
        {"small", 0, "a=1\n"},
        {"missing", ENOENT, ""},
        {"folder", EISDIR, ""},
        {"pipe", ENODEV, ""},
        {"large", EFBIG, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TWholeFile file = ReadWholeFile((dir / c.name).string(), 64);
        EXPECT_EQ(file.ErrorCode, c.error);
        EXPECT_EQ(file.Missing(), c.error == ENOENT);
        EXPECT_EQ(file.Bytes, c.bytes);
    }
}

// Catches a replacement that resets the user's permissions, replaces a
// dotfile manager's symbolic link by a plain file, gives a new file other
// bits than an ordinary one, or leaves its temporary file behind.
TEST(WholeFile, ReplaceKeepsPermissionsAndLinks)
{
    TempDir dir;
    WriteFile(dir / "kept", std::string("old\n"));
    fs::permissions(dir / "kept", fs::perms(0640));
    ASSERT_EQ(ReplaceWholeFile((dir / "kept").string(), "new\n"), 0);
    EXPECT_EQ(ReadText(dir / "kept"), "new\n");
    EXPECT_EQ(fs::status(dir / "kept").permissions(), fs::perms(0640));

    fs::create_directory(dir / "dotfiles");
    WriteFile(dir / "dotfiles" / "real", std::string("old\n"));
    fs::create_symlink(dir / "dotfiles" / "real", dir / "link");
    ASSERT_EQ(ReplaceWholeFile((dir / "link").string(), "via link\n"), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(ReadText(dir / "dotfiles" / "real"), "via link\n");

    const mode_t mask = ::umask(022);
    ASSERT_EQ(ReplaceWholeFile((dir / "fresh").string(), "x"), 0);
    ::umask(mask);
    EXPECT_EQ(fs::status(dir / "fresh").permissions(), fs::perms(0644));

    EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
    EXPECT_FALSE(HasTemporaryFiles(dir / "dotfiles"));
}

// Catches a failed replacement reported as done, or one that damages the
// old file: a folder in the way cannot be replaced by a file.
TEST(WholeFile, FailedReplaceKeepsTheOldAndSaysWhy)
{
    TempDir dir;
    fs::create_directory(dir / "folder");
    WriteFile(dir / "folder" / "inside", std::string("kept"));
    EXPECT_NE(ReplaceWholeFile((dir / "folder").string(), "x"), 0);
    EXPECT_EQ(ReadText(dir / "folder" / "inside"), "kept");
    EXPECT_EQ(ReplaceWholeFile((dir / "no such folder" / "file").string(), "x"), ENOENT);
    EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
}
