// What an entry becomes on the disk, decided from its directory entry alone,
// so the window and valbrix-cli create the same things: a plain file, a
// folder or a symbolic link, the permission bits an entry from a Unix-like
// host stored, and its exact modification time where an extra field gave
// one. An entry from MS-DOS or Windows keeps the attribute rule it always
// had. A stored mode of another file type (device, pipe, socket) makes a
// plain file: only the permission bits are taken, never the type.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/archive/ExtraFields.h"
#include "platform/FileServices.h"

namespace valbrix {

struct TZipEntry;

enum TEntryKind : uint8_t { ekFile, ekFolder, ekLink };

struct TEntryShape {
    TEntryKind Kind = ekFile;
    uint16_t DosAttributes = 0;               // the rule for files without a Unix mode
    std::optional<platform::TFileMode> Mode;  // rwx bits of a Unix mode, before the umask
    std::optional<TExactTime> Modified;       // none: the local header's MS-DOS time, as local time
};

TEntryShape ShapeOf(const TZipEntry& entry);

// The shape of an entry known only by its MS-DOS attributes (0x10: folder).
TEntryShape DosShape(uint16_t attributes);

}  // namespace valbrix
