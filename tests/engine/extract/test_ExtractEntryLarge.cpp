// The driver and the directory reader on archives beyond 2 and 4 GiB. Built
// quickly as sparse files: a stored entry of 2.25 GiB of zeros (flag bit 3,
// no local sizes, a descriptor without signature behind the data) and a
// small entry whose local header lies beyond 2 GiB; the same beyond 4 GiB
// with ZIP64 headers and end record. And one deflated entry of more than
// 4 GiB written by Python's zipfile, extracted in full. Catches sizes or
// offsets taken as signed or 32-bit numbers. The cases that write a huge
// file skip when the disk has no room for it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "engine/extract/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipDirectory.h"
#include "support/CraftedZip.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t BigSize = 0x90000000u;  // 2.25 GiB

// The CRC-32 of `count` zero bytes, through the engine's own CRC (its
// correctness is tested against the bitwise control elsewhere).
uint32_t ZerosCrc(uint64_t count)
{
    TEngineState state;
    const Bytes zeros(1 << 20, 0);
    state.CrcValue = 0xFFFFFFFFu;
    for (; count >= zeros.size(); count -= zeros.size())
        state.UpdateCrc(zeros.data(), zeros.size());
    state.UpdateCrc(zeros.data(), size_t(count));
    return ~state.CrcValue;
}

Bytes LocalHeader(const std::string& name, uint16_t flags, uint32_t crc, uint32_t size, const Bytes& extra = {})
{
    Bytes out;
    PutLe32(out, 0x04034B50);
    PutLe16(out, 20);
    PutLe16(out, flags);
    PutLe16(out, 0);  // stored
    PutLe32(out, 0x5A8F6C21);
    PutLe32(out, crc);
    PutLe32(out, size);
    PutLe32(out, size);
    PutLe16(out, uint16_t(name.size()));
    PutLe16(out, uint16_t(extra.size()));
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
}

// A central header of a stored entry made on MS-DOS; the saturated fields'
// real values go in `extra`.
Bytes CentralHeader(const std::string& name, uint32_t crc, uint32_t size, uint32_t offset, const Bytes& extra)
{
    Bytes out;
    PutLe32(out, 0x02014B50);
    PutLe16(out, 45);
    PutLe16(out, 45);
    PutLe16(out, 0);
    PutLe16(out, 0);  // stored
    PutLe32(out, 0x5A8F6C21);
    PutLe32(out, crc);
    PutLe32(out, size);
    PutLe32(out, size);
    PutLe16(out, uint16_t(name.size()));
    PutLe16(out, uint16_t(extra.size()));
    PutLe16(out, 0);      // comment
    PutLe16(out, 0);      // disk
    PutLe16(out, 0);      // internal attributes
    PutLe32(out, 0x20);
    PutLe32(out, offset);
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
}

// The ZIP64 end record, its locator and the saturated plain end record.
Bytes Zip64EndRecords(uint64_t directoryStart, uint64_t directoryBytes, uint64_t entries)
{
    Bytes out;
    PutLe32(out, 0x06064B50);
    PutLe64(out, 44);
    PutLe16(out, 45);
    PutLe16(out, 45);
    PutLe32(out, 0);
    PutLe32(out, 0);
    PutLe64(out, entries);
    PutLe64(out, entries);
    PutLe64(out, directoryBytes);
    PutLe64(out, directoryStart);
    PutLe32(out, 0x07064B50);
    PutLe32(out, 0);
    PutLe64(out, directoryStart + directoryBytes);
    PutLe32(out, 1);
    PutLe32(out, 0x06054B50);
    for (int i = 0; i < 4; ++i)
        PutLe16(out, 0xFFFF);
    PutLe32(out, 0xFFFFFFFFu);
    PutLe32(out, 0xFFFFFFFFu);
    PutLe16(out, 0);
    return out;
}

void WriteAt(int fd, uint64_t offset, const Bytes& bytes)
{
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), off_t(offset)), ssize_t(bytes.size()));
}

}  // namespace

