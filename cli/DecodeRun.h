// Entries decoded without a target folder, one after the other on this
// thread: `test` (the bytes are only checked) and `extract -p` (the bytes
// go to standard output, in archive order, and nothing else goes there).
// Each failure gives one line on stderr; folder entries are passed over.
#pragma once

#include <cstdint>

#include "cli/Password.h"
#include "cli/TerminalReport.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"

namespace valbrix::cli {

struct TDecodeCounts {
    uint64_t Decoded = 0;  // entries decoded, failed ones included
    uint64_t Failed = 0;
};

// With `toStdout` the entries' bytes are written to standard output.
TDecodeCounts DecodeEntries(const TZipArchive& archive, TEntrySelection& selection, TCliPasswordProvider* passwords,
                            bool toStdout, TTerminalReport& report);

}  // namespace valbrix::cli
