// Fuzz target of the directory reader. The input is the whole archive file:
// it is written over one scratch file (made once per process in $TMPDIR or
// /tmp, removed at exit), then tested with IsZipArchive and enumerated to the
// end. The reader works on files only, so this keeps its real I/O path
// (end record search windows, large-directory refills) under the fuzzer.
// Large-directory mode needs 64000 directory bytes, far more than a useful
// fuzz input: an input that starts with 0xFF carries a 6-byte header (LE16
// position, LE16 length, LE16 count) and the file is the rest with the
// slice at that position repeated count times (at most 1 MB in all).
// Touches no other file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/ZipDirectory.h"

namespace {

class TScratchFile {
public:
    TScratchFile()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/valbrix-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        FFolder = pattern;
        FPath = FFolder + "/input.zip";
    }
    ~TScratchFile()
    {
        ::unlink(FPath.c_str());
        ::rmdir(FFolder.c_str());
    }
    const std::string& Write(const std::vector<uint8_t>& bytes)
    {
        const uint8_t* data = bytes.data();
        const size_t size = bytes.size();
        std::FILE* file = std::fopen(FPath.c_str(), "wb");
        if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
            std::abort();
        return FPath;
    }

private:
    std::string FFolder;
    std::string FPath;
};

constexpr size_t MaxExpandedBytes = 1 << 20;

std::vector<uint8_t> FileBytes(const uint8_t* data, size_t size)
{
    constexpr size_t HeaderBytes = 7;
    if (size < HeaderBytes || data[0] != 0xFF)
        return std::vector<uint8_t>(data, data + size);
    const uint8_t* rest = data + HeaderBytes;
    const size_t restBytes = size - HeaderBytes;
    size_t at = size_t(data[1] | (data[2] << 8));
    size_t sliceBytes = size_t(data[3] | (data[4] << 8));
    size_t count = size_t(data[5] | (data[6] << 8));
    at = at < restBytes ? at : restBytes;
    sliceBytes = sliceBytes < restBytes - at ? sliceBytes : restBytes - at;
    if (sliceBytes && count > MaxExpandedBytes / sliceBytes)
        count = MaxExpandedBytes / sliceBytes;
    std::vector<uint8_t> file(rest, rest + at);
    for (size_t i = 0; i < count; ++i)
        file.insert(file.end(), rest + at, rest + at + sliceBytes);
    file.insert(file.end(), rest + at + sliceBytes, rest + restBytes);
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TScratchFile scratch;
    const std::vector<uint8_t> file = FileBytes(data, size);
    const std::string& path = scratch.Write(file);
    (void)valbrix::IsZipArchive(path);
    valbrix::TZipDirectory directory;
    size_t entries = 0;
    for (int result = valbrix::OpenZipDirectory(path, directory); result == 0; result = valbrix::NextZipEntry(directory)) {
        // Every record takes at least 46 bytes of the file.
        if (directory.Entry.FileName.size() > valbrix::MaxEntryNameBytes || ++entries > file.size() / 46 + 1)
            std::abort();
    }
    valbrix::CloseZipDirectory(directory);
    if (directory.Buffer || directory.LargeDirectoryFile)
        std::abort();
    return 0;
}