TEST(ExtractEntryLarge, EntriesAndOffsetsBeyondTwoGigabytes)
{
    TempDir dir;
    const fs::path archive = dir / "large.zip";
    const uint32_t crc = ZerosCrc(BigSize);

    const Bytes bigHeader = LocalHeader("big.bin", 0x08, 0, 0);
    Bytes descriptor;  // no "PK" 07 08: the CRC comes first
    PutLe32(descriptor, crc);
    PutLe32(descriptor, BigSize);
    PutLe32(descriptor, BigSize);
    const uint64_t smallOffset = bigHeader.size() + uint64_t(BigSize) + descriptor.size();
    ASSERT_GT(smallOffset, 0x80000000u);
    const Bytes text = {'h', 'e', 'l', 'l', 'o'};
    Bytes smallEntry = LocalHeader("small.txt", 0, ReferenceCrc32(text), uint32_t(text.size()));
    smallEntry.insert(smallEntry.end(), text.begin(), text.end());

    const int fd = open(archive.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    WriteAt(fd, 0, bigHeader);  // the data in between stays a hole: zeros
    WriteAt(fd, bigHeader.size() + uint64_t(BigSize), descriptor);
    WriteAt(fd, smallOffset, smallEntry);
    close(fd);

    TExtractionDriver driver;
    const fs::path small = dir / "small.txt";
    EXPECT_EQ(driver.ExtractEntry(archive.string(), small.string(), 0x20, uint32_t(smallOffset)), erOk);
    EXPECT_EQ(ReadFile(small), text);

    EXPECT_EQ(driver.TestEntry(archive.string(), 0, nullptr, 0, BigSize, BigSize), erOk);

    const fs::space_info space = fs::space(dir.Path());
    if (space.available < 3 * uint64_t(BigSize))
        GTEST_SKIP() << "less than 7 GB free; writing the 2.25 GiB file skipped";
    const fs::path big = dir / "big.bin";
    EXPECT_EQ(driver.ExtractEntry(archive.string(), big.string(), 0x20, 0, nullptr, 0, BigSize, BigSize), erOk);
    EXPECT_EQ(fs::file_size(big), BigSize);
}

// Catches 64-bit values of the ZIP64 headers cut to 32 bits anywhere on the
// way: the reader's sizes and offsets, the ZIP64 end record's directory
// offset beyond 4 GiB, the local header's ZIP64 sizes (the entry is tested
// without the directory's sizes), and a local header offset beyond 4 GiB.
TEST(ExtractEntryLarge, Zip64ArchiveBeyondFourGigabytes)
{
    constexpr uint64_t Big = 0x100010003ull;  // 4 GiB + 64 KiB + 3
    TempDir dir;
    const fs::path archive = dir / "zip64.zip";
    const Bytes text = {'h', 'e', 'l', 'l', 'o'};
    const uint32_t crc = ZerosCrc(Big);
    const Bytes bigHeader = LocalHeader("zeros.bin", 0, crc, 0xFFFFFFFFu, Zip64Extra({Big, Big}));
    const uint64_t tailOffset = bigHeader.size() + Big;
    Bytes tail = LocalHeader("tail.txt", 0, ReferenceCrc32(text), uint32_t(text.size()));
    tail.insert(tail.end(), text.begin(), text.end());
    const uint64_t directoryStart = tailOffset + tail.size();
    Bytes directory = CentralHeader("zeros.bin", crc, 0xFFFFFFFFu, 0, Zip64Extra({Big, Big}));
    const Bytes tailCentral = CentralHeader("tail.txt", ReferenceCrc32(text), uint32_t(text.size()), 0xFFFFFFFFu,
                                           Zip64Extra({tailOffset}));
    directory.insert(directory.end(), tailCentral.begin(), tailCentral.end());
    const Bytes end = Zip64EndRecords(directoryStart, directory.size(), 2);

    const int fd = open(archive.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    WriteAt(fd, 0, bigHeader);
    WriteAt(fd, tailOffset, tail);
    WriteAt(fd, directoryStart, directory);
    WriteAt(fd, directoryStart + directory.size(), end);
    close(fd);

    std::vector<TZipEntry> list;
    EXPECT_EQ(ListZipEntries(archive.string(), list), dsComplete);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].UncompressedSize, Big);
    EXPECT_EQ(list[0].CompressedSize, Big);
    EXPECT_EQ(list[1].LocalHeaderOffset, tailOffset);

    TExtractionDriver driver;
    EXPECT_EQ(driver.TestEntry(archive.string(), list[0].LocalHeaderOffset), erOk);
    EXPECT_EQ(driver.ExtractEntry(archive.string(), (dir / "tail.txt").string(), 0x20, list[1].LocalHeaderOffset,
                                  nullptr, 0, list[1].CompressedSize, list[1].UncompressedSize), erOk);
    EXPECT_EQ(ReadFile(dir / "tail.txt"), text);
}

