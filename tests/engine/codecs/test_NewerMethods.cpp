// Deflate64, bzip2, LZMA, XZ and Zstandard entries, made at test time by the
// black-box tools (7zz, Python's zipfile, the zstd and xz tools wrapped in a
// crafted archive), through the directory reader and the extraction driver;
// then the same streams raw through each decoder: size bombs, cut and
// damaged streams, the memory caps, and the abort.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "engine/codecs/Decoders.h"
#include "engine/codecs/Methods.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipDirectory.h"
#include "support/CraftedZip.h"
#include "support/MemoryStreams.h"

namespace valbrix::test {
namespace {

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// stdout of a shell command that must succeed.
Bytes ToolOutput(const std::string& command)
{
    const CommandResult result = RunCommand(command);
    EXPECT_EQ(result.ExitCode, 0) << command;
    return AsBytes(result.Output);
}

// A ZIP LZMA entry's data: version 9.20, properties size 5, then the raw
// stream (with its end marker) and its properties, from Python's lzma module.
Bytes ZipLzmaData(const std::filesystem::path& file, uint32_t dictionaryBytes = 1u << 20)
{
    const std::string script =
        "import lzma,sys\n"
        "f=[{'id':lzma.FILTER_LZMA1,'dict_size':" + std::to_string(dictionaryBytes) + ",'lc':3,'lp':0,'pb':2}]\n"
        "d=open(sys.argv[1],'rb').read()\n"
        "p=lzma._encode_filter_properties(f[0])\n"
        "sys.stdout.buffer.write(bytes([9,20,5,0])+p+lzma.compress(d,format=lzma.FORMAT_RAW,filters=f))\n";
    return ToolOutput("python3 -c " + Quote(script) + " " + Quote(file.string()));
}

// How each method's raw stream (the entry's data) is made from a file.
struct TMaker {
    const char* Name;
    uint16_t Method;
    std::function<Bytes(const std::filesystem::path&)> Compress;
    const char* Tool;
};

const std::vector<TMaker>& Makers()
{
    static const std::vector<TMaker> makers = {
        {"bzip2", zmBzip2, [](const auto& f) { return ToolOutput("bzip2 -c " + Quote(f.string())); }, "bzip2"},
        {"LZMA", zmLzma, [](const auto& f) { return ZipLzmaData(f); }, "python3"},
        {"XZ", zmXz, [](const auto& f) { return ToolOutput("xz -c " + Quote(f.string())); }, "xz"},
        {"Zstandard", zmZstandard, [](const auto& f) { return ToolOutput("zstd -q -c " + Quote(f.string())); },
         "zstd"},
    };
    return makers;
}

// Runs a method's decoder on a raw stream held in memory.
struct TRawRun {
    int Result;
    Bytes Output;
};
TRawRun DecodeRaw(uint16_t method, const Bytes& stream, uint32_t outputSize, uint16_t flags = 0,
                  TProgressReceiver* receiver = nullptr)
{
    DecoderRun run(stream, outputSize, flags);
    run.State.NotifyWindow = receiver;
    const int result = RunDecoder(run.State, method);
    return {result, run.Sink.FData};
}

class NewerMethods : public ::testing::Test {
protected:
    // Every entry of the archive, extracted and compared with `expected`
    // by name; returns the methods seen.
    std::vector<uint16_t> ExtractAll(const std::filesystem::path& archive,
                                     const std::function<Bytes(const std::string&)>& expected)
    {
        std::vector<TZipEntry> entries;
        EXPECT_EQ(ListZipEntries(archive.string(), entries), dsComplete);
        std::vector<uint16_t> methods;
        for (const TZipEntry& entry : entries) {
            SCOPED_TRACE(entry.FileName);
            methods.push_back(entry.Method);
            const auto target = Dir / "out";
            std::filesystem::remove(target);
            const int code = Driver.ExtractEntry(archive.string(), target.string(), entry.Attributes,
                                                 entry.LocalHeaderOffset, nullptr, 0, entry.CompressedSize,
                                                 entry.UncompressedSize);
            EXPECT_EQ(code, CanDecode(entry.Method) ? erOk : erUnsupported);
            if (code == erOk) {
                EXPECT_TRUE(ReadFile(target) == expected(entry.FileName)) << "differs";
            }
        }
        return methods;
    }

