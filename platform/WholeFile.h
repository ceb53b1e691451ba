// Small settings files (the INI file, mimeapps.list, desktop entries) read
// and written whole. A read tells a missing file (which reads as empty) from
// one that exists but cannot be read, so no caller rewrites a file it has
// not seen. A replacement writes a temporary file beside the target, syncs it
// and renames it over the old one, so a crash leaves the old file or the new
// one, never half of one. No state; failures are errno values, never thrown.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>

namespace valbrix::platform {

struct TWholeFile {
    std::string Bytes;
    // 0, or the errno value of the failure: ENOENT for a missing file, EISDIR
    // or ENODEV for something that is no regular file, EFBIG beyond the limit.
    int ErrorCode = 0;
    bool Missing() const { return ErrorCode == ENOENT; }
};

// Reads the regular file at `path` (links followed), at most maxBytes.
TWholeFile ReadWholeFile(const std::string& path, uint64_t maxBytes);

// Replaces the file at `path` by one holding `bytes`. A symbolic link (as
// dotfile managers keep them) is followed: the link stays, its target
// changes. An existing file's permission bits are kept; a new file gets
// 0666 less the umask. The folder must exist. 0 or the errno value.
int ReplaceWholeFile(const std::string& path, const std::string& bytes);

}  // namespace valbrix::platform
