// Conformance of the whole extraction path (directory reader, driver,
// stored copy and inflate) with archives written by real tools: every
// compression level, streamed archives with data descriptors, Python's
// zipfile to seekable and unseekable streams, 7-Zip's deflate, and the
// fixture archives of old archivers checked against Python's zipfile as a
// control. Each test names the fault it would catch.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <sys/stat.h>

#include "engine/extract/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipDirectory.h"
#include "engine/archive/ZipFormat.h"
#include "support/TestFiles.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

// The files every archive in this suite is made of.
std::map<std::string, Bytes> SampleFiles()
{
    Bytes runs(300000, 'a');
    for (size_t i = 0; i < runs.size(); i += 70000)
        runs[i] = 'b';  // long runs with a few breaks
    return {
        {"empty.txt", {}},
        {"one.bin", {0x42}},
        {"exact32k.txt", TextLikeData(32768, 21)},
        {"exact64k.bin", RandomData(65536, 22)},
        {"text.txt", TextLikeData(1500000, 23)},
        {"noise.bin", RandomData(300000, 24)},
        {"zeros.bin", Bytes(1000000, 0)},
        {"runs.txt", runs},
    };
}

class ConformanceTest : public ::testing::Test {
protected:
    void SetUp() override { FStartDir = fs::current_path(); }
    void TearDown() override { fs::current_path(FStartDir); }

    // Writes the files into src/ with a known, even-second modification time.
    void WriteSources(const std::map<std::string, Bytes>& files)
    {
        fs::create_directories(Src());
        for (const auto& [name, bytes] : files) {
            WriteFile(Src() / name, bytes);
            Run("touch -d '2024-03-10 12:34:56' " + Quote((Src() / name).string()));
        }
    }
    void Run(const std::string& command)
    {
        ASSERT_EQ(RunCommand("cd " + Quote(Src().string()) + " && " + command).ExitCode, 0) << command;
    }
    // Extracts every entry of the archive below out/ and compares it with `expected`;
    // also runs the test mode on each.
    void ExpectExtractsTo(const fs::path& archive, const std::map<std::string, Bytes>& expected,
                          const std::string& what)
    {
        std::vector<TZipEntry> entries;
        ListZipEntries(archive.string(), entries);
        ASSERT_EQ(entries.size(), expected.size()) << what;
        fs::remove_all(Out());
        fs::create_directories(Out());
        for (const TZipEntry& entry : entries) {
            const std::string target = (Out() / entry.FileName).string();
            EXPECT_EQ(Driver.ExtractEntry(archive.string(), target, entry.Attributes, entry.LocalHeaderOffset, nullptr,
                                          0, entry.CompressedSize, entry.UncompressedSize),
                      erOk)
                << what << ": " << entry.FileName;
            EXPECT_EQ(Driver.TestEntry(archive.string(), entry.LocalHeaderOffset, nullptr, 0, entry.CompressedSize,
                                       entry.UncompressedSize),
                      erOk)
                << what << ": " << entry.FileName;
            const auto wanted = expected.find(entry.FileName);
            ASSERT_NE(wanted, expected.end()) << what << ": " << entry.FileName;
            EXPECT_TRUE(ReadFile(target) == wanted->second) << what << ": " << entry.FileName << " differs";
        }
    }
    fs::path Src() const { return Dir / "src"; }
    fs::path Out() const { return Dir / "out"; }

    TempDir Dir;
    TExtractionDriver Driver;

private:
    fs::path FStartDir;
};

std::string FileList(const std::map<std::string, Bytes>& files)
{
    std::string list;
    for (const auto& item : files)
        list += " " + Quote(item.first);
    return list;
}

// Writes a Python script that stores the files with the given compression
// into an archive, through an unseekable stream when `streamed` is set.
std::string PythonZipCommand(const fs::path& archive, const std::string& compression, bool streamed)
{
    std::ostringstream script;
    script << "import io, os, sys, zipfile\n"
              "class Pipe(io.RawIOBase):\n"
              "    def __init__(self, f): self.f = f\n"
              "    def writable(self): return True\n"
              "    def seekable(self): return False\n"
              "    def write(self, b): return self.f.write(b)\n"
              "raw = open(sys.argv[1], 'wb')\n"
           << "out = Pipe(raw) if " << (streamed ? "True" : "False") << " else raw\n"
           << "with zipfile.ZipFile(out, 'w', zipfile." << compression << ") as z:\n"
              "    for name in sorted(os.listdir('.')):\n"
              "        with open(name, 'rb') as src, z.open(name, 'w') as dst:\n"
              "            dst.write(src.read())\n"
              "raw.close()\n";
    return "python3 -c " + Quote(script.str()) + " " + Quote(archive.string());
}

}  // namespace

