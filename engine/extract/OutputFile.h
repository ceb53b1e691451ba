// The output side of one entry: the folders along the target's path, and the
// pending output file that becomes the target only when the entry checked
// out, so a damaged or aborted entry never destroys an existing file and no
// partial file ever stands under the target's name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/EngineState.h"
#include "platform/FileServices.h"

namespace valbrix {

// Walks the folders of `name` (those before its last '/'), changing into each
// and creating it when missing; the current directory stays at the deepest
// folder reached. True when every folder was reached.
bool CreateFoldersAlong(const std::string& name);

// Test mode: decoded bytes go nowhere.
class TDiscardSink : public TOutputSink {
public:
    bool Write(const uint8_t*, size_t) override { return true; }
};

// A file without a name in the target's folder (where the file system can
// make one; else a temporary file beside the target), which becomes the
// target only through Commit. Destroying it uncommitted leaves nothing
// behind, so the target keeps whatever it was; a process killed meanwhile
// leaves nothing either, unless the fallback's temporary file was in use.
class TPendingOutput : public TOutputSink {
public:
    ~TPendingOutput() { Discard(); }
    // `mode` is the file's final permission bits; `umask` the process's,
    // read once by the caller. 0 or the errno value; ENOENT when the
    // target's folder is missing. `target` is absolute.
    int Create(const std::string& target, platform::TFileMode mode, platform::TFileMode umask);
    bool Write(const uint8_t* data, size_t count) override;
    // Writes what is gathered, gives the file its last-write time (seconds
    // since the epoch; none: the file keeps the time it has) and mode, and
    // closes a named file. False when a write or the close failed (a full
    // disk may show only at the close).
    bool Finish(std::optional<int64_t> lastWriteSeconds);
    // Puts the finished file in the target's place; false when it cannot
    // take that place. `linkWay` is the caller's, kept from file to file.
    bool Commit(platform::TLinkWay& linkWay);
    // The errno of the first step that failed (write, close, link, rename),
    // 0 when none did: the user is told a full disk from missing rights.
    int Error() const { return FError; }

private:
    static constexpr size_t BufferSize = 64 * 1024;
    bool FlushBuffer();
    bool WriteOut(const uint8_t* data, size_t count);
    void Fail(int error);
    bool CommitUnnamed(platform::TLinkWay& linkWay);
    void Discard();

    platform::TFile FFile;
    std::string FTarget;
    bool FUnnamed = false;       // the file has no name until Commit
    bool FSetMode = false;       // the mode asked for is not what creation gave
    platform::TFileMode FMode = 0;
    bool FCommitted = false;
    int FError = 0;
    std::unique_ptr<uint8_t[]> FBuffer = std::make_unique_for_overwrite<uint8_t[]>(BufferSize);
    size_t FBuffered = 0;
};

}  // namespace valbrix
