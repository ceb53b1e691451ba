// The containment rule shared by the window and valbrix-cli: every hostile
// spelling of an entry name either lands below the target folder or is
// refused, and ordinary names are left alone.
#include <gtest/gtest.h>

#include "engine/extract/TargetPath.h"

using namespace valbrix;

namespace {

const std::optional<std::string> Refused = std::nullopt;

}  // namespace

// Catches traversal through "..", absolute names kept absolute, a Windows
// drive prefix kept, a Linux name with ':' mangled, and "./" or "/" folder
// entries (written by common archivers) failing instead of naming the folder.
TEST(TargetPath, WithFoldersTable)
{
    const struct {
        const char* Name;
        std::optional<std::string> Target;
    } cases[] = {
        {"a.txt", "/t/a.txt"},
        {"dir/sub/f.txt", "/t/dir/sub/f.txt"},
        {"dir/", "/t/dir/"},
        {"/abs.txt", "/t/abs.txt"},
        {"//double/lead.txt", "/t/double/lead.txt"},
        {"C:/drive.txt", "/t/drive.txt"},
        {"/C:/x/y.txt", "/t/x/y.txt"},
        {"a:b.txt", "/t/a:b.txt"},
        {"C:x.txt", "/t/C:x.txt"},
        {"ok/./fine.txt", "/t/ok/fine.txt"},
        {"a//b.txt", "/t/a/b.txt"},
        {"./", "/t/"},
        {"/", "/t/"},
        {".", Refused},
        {"", Refused},
        {"..", Refused},
        {"../evil.txt", Refused},
        {"a/../../evil.txt", Refused},
        {"a/..", Refused},
        {"a/../", Refused},
        {"..foo/bar..", "/t/..foo/bar.."},
    };
    for (const auto& item : cases) {
        EXPECT_EQ(EntryTargetPath("/t", item.Name, true), item.Target) << item.Name;
        EXPECT_EQ(EntryTargetPath("/t/", item.Name, true), item.Target) << item.Name << " (folder with '/')";
    }
    EXPECT_EQ(EntryTargetPath("/", "x/y.txt", true), "/x/y.txt");
    EXPECT_EQ(EntryTargetPath("/t", std::string("x\0y", 3), true), Refused);
}

// Catches flat extraction keeping folders, creating folders for folder
// entries, or letting a ".." through because only the last part is kept.
TEST(TargetPath, WithoutFoldersTable)
{
    const struct {
        const char* Name;
        std::optional<std::string> Target;
    } cases[] = {
        {"dir/sub/f.txt", "/t/f.txt"},
        {"C:/dir/f.txt", "/t/f.txt"},
        {"dir/", "/t/"},
        {"./", "/t/"},
        {"../f.txt", Refused},
        {"dir/../f.txt", Refused},
    };
    for (const auto& item : cases)
        EXPECT_EQ(EntryTargetPath("/t", item.Name, false), item.Target) << item.Name;
}