    TempDir Dir;
    TExtractionDriver Driver;
};

}  // namespace

// Catches a method the peers write that we refuse or decode wrongly: text and
// noise (stored by some writers, compressed by others) of a few hundred KB,
// past the 64 KB Deflate64 reach and bzip2's first block. PPMd must be refused.
TEST_F(NewerMethods, ArchivesOfThePeersExtract)
{
    REQUIRE_TOOL("7zz");
    REQUIRE_TOOL("python3");
    const Bytes text = TextLikeData(1200000, 5);
    const Bytes noise = RandomData(70000, 6);
    WriteFile(Dir / "text.txt", text);
    WriteFile(Dir / "noise.bin", noise);
    const auto expected = [&](const std::string& name) { return name == "text.txt" ? text : noise; };
    for (const char* method : {"Deflate64", "BZip2", "LZMA", "XZ", "PPMd"}) {
        SCOPED_TRACE(method);
        const auto archive = Dir / (std::string(method) + ".zip");
        ASSERT_EQ(RunCommand("cd " + Quote(Dir.Path().string()) + " && 7zz a -bd -y -tzip -mm=" + method + " " +
                             Quote(archive.string()) + " text.txt noise.bin >/dev/null")
                      .ExitCode,
                  0);
        const auto methods = ExtractAll(archive, expected);
        EXPECT_EQ(methods.size(), 2u);
    }
    for (const char* method : {"ZIP_BZIP2", "ZIP_LZMA"}) {
        SCOPED_TRACE(method);
        const auto archive = Dir / (std::string(method) + ".zip");
        const std::string script = std::string("import zipfile,sys\n") +
                                   "z=zipfile.ZipFile(sys.argv[1],'w',zipfile." + method + ")\n" +
                                   "z.write(sys.argv[2],'text.txt');z.write(sys.argv[3],'noise.bin');z.close()\n";
        ASSERT_EQ(RunCommand("python3 -c " + Quote(script) + " " + Quote(archive.string()) + " " +
                             Quote((Dir / "text.txt").string()) + " " + Quote((Dir / "noise.bin").string()))
                      .ExitCode,
                  0);
        EXPECT_EQ(ExtractAll(archive, expected).size(), 2u);
    }
    if (TOOL_PRESENT("zip")) {
        const auto archive = Dir / "zip-bzip2.zip";
        ASSERT_EQ(RunCommand("cd " + Quote(Dir.Path().string()) + " && zip -q -Z bzip2 " + Quote(archive.string()) +
                             " text.txt noise.bin")
                      .ExitCode,
                  0);
        EXPECT_EQ(ExtractAll(archive, expected).size(), 2u);
    }
}

// Catches a real archiver's entry of a newer method refused or mis-decoded
// (the fixture walk checks every entry's CRC; this pins that the fixtures do
// hold the methods, so a decoder cannot drop out of the walk unnoticed), the
// Deflate64 entry with a data descriptor among deflated ones included.
TEST(NewerMethodFixtures, RealArchiversEntriesDecode)
{
    REQUIRE_FIXTURES();
    const std::tuple<const char*, uint16_t, size_t> fixtures[] = {
        {"cc-lorem-ipsum-deflate64.zip", zmDeflate64, 1}, {"zd-pkzip-method-deflate64.zip", zmDeflate64, 2},
        {"zd-7z-windows-deflate64.zip", zmDeflate64, 1},  {"zd-winzip-ee-enhancedDeflate.zip", zmDeflate64, 1},
        {"cc-COMPRESS-380-dd.zip", zmDeflate64, 1},       {"zd-pkzip-method-bzip2.zip", zmBzip2, 2},
        {"zd-pkzip-method-lzma.zip", zmLzma, 2},          {"zip2-xz.zip", zmXz, 1},
        {"la-test_read_format_zip_zstd.zipx", zmZstandard, 1},
    };
    TExtractionDriver driver;
    for (const auto& [file, method, count] : fixtures) {
        const auto archive = (FixturesDir() / file).string();
        std::vector<TZipEntry> entries;
        ListZipEntries(archive, entries);
        size_t seen = 0;
        for (const TZipEntry& entry : entries) {
            if (entry.Method != method)
                continue;
            ++seen;
            EXPECT_EQ(driver.TestEntry(archive, entry.LocalHeaderOffset, nullptr, 0, entry.CompressedSize,
                                       entry.UncompressedSize),
                      erOk)
                << file << ": " << entry.FileName;
        }
        EXPECT_EQ(seen, count) << file;
    }
}

// Catches a Zstandard or XZ entry refused or mis-decoded, and a data
// descriptor not found behind the stream (the decoder read past its end):
// the tools' output wrapped in a crafted archive, once with the sizes in the
// local header and once streamed, with only a descriptor behind the data.
TEST_F(NewerMethods, ToolStreamsInCraftedArchivesExtract)
{
    const Bytes text = TextLikeData(500000, 8);
    WriteFile(Dir / "text.txt", text);
    for (const TMaker& maker : Makers()) {
        if (!TOOL_PRESENT(maker.Tool))
            continue;
        SCOPED_TRACE(maker.Name);
        const Bytes data = maker.Compress(Dir / "text.txt");
        for (const bool streamed : {false, true}) {
            CraftedEntry entry;
            entry.Name = "text.txt";
            entry.Data = data;
            entry.Method = maker.Method;
            entry.Flags = maker.Method == zmLzma ? 0x0002 : 0;  // the LZMA stream ends with its marker
            entry.Crc32 = ReferenceCrc32(text);
            entry.CompressedSize = uint32_t(data.size());
            entry.UncompressedSize = uint32_t(text.size());
            if (streamed) {
                entry.Flags |= 0x0008;
                entry.LocalCrc32 = entry.LocalCompressedSize = entry.LocalUncompressedSize = 0;
                entry.DataDescriptor = true;
                entry.DescriptorSignature = maker.Method != zmXz;
            }
            CraftedZip zip;
            zip.Add(entry);
            zip.Add(StoredEntry("after.txt", AsBytes("behind")));
            const auto archive = Dir / "crafted.zip";
            WriteFile(archive, zip.Build());
            ExtractAll(archive, [&](const std::string& name) { return name == "text.txt" ? text : AsBytes("behind"); });
        }
    }
}

// Catches a size bomb per method: 20 MB of zeros compress to a few KB, and
// the entry claims 100000 bytes. The decoder must stop there with 4 and
// write nothing beyond, with or without LZMA's end-marker flag. The exact
// size must still decode.
TEST(NewerMethodDecoders, SizeBombsStopAtTheStatedSize)
{
    TempDir dir;
    const Bytes zeros(20000000, 0);
    WriteFile(dir / "zeros", zeros);
    for (const TMaker& maker : Makers()) {
        if (!TOOL_PRESENT(maker.Tool))
            continue;
        SCOPED_TRACE(maker.Name);
        const Bytes stream = maker.Compress(dir / "zeros");
        ASSERT_LT(stream.size(), 100000u);
        const uint16_t endMarker = maker.Method == zmLzma ? 0x0002 : 0;
        const TRawRun bomb = DecodeRaw(maker.Method, stream, 100000, endMarker);
        EXPECT_EQ(bomb.Result, erFormat);
        EXPECT_LE(bomb.Output.size(), 100000u);
        const TRawRun exact = DecodeRaw(maker.Method, stream, uint32_t(zeros.size()), endMarker);
        EXPECT_EQ(exact.Result, erOk);
        EXPECT_EQ(exact.Output.size(), zeros.size());
        if (maker.Method == zmLzma) {
            // Without the marker flag the size ends the stream, and a stream
            // that goes on there is just as bad.
            const TRawRun bySize = DecodeRaw(maker.Method, stream, 100000);
            EXPECT_EQ(bySize.Result, erFormat);
            EXPECT_LE(bySize.Output.size(), 100000u);
        }
    }
}

// Catches a crash, a hang or a success report on a stream cut short or
// damaged in its middle; the driver's CRC is not there to help, so only
// LZMA (which carries no check of its own) may pass damage as success.
TEST(NewerMethodDecoders, CutAndDamagedStreamsFail)
{
    TempDir dir;
    const Bytes text = TextLikeData(300000, 11);
    WriteFile(dir / "text", text);
    for (const TMaker& maker : Makers()) {
        if (!TOOL_PRESENT(maker.Tool))
            continue;
        SCOPED_TRACE(maker.Name);
        const uint16_t endMarker = maker.Method == zmLzma ? 0x0002 : 0;
        const Bytes stream = maker.Compress(dir / "text");
        for (const size_t cut : {size_t(0), size_t(3), size_t(12), stream.size() / 2, stream.size() - 1}) {
            const TRawRun run = DecodeRaw(maker.Method, Bytes(stream.begin(), stream.begin() + long(cut)),
                                          uint32_t(text.size()), endMarker);
            EXPECT_TRUE(run.Result == erRead || run.Result == erFormat) << "cut at " << cut << " gave " << run.Result;
        }
        Bytes damaged = stream;
        for (size_t i = damaged.size() / 3; i < damaged.size() / 3 + 8; ++i)
            damaged[i] ^= 0x5A;
        const TRawRun run = DecodeRaw(maker.Method, damaged, uint32_t(text.size()), endMarker);
        if (maker.Method != zmLzma)
            EXPECT_TRUE(run.Result == erFormat || run.Result == erCrc) << "gave " << run.Result;
        else
            EXPECT_TRUE(run.Result != erOk || run.Output != text);
    }
}

// Catches a dictionary or window over 256 MB allocated instead of refused,
// or refused as a method we do not decode instead of with its own reason
// (11): an LZMA header that names 512 MB, a Zstandard frame whose window
// descriptor says 512 MB, an XZ block header whose filter asks for 1 GB.
TEST(NewerMethodDecoders, HugeDictionariesAreRefused)
{
    Bytes lzma = {9, 20, 5, 0, 0x5D};  // lc 3, lp 0, pb 2
    PutLe32(lzma, 512u << 20);
    lzma.resize(lzma.size() + 16, 0);
    EXPECT_EQ(DecodeRaw(zmLzma, lzma, 10).Result, erMemoryLimit);

    Bytes zstd;
    PutLe32(zstd, 0xFD2FB528u);   // frame magic
    zstd.push_back(0x00);         // no single segment, no checksum, no content size
    zstd.push_back(19 << 3);      // window log 10 + 19 = 29
    zstd.insert(zstd.end(), {0x09, 0x00, 0x00, 'x'});  // last raw block of 1 byte
    EXPECT_EQ(DecodeRaw(zmZstandard, zstd, 1).Result, erMemoryLimit);

    REQUIRE_TOOL("xz");
    Bytes xz = ToolOutput("printf x | xz -c --threads=1");
    // Stream header (12 bytes), then the block header: its size, flags
    // (no sizes in a single-threaded stream), filter id 0x21, 1 property
    // byte, the dictionary code, padding, CRC-32.
    const size_t block = 12, headerBytes = (xz[block] + 1) * 4;
    ASSERT_EQ(xz[block + 1], 0x00);
    ASSERT_EQ(xz[block + 2], 0x21);
    xz[block + 4] = 36;  // 2^(36/2 + 12) = 1 GB
    const uint32_t crc = ReferenceCrc32(Bytes(xz.begin() + block, xz.begin() + long(block + headerBytes - 4)));
    for (int i = 0; i < 4; ++i)
        xz[block + headerBytes - 4 + i] = uint8_t(crc >> (8 * i));
    EXPECT_EQ(DecodeRaw(zmXz, xz, 1).Result, erMemoryLimit);
}

// Catches an LZMA dictionary held to the entry's size cut below what the
// entry's matches reach: noise written twice, so the second half is one
// match reaching back to the first byte, under a 64 MB dictionary, with
// and without the end marker.
TEST(NewerMethodDecoders, DictionaryLargerThanTheEntryStillReachesItsStart)
{
    REQUIRE_TOOL("python3");
    TempDir dir;
    Bytes twice = RandomData(60000, 13);
    twice.insert(twice.end(), twice.begin(), twice.end());
    WriteFile(dir / "twice", twice);
    const Bytes stream = ZipLzmaData(dir / "twice", 64u << 20);
    ASSERT_LT(stream.size(), 70000u);
    for (const uint16_t flags : {uint16_t(0), uint16_t(0x0002)}) {
        const TRawRun run = DecodeRaw(zmLzma, stream, uint32_t(twice.size()), flags);
        EXPECT_EQ(run.Result, erOk) << "flags " << flags;
        EXPECT_TRUE(run.Output == twice) << "flags " << flags;
    }
}

// Catches a Zstandard context kept from entry to entry that carries one
// entry's stream into the next: a frame cut short, a whole one, one
// refused for its window, and the whole one again, through one context.
TEST(NewerMethodDecoders, KeptZstandardContextStartsEachEntryAfresh)
{
    REQUIRE_TOOL("zstd");
    TempDir dir;
    const Bytes text = TextLikeData(200000, 12);
    WriteFile(dir / "text", text);
    const Bytes whole = ToolOutput("zstd -q -c " + Quote((dir / "text").string()));
    const Bytes cut(whole.begin(), whole.begin() + long(whole.size() / 2));
    Bytes huge;
    PutLe32(huge, 0xFD2FB528u);
    huge.push_back(0x00);
    huge.push_back(19 << 3);  // window log 29
    huge.insert(huge.end(), {0x09, 0x00, 0x00, 'x'});
    const struct {
        const Bytes* Stream;
        int Result;
    } steps[] = {{&cut, erRead}, {&whole, erOk}, {&huge, erMemoryLimit}, {&whole, erOk}};
    std::unique_ptr<TKeptDecoder> kept;
    for (const auto& step : steps) {
        DecoderRun run(*step.Stream, uint32_t(text.size()));
        run.State.KeptZstd = std::move(kept);
        const int result = RunDecoder(run.State, zmZstandard);
        kept = std::move(run.State.KeptZstd);
        if (step.Result == erRead) {
            EXPECT_TRUE(result == erRead || result == erFormat) << "gave " << result;
        } else {
            EXPECT_EQ(result, step.Result);
        }
        if (step.Result == erOk) {
            EXPECT_TRUE(run.Sink.FData == text);
        }
    }
}

// Catches an abort that the library-backed decoders ignore: the receiver
// answers AbortProgress at the first progress step.
TEST(NewerMethodDecoders, AbortStopsEveryMethod)
{
    struct TAbortAll : TProgressReceiver {
        void Progress(int16_t, uint16_t& percent) override { percent = AbortProgress; }
    } receiver;
    TempDir dir;
    WriteFile(dir / "noise", RandomData(200000, 4));
    for (const TMaker& maker : Makers()) {
        if (!TOOL_PRESENT(maker.Tool))
            continue;
        SCOPED_TRACE(maker.Name);
        const Bytes stream = maker.Compress(dir / "noise");
        EXPECT_EQ(DecodeRaw(maker.Method, stream, 200000, maker.Method == zmLzma ? 2 : 0, &receiver).Result,
                  erAborted);
    }
}

// Catches the window and the CLI disagreeing with the driver about what we
// decode, and a refused method whose name is missing from the reason.
TEST(MethodTable, NamesAndDecodability)
{
    const std::pair<uint16_t, const char*> decoded[] = {
        {0, "Stored"}, {1, "Shrink"}, {2, "Reduce 1"}, {5, "Reduce 4"}, {6, "Implode"}, {8, "Deflate"},
        {9, "Deflate64"}, {12, "BZip2"}, {14, "LZMA"}, {93, "Zstandard"}, {95, "XZ"},
    };
    for (const auto& [method, name] : decoded) {
        EXPECT_TRUE(CanDecode(method)) << name;
        EXPECT_EQ(MethodName(method), name);
    }
    for (const uint16_t method : {7, 10, 98, 99, 200, 65535})
        EXPECT_FALSE(CanDecode(method)) << method;
    EXPECT_EQ(MethodName(98), "PPMd");
    EXPECT_EQ(MethodName(200), "200");
}

}  // namespace valbrix::test
