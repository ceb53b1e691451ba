// The private folders of the window: made private, removed with everything
// in them, and a crashed run's leftovers swept at start without touching
// another running instance's folder or anything that is not ours.
#include <algorithm>
#include <filesystem>
#include <vector>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/PrivateFolders.h"
#include "support/TestFiles.h"

using namespace valbrix::platform;
using valbrix::test::TempDir;
using valbrix::test::WriteFile;

namespace fs = std::filesystem;

namespace {

// A process id that was in use a moment ago and is free now.
long EndedProcessId()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return long(child);
}

// Our own prefix with the start time moved: the same id, another process.
std::string PrefixWithOtherStart()
{
    std::string prefix = PrivateFolderPrefix();
    prefix.pop_back();
    const size_t dash = prefix.rfind('-');
    return prefix.substr(0, dash + 1) + std::to_string(std::stoull(prefix.substr(dash + 1)) + 1) + '-';
}

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

}  // namespace

// Catches folders others can read (the extracted files would be theirs to
// read too), a session folder without our recognisable name, folders that
// stay after RemoveAll, and a removal that follows a link out of the tree.
TEST(PrivateFolders, CreatedPrivateAndRemovedWhole)
{
    TempDir dir;
    fs::create_directories(dir / "mine");
    WriteFile(dir / "mine" / "keep.txt", std::string("keep"));
    std::string first, second;
    {
        TPrivateFolders folders(dir.Path().string() + "/");
        first = folders.Create();
        second = folders.Create();
        ASSERT_FALSE(first.empty());
        ASSERT_NE(first, second);
        const fs::path session = fs::path(first).parent_path();
        EXPECT_EQ(session.parent_path(), dir.Path());
        EXPECT_EQ(session.filename().string().rfind(PrivateFolderPrefix(), 0), 0u);
        EXPECT_EQ(fs::path(second).parent_path(), session);
        EXPECT_EQ(ModeOf(session.string()), 0700u);
        EXPECT_EQ(ModeOf(first), 0700u);
        EXPECT_TRUE(folders.Contains(first + "/a.txt"));
        EXPECT_FALSE(folders.Contains((dir / "mine" / "keep.txt").string()));

        fs::create_directories(fs::path(first) / "sub");
        WriteFile(fs::path(first) / "sub" / "a.txt", std::string("a"));
        fs::create_directory_symlink(dir / "mine", fs::path(first) / "link");
        folders.Remove(second);
        EXPECT_FALSE(fs::exists(second));
        EXPECT_TRUE(fs::exists(first));
        folders.RemoveAll();
        EXPECT_FALSE(fs::exists(session));
        // A use after RemoveAll makes a new session folder.
        EXPECT_FALSE(folders.Create().empty());
    }
    std::vector<std::string> left;
    for (const auto& item : fs::recursive_directory_iterator(dir.Path()))
        left.push_back(fs::relative(item.path(), dir.Path()).string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"mine", "mine/keep.txt"}));
}

// Catches a sweep that removes a running instance's folder (its open files
// would vanish under its programs), keeps a dead run's folder forever,
// trusts a reused process id, or removes what is not ours: other names, a
// link named like ours (or what it points at), a plain file, and (as root,
// where it can be made) a dead run's folder of another user.
TEST(PrivateFolders, StaleSweepRemovesOnlyDeadOwnersFolders)
{
    TempDir dir;
    const long ended = EndedProcessId();
    const std::string endedPrefix = "valbrix-" + std::to_string(ended) + "-12345-";
    struct Case {
        std::string Name;
        bool Stays;
    };
    const Case cases[] = {
        {endedPrefix + "AbC123", false},           // the crashed run's folder
        {PrefixWithOtherStart() + "Zz9yX8", false}, // our id, but another process started with it
        {PrivateFolderPrefix() + "Live01", true},   // a running instance (this one)
        {"valbrix-abc-1-Xx1234", true},             // not our pattern
        {endedPrefix + "Short", true},              // not our pattern
        {"setup-" + std::to_string(ended) + "-1-AbC123", true},
    };
    for (const Case& item : cases) {
        fs::create_directories(dir / item.Name);
        WriteFile(dir / item.Name / "inside.txt", std::string("x"));
    }
    fs::create_directories(dir / "target");
    WriteFile(dir / "target" / "precious.txt", std::string("p"));
    fs::create_directory_symlink(dir / "target", dir / (endedPrefix + "Link01"));
    WriteFile(dir / (endedPrefix + "File01"), std::string("f"));
    if (geteuid() == 0) {
        fs::create_directories(dir / (endedPrefix + "Other1"));
        ASSERT_EQ(chown((dir / (endedPrefix + "Other1")).c_str(), 65534, 65534), 0);
    }

    EXPECT_EQ(RemoveStalePrivateFolders(dir.Path().string()), 2);
    for (const Case& item : cases)
        EXPECT_EQ(fs::exists(dir / item.Name / "inside.txt"), item.Stays) << item.Name;
    EXPECT_TRUE(fs::is_symlink(dir / (endedPrefix + "Link01")));
    EXPECT_TRUE(fs::exists(dir / "target" / "precious.txt"));
    EXPECT_TRUE(fs::is_regular_file(dir / (endedPrefix + "File01")));
    if (geteuid() == 0) {
        EXPECT_TRUE(fs::exists(dir / (endedPrefix + "Other1")));
    }
}