// Catches an entry over 4 GiB that does not come out bit-exact: output
// counts, progress or the window position wrapping at 4 GiB, or the size
// from the ZIP64 fields cut to 32 bits. The data repeats a marked 1 MiB
// block, so a wrap shows as a wrong size, a wrong CRC or a misplaced marker.
TEST(ExtractEntryLarge, DeflatedEntryOverFourGigabytesExtractsBitExact)
{
    REQUIRE_TOOL("python3");
    constexpr uint64_t Total = (4ull << 30) + (3ull << 20) + 7;
    constexpr size_t BlockBytes = 1 << 20;
    TempDir dir;
    const fs::space_info space = fs::space(dir.Path());
    if (space.available < Total + (2ull << 30))
        GTEST_SKIP() << "less than 6.1 GB free; the entry over 4 GiB is not written";
    // Level 1 on a mostly empty block: about 20 MB of archive, made in seconds.
    WriteFile(dir / "make.py", std::string(R"PY(
import sys, zipfile
block = b'valbrix block\n' + bytes((1 << 20) - 14)
left = int(sys.argv[2])
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    z.writestr('before.txt', b'before')
    with z.open('big.bin', 'w', force_zip64=True) as f:
        while left:
            n = min(left, len(block))
            f.write(block if n == len(block) else block[:n])
            left -= n
    z.writestr('after.txt', b'after')
)PY"));
    const fs::path archive = dir / "big.zip";
    ASSERT_EQ(RunCommand("python3 " + Quote((dir / "make.py").string()) + " " + Quote(archive.string()) + " " +
                         std::to_string(Total)).ExitCode, 0);
    std::vector<TZipEntry> list;
    EXPECT_EQ(ListZipEntries(archive.string(), list), dsComplete);
    ASSERT_EQ(list.size(), 3u);
    ASSERT_EQ(list[1].UncompressedSize, Total);

    TExtractionDriver driver;
    const fs::path big = dir / "big.bin";
    EXPECT_EQ(driver.ExtractEntry(archive.string(), big.string(), 0x20, list[1].LocalHeaderOffset, nullptr, 0,
                                  list[1].CompressedSize, list[1].UncompressedSize), erOk);
    ASSERT_EQ(fs::file_size(big), Total);
    Bytes block(BlockBytes, 0);
    const std::string marker = "valbrix block\n";
    std::copy(marker.begin(), marker.end(), block.begin());
    // The driver checked the CRC over all of it; these blocks pin where the bytes landed.
    std::ifstream in(big, std::ios::binary);
    for (uint64_t at : {uint64_t(0), uint64_t((4ull << 30) - BlockBytes), uint64_t(4ull << 30), uint64_t(Total - 7)}) {
        const size_t count = size_t(std::min<uint64_t>(BlockBytes, Total - at));
        Bytes got(count);
        in.seekg(std::streamoff(at));
        in.read(reinterpret_cast<char*>(got.data()), std::streamsize(count));
        EXPECT_TRUE(std::equal(got.begin(), got.end(), block.begin())) << "block at " << at;
    }
    in.close();
    fs::remove(big);
    EXPECT_EQ(driver.ExtractEntry(archive.string(), (dir / "after.txt").string(), 0x20, list[2].LocalHeaderOffset),
              erOk);
}
