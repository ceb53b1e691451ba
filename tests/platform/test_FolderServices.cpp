// Removing a whole tree: what is inside goes, what links point at stays.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/FolderServices.h"
#include "support/TestFiles.h"

using namespace valbrix::platform;
using valbrix::test::ReadFile;
using valbrix::test::TempDir;
using valbrix::test::WriteFile;

namespace fs = std::filesystem;

// Catches a removal that follows a symbolic link out of the tree and
// deletes what it points at (a folder of the user's, or one file of it),
// links not removed as links, nested folders left behind, and a folder
// given as a link (or with a trailing '/') emptied through the link.
TEST(FolderServices, RemoveTreeNeverFollowsLinks)
{
    TempDir dir;
    const fs::path outside = dir / "outside";
    fs::create_directories(outside / "deep");
    WriteFile(outside / "keep.txt", std::string("mine"));
    WriteFile(outside / "deep" / "keep2.txt", std::string("mine too"));

    const fs::path tree = dir / "tree";
    fs::create_directories(tree / "a" / "b");
    WriteFile(tree / "top.txt", std::string("x"));
    WriteFile(tree / "a" / "b" / "inner.txt", std::string("y"));
    fs::create_directory_symlink(outside, tree / "folder link");
    fs::create_directory_symlink(outside, tree / "a" / "b" / "nested folder link");
    fs::create_symlink(outside / "keep.txt", tree / "a" / "file link");
    fs::create_symlink(dir / "nothing", tree / "dangling");

    std::vector<std::string> notRemoved;
    EXPECT_TRUE(RemoveTree(tree.string() + "/", [&](const std::string& file) { notRemoved.push_back(file); }));
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
    EXPECT_TRUE(notRemoved.empty());
    EXPECT_EQ(ReadFile(outside / "keep.txt").size(), 4u);
    EXPECT_EQ(ReadFile(outside / "deep" / "keep2.txt").size(), 8u);

    fs::create_directory_symlink(outside, dir / "tree as link");
    EXPECT_FALSE(RemoveTree((dir / "tree as link").string(), [](const std::string&) {}));
    EXPECT_TRUE(fs::is_symlink(dir / "tree as link"));
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));
    EXPECT_TRUE(fs::exists(outside / "deep" / "keep2.txt"));
}
