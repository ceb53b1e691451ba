// Fuzz target for encrypted entries: the input is an archive, read from
// memory; every entry the directory reader lists is decoded in test mode
// with the fixed password "fuzz", so the traditional cipher's header and
// check, the AES field, salt, verifier and code, the decryption stage's
// bounds, data descriptors behind encrypted data and every decoder under
// the cipher are reached. The seeds are archives made with that password.
// Nothing is written.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "ListedEntries.h"
#include "engine/archive/ArchiveReader.h"
#include "engine/archive/ZipArchive.h"
#include "engine/crypto/PasswordProvider.h"
#include "engine/extract/ExtractEntry.h"

namespace {

constexpr size_t MaxEntries = 16;
constexpr uint64_t MaxEntryBytes = 8u << 20;

// One password; once it did not fit there is nothing else to try.
class TFuzzPassword : public valbrix::TPasswordProvider {
public:
    valbrix::TPasswordAnswer AskPassword(bool wrongBefore, valbrix::TSecret& password) override
    {
        if (wrongBefore)
            return valbrix::paNoOther;
        password = valbrix::TSecret("fuzz");
        return valbrix::paGiven;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    valbrix::TZipArchive archive;
    archive.Open(std::make_unique<valbrix::TMemoryArchiveReader>(data, size));
    const std::vector<valbrix::TZipEntry> entries = ListedEntries(archive, MaxEntries);
    if (!archive.Reader())
        return 0;
    TFuzzPassword password;
    // One driver for every run, as for every entry of a job; lending it the
    // archive forgets the password of the run before.
    static valbrix::TExtractionDriver driver;
    driver.SetPasswordProvider(&password);
    driver.LendArchive(*archive.Reader());
    for (const valbrix::TZipEntry& entry : entries) {
        if (entry.UncompressedSize > MaxEntryBytes || entry.CompressedSize > MaxEntryBytes)
            continue;
        driver.TestEntry(entry.LocalHeaderOffset, entry.CompressedSize, entry.UncompressedSize);
        // Without the directory's sizes, as a streamed entry may leave the local header.
        driver.TestEntry(entry.LocalHeaderOffset, std::nullopt, std::nullopt);
    }
    return 0;
}
