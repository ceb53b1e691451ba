// Large-directory mode: directories of 64000 bytes and more are streamed
// through the fixed buffer. These tests hit the buffer's edges: records that
// straddle a refill, directories just over the limit, records that can never
// fit, and a directory of 70,000 entries.
#include <gtest/gtest.h>

#include "engine/ZipDirectory.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

constexpr size_t RecordBytes = 46 + 12;  // central header with a 12-byte name

std::string EntryName(size_t i)
{
    std::string digits = std::to_string(i);
    return "d/" + std::string(10 - digits.size(), '0') + digits;  // always 12 bytes
}

// count entries with 12-byte names; the last entry's comment pads the directory.
CraftedZip Entries(size_t count, size_t lastCommentBytes = 0)
{
    CraftedZip zip;
    for (size_t i = 0; i < count; ++i) {
        CraftedEntry entry = StoredEntry(EntryName(i), {});
        if (i + 1 == count)
            entry.Comment = std::string(lastCommentBytes, 'c');
        zip.Add(entry);
    }
    return zip;
}

std::vector<TZipEntry> ListBytes(const TempDir& dir, const Bytes& bytes)
{
    WriteFile(dir / "big.zip", bytes);
    std::vector<TZipEntry> list;
    ListZipEntries((dir / "big.zip").string(), list);
    return list;
}

// A directory whose central headers take exactly directoryBytes bytes.
CraftedZip DirectoryOfSize(size_t directoryBytes)
{
    const size_t count = directoryBytes / RecordBytes;
    return Entries(count, directoryBytes - count * RecordBytes);
}

}  // namespace

// Catches the last entries getting lost when the final refill finds fewer
// bytes left in the file than the buffer has room for (a short read is the
// normal case at the end of a large directory, not an error).
TEST(ZipDirectoryLarge, DirectoriesAroundTheBufferSizeListCompletely)
{
    TempDir dir;
    const size_t sizes[] = {63995, 63996, 63997, 64000, 64001, 64010, 64057, 64100, 100000, 127996, 128000, 128060};
    for (size_t directoryBytes : sizes) {
        for (const std::string comment : {"", "archive comment"}) {
            CraftedZip zip = DirectoryOfSize(directoryBytes);
            zip.SetArchiveComment(comment);
            const size_t count = directoryBytes / RecordBytes;
            const auto list = ListBytes(dir, zip.Build());
            ASSERT_EQ(list.size(), count) << directoryBytes << " directory bytes, comment '" << comment << "'";
            EXPECT_EQ(list.back().FileName, EntryName(count - 1));
            EXPECT_EQ(list.back().LocalHeaderOffset, zip.LocalHeaderOffset(count - 1));
        }
    }
}

// Catches a refill that loses or duplicates bytes: every entry must come out
// once, in order, with its own offset, across more than a hundred refills.
TEST(ZipDirectoryLarge, SeventyThousandEntriesListInOrder)
{
    TempDir dir;
    const size_t count = 70000;
    CraftedZip zip = Entries(count);
    const auto list = ListBytes(dir, zip.Build());
    ASSERT_EQ(list.size(), count);
    for (size_t i = 0; i < count; ++i) {
        ASSERT_EQ(list[i].FileName, EntryName(i)) << "entry " << i;
        ASSERT_EQ(list[i].LocalHeaderOffset, zip.LocalHeaderOffset(i)) << "entry " << i;
    }
}

// Catches reads beyond the buffer for records longer than the buffer (up to
// 46 + 3 * 65535 bytes): such a record ends the listing, the earlier stay,
// and a record that exactly fills the buffer is still read.
TEST(ZipDirectoryLarge, RecordsAtAndBeyondTheBufferSize)
{
    TempDir dir;
    struct Case { const char* what; size_t extraBytes, commentBytes; size_t listed; };
    const Case cases[] = {
        {"record of exactly 64000 bytes", 64000 - 46 - 12, 0, 1002},
        {"record of 64001 bytes", 64001 - 46 - 12, 0, 1000},
        {"record of 46 + 12 + 2 * 65535 bytes", 65535, 65535, 1000},
    };
    for (const Case& c : cases) {
        CraftedZip zip = Entries(1000);
        CraftedEntry huge = StoredEntry("huge/entry.x", {});
        huge.Extra = Bytes(c.extraBytes, 0);
        huge.Comment = std::string(c.commentBytes, 'c');
        zip.Add(huge);
        zip.Add(StoredEntry("after.txt", {}));
        const auto list = ListBytes(dir, zip.Build());
        EXPECT_EQ(list.size(), c.listed) << c.what;
    }
}

// Catches a bounded-buffer reader that loops or overreads when the stream
// ends in the middle of a record (a truncated large archive keeps its end
// record but loses directory bytes).
TEST(ZipDirectoryLarge, DirectoryCutShortInsideLargeModeEndsCleanly)
{
    TempDir dir;
    CraftedZip zip = Entries(3000);
    Bytes bytes = zip.Build();
    const size_t directoryStart = zip.LocalHeaderOffset(2999) + 30 + 12;
    // Remove a slice from the middle of the directory, so that entry 2000 now
    // starts with the tail of entry 2100's signature; the end record keeps its offset.
    bytes.erase(bytes.begin() + long(directoryStart + 2000 * RecordBytes),
                bytes.begin() + long(directoryStart + 2100 * RecordBytes + 2));
    const auto list = ListBytes(dir, bytes);
    EXPECT_EQ(list.size(), 2000u);
}
