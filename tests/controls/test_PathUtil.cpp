// The path rules of the folder field and dialog, without widgets.
#include <gtest/gtest.h>

#include "controls/PathUtil.h"

namespace valbrix {
namespace {

// Catches: "/" emptied, more than one delimiter dropped, a path without
// delimiter changed.
TEST(PathUtil, RemoveTrailingBackslash)
{
    const struct {
        const char* In;
        const char* Out;
    } cases[] = {{"/", "/"}, {"/a/", "/a"}, {"/a", "/a"}, {"a/", "a"}, {"", ""}, {"/a//", "/a/"}};
    for (const auto& c : cases)
        EXPECT_EQ(RemoveTrailingBackslash(QString::fromLatin1(c.In)), QString::fromLatin1(c.Out)) << c.In;
}

// Catches: empty pieces joined with stray ';', pieces lost or reordered,
// a single-folder text cut at a ';' that belongs to a folder name.
TEST(PathUtil, PathListsConvertEachPiece)
{
    const auto mark = [](const QString& piece) { return piece.isEmpty() ? piece : "<" + piece + ">"; };
    EXPECT_EQ(ConvertPathList("/a;;/b;", true, mark), "</a>;</b>");
    EXPECT_EQ(ConvertPathList("/a;b", false, mark), "</a;b>");
    EXPECT_EQ(AppendPath("", "/x", true), "/x");
    EXPECT_EQ(AppendPath("/a", "/x", true), "/a;/x");
    EXPECT_EQ(AppendPath("/a", "/x", false), "/x");
}

// Catches: a dialog larger than the area pushed off its top-left corner, a
// centred dialog off by the area's offset (second screen), rounding upward.
TEST(PathUtil, CenteredPosition)
{
    const QRect screen(0, 0, 1024, 768), second(1024, 0, 1280, 1024);
    EXPECT_EQ(CenteredPosition(QRect(0, 0, 401, 301), screen), QPoint(311, 233));
    EXPECT_EQ(CenteredPosition(QRect(0, 0, 2000, 900), screen), QPoint(0, 0));
    EXPECT_EQ(CenteredPosition(QRect(0, 0, 400, 300), second), QPoint(1024 + 440, 362));
}

}  // namespace
}  // namespace valbrix
