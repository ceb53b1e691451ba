// The path facts the window and its workflows ask of the file system, on a
// scratch folder holding each kind of thing a path may name.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "support/TestFiles.h"
#include "platform/gui/PathFacts.h"

namespace valbrix::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

QString Q(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

// A scratch folder with a file, a hidden file, a folder, a pipe and links.
struct Scene {
    TempDir Dir;
    Scene()
    {
        test::WriteFile(Dir / "file", std::string("x"));
        test::WriteFile(Dir / ".hidden", std::string("h"));
        fs::create_directory(Dir / "folder");
        mkfifo((Dir / "pipe").c_str(), 0600);
        fs::create_symlink(Dir / "file", Dir / "to-file");
        fs::create_symlink(Dir / "folder", Dir / "to-folder");
        fs::create_symlink(Dir / "gone", Dir / "dangling");
    }
};

TEST(PathFacts, KindsOfThingsAtAPath)
{
    const Scene scene;
    const struct {
        const char* Name;
        bool File, Folder, Exists;
        const char* Fault;
    } cases[] = {
        {"file", true, false, true, "a plain file not taken for an archive to open"},
        {"folder", false, true, true, "a folder offered as an archive, or refused as a target"},
        {"pipe", false, false, true, "a pipe opened as an archive (the read would block)"},
        {"to-file", true, false, true, "a link to an archive not followed"},
        {"to-folder", false, true, true, "a link to the target folder not followed"},
        {"dangling", false, false, false, "a link to nothing counted as taken or as a file"},
        {"missing", false, false, false, "a missing name reported as present"},
    };
    for (const auto& c : cases) {
        const QString path = Q(scene.Dir / c.Name);
        EXPECT_EQ(IsExistingFile(path), c.File) << c.Fault;
        EXPECT_EQ(IsExistingFolder(path), c.Folder) << c.Fault;
        EXPECT_EQ(Exists(path), c.Exists) << c.Fault;
    }
    // Catches an empty folder field taken for the current folder.
    EXPECT_FALSE(IsExistingFolder(QString()));
}

TEST(PathFacts, PathTexts)
{
    const QString current = Q(fs::current_path());
    const struct {
        QString Got, Expected;
        const char* Fault;
    } cases[] = {
        {CleanPath("/a//b/../c/"), "/a/c", "doubled '/', '..' or the trailing '/' kept"},
        {AbsolutePathOf("x/../y.zip"), current + "/y.zip", "a relative archive left relative or uncleaned"},
        {AbsolutePathOf("/t/a.zip"), "/t/a.zip", "an absolute path moved under the current folder"},
        {FolderOf("/t/a.zip"), "/t", "the folder part of an archive's path wrong"},
        {FolderOf("a.zip"), ".", "a bare name given no folder"},
        {AbsoluteFolderOf("a.zip"), current, "a bare archive name's folder not made absolute"},
        {FileNameOf("/t/a b.zip"), "a b.zip", "a name with a blank cut"},
        {FileNameOf("/t/"), "", "a folder's trailing '/' taken for a name"},
        {RootFolder(), "/", "the dialog's fallback start not the root"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Got, c.Expected) << c.Fault;
}

TEST(PathFacts, FolderListings)
{
    const Scene scene;
    // Catches hidden files or links missed (a setup or an opened entry not found), "." and ".." listed, and names out of order.
    EXPECT_EQ(FolderItems(Q(scene.Dir.Path())),
              (QStringList{".hidden", "dangling", "file", "folder", "pipe", "to-file", "to-folder"}));
    // Catches folders listed among the files. A link to nothing counts as a
    // file here: a setup program that is one is found, and its start fails.
    QStringList files = FilesIn(Q(scene.Dir.Path()));
    files.sort();
    EXPECT_EQ(files, (QStringList{".hidden", "dangling", "file", "pipe", "to-file"}));
    // Catches an unreadable folder failing loudly instead of listing nothing.
    EXPECT_TRUE(FolderItems(Q(scene.Dir / "missing")).isEmpty());
}

}  // namespace
}  // namespace valbrix::platform
