// The ARCHIVE of a command line opened for a command: a path, or '-' for
// standard input. When it cannot be opened, one line on stderr says why:
// the system's reason (no such file, a folder, no permission), or that the
// file holds no ZIP directory. A damaged directory is warned about and the
// archive is still used.
#pragma once

#include <string>

#include "engine/archive/ZipArchive.h"
#include "platform/SpooledInput.h"

namespace valbrix::cli {

class TArchiveInput {
public:
    // False, said on stderr, when there is nothing to read entries from.
    bool Open(TZipArchive& archive, const std::string& operand);

private:
    bool OpenStandardInput(TZipArchive& archive);

    platform::TSpooledInput FSpool;  // holds the copy of standard input while the archive is open
};

}  // namespace valbrix::cli
