// `extract -p`: entries decoded to standard output, one after the other on
// this thread, in archive order, and nothing else goes there. Each failure
// gives one line on stderr; folder entries are passed over.
#pragma once

#include <cstdint>

#include "cli/Password.h"
#include "engine/archive/ZipArchive.h"
#include "engine/extract/EntrySelection.h"

namespace valbrix::cli {

struct TDecodeCounts {
    uint64_t Decoded = 0;  // entries decoded, failed ones included
    uint64_t Failed = 0;
};

TDecodeCounts DecodeToStdout(const TZipArchive& archive, TEntrySelection& selection, TCliPasswordProvider* passwords);

}  // namespace valbrix::cli
