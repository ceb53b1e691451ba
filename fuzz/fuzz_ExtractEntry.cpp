// Fuzz target for the whole extraction path: the input is an archive, read
// from memory; every entry the directory reader lists is extracted into a
// scratch folder (and checked in test mode), so damaged headers, sizes that
// lie, descriptors and every decoder are reached through the driver. The
// scratch folder is made once per process and emptied on every run; output
// names are entry numbers, never the entry's own name, so nothing is
// written elsewhere. Entries that claim more than a few MB are skipped to
// keep runs fast.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ListedEntries.h"
#include "engine/archive/ArchiveReader.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/archive/ZipDirectory.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t MaxEntries = 16;
constexpr uint32_t MaxEntryBytes = 8u << 20;

// Made on first use, removed with everything in it when the process ends.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/valbrix-fuzz-extract-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        FPath = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code error;
        fs::remove_all(FPath, error);
    }
    const fs::path& Path() const { return FPath; }

private:
    fs::path FPath;
};

const fs::path& ScratchDir()
{
    static const ScratchFolder folder;
    return folder.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fs::path& scratch = ScratchDir();
    const fs::path out = scratch / "out";
    std::error_code error;
    // The driver moves into the folders it creates; the fuzzer's own relative
    // paths (corpus, artifacts) need the folder it started in.
    const fs::path startDir = fs::current_path(error);
    fs::remove_all(out, error);
    fs::create_directories(out, error);
    const std::string archive = "in.zip";  // a name only: the driver reads the bytes below
    const std::vector<valbrix::TZipEntry> entries = ListedEntries(data, size, MaxEntries);
    valbrix::TExtractionDriver driver;
    driver.UseArchive(archive, std::make_unique<valbrix::TMemoryArchiveReader>(data, size));
    for (size_t i = 0; i < entries.size() && i < MaxEntries; ++i) {
        const valbrix::TZipEntry& entry = entries[i];
        if (entry.UncompressedSize > MaxEntryBytes || entry.CompressedSize > MaxEntryBytes)
            continue;
        const bool folder = !entry.FileName.empty() && entry.FileName.back() == '/';
        const std::string target = (out / ("e" + std::to_string(i) + "/f")).string() + (folder ? "/" : "");
        driver.ExtractEntry(archive, target, entry.Attributes, entry.LocalHeaderOffset, nullptr, 0,
                            entry.CompressedSize, entry.UncompressedSize);
        driver.TestEntry(archive, entry.LocalHeaderOffset);
    }
    fs::current_path(startDir, error);
    return 0;
}
