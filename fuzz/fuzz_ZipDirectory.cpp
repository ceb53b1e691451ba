// Fuzz target of the directory reader. The input is the whole archive file,
// read from memory through the same positioned reads a file gets (end record
// search windows, large-directory refills), opened by the archive object and
// enumerated to the end; a file that does not start like an archive is
// enumerated by the directory reader directly. Large-directory mode needs 64000 directory bytes,
// far more than a useful fuzz input: an input that starts with 0xFF carries
// a 6-byte header (LE16 position, LE16 length, LE16 count) and the archive
// is the rest with the slice at that position repeated count times (at most
// 128 KB in all: two directory buffers, so records still straddle a
// refill; at 1 MB, searching such files for their end record was most of
// the fuzzing time). Touches no file.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/archive/ZipArchive.h"
#include "engine/archive/ZipDirectory.h"

namespace {

constexpr size_t MaxExpandedBytes = 128 << 10;

// The archive bytes, in a buffer kept from run to run (a fresh one per input
// was fresh memory under the address sanitizer); the slice is repeated by
// doubling copies, not one insertion per copy.
const std::vector<uint8_t>& FileBytes(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> file;
    constexpr size_t HeaderBytes = 7;
    if (size < HeaderBytes || data[0] != 0xFF) {
        file.assign(data, data + size);
        return file;
    }
    const uint8_t* rest = data + HeaderBytes;
    const size_t restBytes = size - HeaderBytes;
    size_t at = size_t(data[1] | (data[2] << 8));
    size_t sliceBytes = size_t(data[3] | (data[4] << 8));
    size_t count = size_t(data[5] | (data[6] << 8));
    at = at < restBytes ? at : restBytes;
    sliceBytes = sliceBytes < restBytes - at ? sliceBytes : restBytes - at;
    if (sliceBytes && count > MaxExpandedBytes / sliceBytes)
        count = MaxExpandedBytes / sliceBytes;
    const size_t repeated = sliceBytes * count;
    const size_t tailBytes = restBytes - at - sliceBytes;
    file.resize(at + repeated + tailBytes);
    uint8_t* out = file.data();
    if (at)
        std::memcpy(out, rest, at);
    if (repeated) {
        uint8_t* const start = out + at;
        std::memcpy(start, rest + at, sliceBytes);
        for (size_t done = sliceBytes; done < repeated; done *= 2)
            std::memcpy(start + done, start, std::min(done, repeated - done));
    }
    if (tailBytes)
        std::memcpy(out + at + repeated, rest + at + sliceBytes, tailBytes);
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t>& file = FileBytes(data, size);
    size_t entries = 0;
    const auto check = [&](const valbrix::TZipEntry& entry) {
        // Every record takes at least 30 bytes of the file (a local header, when recovered).
        if (entry.FileName.size() > valbrix::MaxEntryNameBytes || ++entries > file.size() / 30 + 1)
            std::abort();
    };
    // The archive object walks the directory (and the local headers, when
    // it is lost) of every file; walking it here as well doubled the cost of a run.
    valbrix::TZipArchive archive;
    const valbrix::TArchiveKind kind = archive.Open(
        std::make_unique<valbrix::TMemoryArchiveReader>(file.data(), file.size()), check, [&entries] { entries = 0; });
    if ((kind == valbrix::akArchive || kind == valbrix::akDamaged) && archive.EntriesRead() != entries)
        std::abort();
    if (kind != valbrix::akNotArchive)
        return 0;
    // Any other file (a cut head, a broken self-extractor stub) only the
    // directory reader itself walks.
    valbrix::TZipDirectory directory;
    entries = 0;
    for (int result = valbrix::OpenZipDirectory(std::make_unique<valbrix::TMemoryArchiveReader>(file.data(), file.size()),
                                                directory);
         result == valbrix::drEntry; result = valbrix::NextZipEntry(directory))
        check(directory.Entry);
    valbrix::CloseZipDirectory(directory);
    if (directory.Buffer || directory.LargeDirectoryReader)
        std::abort();
    return 0;
}
