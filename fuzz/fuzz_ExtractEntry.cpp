// Fuzz target for the whole extraction path: the input is an archive, read
// from memory through the archive object; every entry it lists is extracted
// below a scratch folder held by a handle (and checked in test mode), so
// damaged headers, sizes that lie, descriptors and every decoder are
// reached through the driver. The
// scratch folder is made once per process, in memory (/dev/shm) where there
// is one, and emptied on every run: on a disk, making and removing the
// files and folders was most of a run. Output names are entry numbers,
// never the entry's own name, so nothing is written elsewhere. One driver
// serves every run, as one serves every entry of a job. Entries that claim
// more than a few MB are skipped to keep runs fast.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "ListedEntries.h"
#include "engine/archive/ArchiveReader.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/ExtractEntry.h"
#include "platform/FileServices.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t MaxEntries = 16;
constexpr uint32_t MaxEntryBytes = 8u << 20;

// Made on first use, removed with everything in it when the process ends.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
        std::string pattern = base + "/valbrix-fuzz-extract-XXXXXX";
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
    fs::remove_all(out, error);
    fs::create_directories(out, error);
    valbrix::platform::TFolder folder;
    if (folder.Open(out.string()) != 0)
        std::abort();
    valbrix::TZipArchive archive;
    archive.Open(std::make_unique<valbrix::TMemoryArchiveReader>(data, size));
    const std::vector<valbrix::TZipEntry> entries = ListedEntries(archive, MaxEntries);
    if (!archive.Reader())
        return 0;
    static valbrix::TExtractionDriver driver;
    driver.LendArchive(*archive.Reader());
    for (size_t i = 0; i < entries.size(); ++i) {
        const valbrix::TZipEntry& entry = entries[i];
        if (entry.UncompressedSize > MaxEntryBytes || entry.CompressedSize > MaxEntryBytes)
            continue;
        const bool isFolder = !entry.FileName.empty() && entry.FileName.back() == '/';
        const std::string target = "e" + std::to_string(i) + "/f" + (isFolder ? "/" : "");
        driver.ExtractEntryAt(folder, target, valbrix::ShapeOf(entry), entry.LocalHeaderOffset, nullptr, 0,
                              entry.CompressedSize, entry.UncompressedSize);
        driver.TestEntry(entry.LocalHeaderOffset, std::nullopt, std::nullopt);
    }
    return 0;
}
