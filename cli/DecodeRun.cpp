// Decoding without a target folder; see the header.
#include "cli/DecodeRun.h"

#include <cstdio>

#include "cli/Messages.h"
#include "engine/ResultCodes.h"
#include "engine/extract/ExtractEntry.h"
#include "engine/extract/TargetPath.h"

namespace valbrix::cli {

namespace {

// Standard output as the decoder's sink; stdio's buffer gathers the small writes.
class TStdoutSink : public TOutputSink {
public:
    bool Write(const uint8_t* data, size_t count) override { return std::fwrite(data, 1, count, stdout) == count; }
};

}  // namespace

TDecodeCounts DecodeToStdout(const TZipArchive& archive, TEntrySelection& selection, TCliPasswordProvider* passwords)
{
    TExtractionDriver driver;
    driver.SetPasswordProvider(passwords);
    if (archive.Reader())
        driver.LendArchive(*archive.Reader());
    TStdoutSink sink;
    TDecodeCounts counts;
    while (const TZipEntry* entry = selection.Next()) {
        if (IsFolderName(entry->FileName))  // nothing to decode: not counted
            continue;
        ++counts.Decoded;
        if (passwords)
            passwords->SetEntryName(entry->FileName);
        // A damaged entry's data is not all there: it fails unread.
        const int code = entry->Damage != edNone
                             ? erRead
                             : driver.DecodeEntryTo(sink, entry->LocalHeaderOffset, entry->CompressedSize,
                                                    entry->UncompressedSize);
        if (code != erOk) {
            PrintEntryError(entry->FileName,
                            code == erOutput ? std::string("cannot write to standard output") : ResultText(code, *entry));
            ++counts.Failed;
        }
    }
    std::fflush(stdout);
    return counts;
}

}  // namespace valbrix::cli