TEST_F(ConformanceTest, ZipAtEveryLevel)
{
    // Any inflate or stored-copy fault on ordinary archives: block
    // boundaries at 32 KB and 64 KB, empty and one-byte files, long runs,
    // incompressible data at every level.
    REQUIRE_TOOL("zip");
    const auto files = SampleFiles();
    WriteSources(files);
    for (int level = 0; level <= 9; ++level) {
        const fs::path archive = Dir / ("level" + std::to_string(level) + ".zip");
        Run("zip -q -X -" + std::to_string(level) + " " + Quote(archive.string()) + FileList(files));
        ExpectExtractsTo(archive, files, "zip -" + std::to_string(level));
    }
}

TEST_F(ConformanceTest, TimeAndAttributesOfExtractedFiles)
{
    // The file time not taken from the entry (or shifted by the time zone),
    // or permissions from the temporary file leaking into the result.
    REQUIRE_TOOL("zip");
    WriteSources({{"t.txt", TextLikeData(1000, 1)}});
    const fs::path archive = Dir / "t.zip";
    Run("zip -q " + Quote(archive.string()) + " t.txt");
    ExpectExtractsTo(archive, {{"t.txt", TextLikeData(1000, 1)}}, "time");
    struct stat source, extracted;
    ASSERT_EQ(stat((Src() / "t.txt").c_str(), &source), 0);
    ASSERT_EQ(stat((Out() / "t.txt").c_str(), &extracted), 0);
    EXPECT_EQ(extracted.st_mtim.tv_sec, source.st_mtim.tv_sec);
    EXPECT_NE(extracted.st_mode & S_IWUSR, 0u);
}

TEST_F(ConformanceTest, StreamedZipWithDataDescriptorAndSizeMarks)
{
    // A local header with sizes 0xFFFFFFFF ending the input at once, or a
    // data descriptor (with its 64-bit sizes) misread.
    REQUIRE_TOOL("zip");
    const Bytes text = TextLikeData(400000, 31);
    const Bytes noise = RandomData(100000, 32);
    WriteSources({{"text", text}, {"noise", noise}});
    for (const auto& [name, bytes] : std::map<std::string, Bytes>{{"text", text}, {"noise", noise}}) {
        const fs::path archive = Dir / (name + "-streamed.zip");
        Run("cat " + name + " | zip -q - - | cat > " + Quote(archive.string()));
        ExpectExtractsTo(archive, {{"-", bytes}}, "streamed " + name);
    }
}

TEST_F(ConformanceTest, PythonZipfileSeekableAndStreamed)
{
    // Stored entries with flag bit 3 and no local sizes copying nothing, or
    // deflated ones with unknown sizes running past their data.
    REQUIRE_TOOL("python3");
    auto files = SampleFiles();
    files.erase("text.txt");  // keeps the run short; the level test covers it
    WriteSources(files);
    for (const std::string compression : {"ZIP_STORED", "ZIP_DEFLATED"})
        for (const bool streamed : {false, true}) {
            const fs::path archive = Dir / (compression + (streamed ? "-pipe.zip" : ".zip"));
            Run(PythonZipCommand(archive, compression, streamed));
            ExpectExtractsTo(archive, files, compression + (streamed ? " streamed" : ""));
        }
}

TEST_F(ConformanceTest, SevenZipDeflateFastestAndBest)
{
    // Inflate faults that only another encoder's choices (block splits,
    // match lengths, dynamic tables) bring out.
    REQUIRE_TOOL("7zz");
    const auto files = SampleFiles();
    WriteSources(files);
    for (const std::string level : {"1", "9"}) {
        const fs::path archive = Dir / ("7z-mx" + level + ".zip");
        Run("7zz a -tzip -mm=Deflate -mx=" + level + " -bso0 -bsp0 " + Quote(archive.string()) + FileList(files));
        ExpectExtractsTo(archive, files, "7zz -mx=" + level);
    }
}

TEST_F(ConformanceTest, TwentyMegabyteFile)
{
    // Counters or the window position wrapping on a long entry.
    REQUIRE_TOOL("zip");
    const std::map<std::string, Bytes> files = {{"big.txt", TextLikeData(20 << 20, 41)}};
    WriteSources(files);
    const fs::path archive = Dir / "big.zip";
    Run("zip -q -6 " + Quote(archive.string()) + " big.txt");
    ExpectExtractsTo(archive, files, "20 MB");
}

TEST_F(ConformanceTest, FlippedBitsInDeflatedDataNeverPassAsGood)
{
    // Damaged data accepted as good, or a crash or hang on it.
    REQUIRE_TOOL("zip");
    WriteSources({{"t.txt", TextLikeData(200000, 51)}});
    const fs::path archive = Dir / "t.zip";
    Run("zip -q -9 " + Quote(archive.string()) + " t.txt");
    std::vector<TZipEntry> entries;
    ListZipEntries(archive.string(), entries);
    ASSERT_EQ(entries.size(), 1u);
    const Bytes original = ReadFile(archive);
    const size_t dataStart = entries[0].LocalHeaderOffset + 30 + 5 + 28;  // name "t.txt", zip's 28-byte extra
    const size_t dataLength = entries[0].CompressedSize;
    for (size_t step = 0; step < 40; ++step) {
        Bytes damaged = original;
        const size_t bit = (step * 7919 * 8 + step) % ((dataLength - 8) * 8);  // stay off the final padding
        damaged[dataStart + bit / 8] ^= uint8_t(1u << (bit % 8));
        const fs::path copy = Dir / "damaged.zip";
        WriteFile(copy, damaged);
        const int code = Driver.TestEntry(copy.string(), entries[0].LocalHeaderOffset, nullptr, 0,
                                          entries[0].CompressedSize, entries[0].UncompressedSize);
        EXPECT_TRUE(code == erCrc || code == erFormat || code == erRead) << "bit " << bit << " gave " << code;
    }
}

TEST_F(ConformanceTest, FixtureArchivesMatchPythonZipfile)
{
    // Real archives of old archivers (methods 0 and 8) failing or decoding
    // differently from an independent reader.
    REQUIRE_FIXTURES();
    REQUIRE_TOOL("python3");
    // One line per entry Python reads without error: archive number, offset,
    // CRC-32 and size of what it read. One Python run for all archives.
    const std::string script =
        "import sys, zipfile, zlib\n"
        "for n, path in enumerate(sys.argv[1:]):\n"
        "    try:\n"
        "        z = zipfile.ZipFile(path)\n"
        "    except Exception:\n"
        "        continue\n"
        "    for i in z.infolist():\n"
        "        if i.compress_type not in (0, 8) or i.flag_bits & 1 or i.filename.endswith('/'):\n"
        "            continue\n"
        "        try:\n"
        "            data = z.read(i)\n"
        "        except Exception:\n"
        "            continue\n"
        "        print(n, i.header_offset, zlib.crc32(data), len(data))\n";
    std::vector<std::string> archives;
    std::string command = "python3 -c " + Quote(script);
    for (const auto& item : fs::directory_iterator(FixturesDir())) {
        const std::string ext = item.path().extension().string();
        if (ext == ".zip" || ext == ".ZIP" || ext == ".exe" || ext == ".bin") {
            archives.push_back(item.path().string());
            command += " " + Quote(archives.back());
        }
    }
    std::map<std::string, std::vector<TZipEntry>> listed;
    for (const std::string& archive : archives)
        ListZipEntries(archive, listed[archive]);
    std::istringstream lines(RunCommand(command).Output);
    size_t checked = 0;
    size_t refusedStored = 0;
    size_t index;
    uint64_t offset, crc, size;
    while (lines >> index >> offset >> crc >> size) {
        const std::string& archive = archives.at(index);
        const std::string shortName = fs::path(archive).filename().string();
        const auto& entries = listed[archive];
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&](const TZipEntry& e) { return e.LocalHeaderOffset == offset; });
        if (found == entries.end())
            continue;  // an entry our directory reader does not list (damaged directory)
        const TZipEntry& entry = *found;
        // Stored entries whose sizes disagree are refused; Python reads the bytes the compressed size gives.
        if (entry.Method == zmStored && entry.CompressedSize != entry.UncompressedSize && !(entry.Flags & gpEncrypted)) {
            ++refusedStored;
            continue;
        }
        fs::remove_all(Out());
        fs::create_directories(Out());
        const std::string target = (Out() / "entry").string();
        EXPECT_EQ(Driver.ExtractEntry(archive, target, 0x20, entry.LocalHeaderOffset, nullptr, 0,
                                      entry.CompressedSize, entry.UncompressedSize),
                  erOk)
            << shortName << ": " << entry.FileName;
        const Bytes data = ReadFile(target);
        EXPECT_EQ(data.size(), size) << shortName << ": " << entry.FileName;
        EXPECT_EQ(ReferenceCrc32(data), crc) << shortName << ": " << entry.FileName;
        ++checked;
    }
    EXPECT_GT(checked, 50u);
    std::printf("fixture entries checked against Python zipfile: %zu; stored entries with sizes that disagree, "
                "refused: %zu\n", checked, refusedStored);
}
