// The output side of one entry: the folders along the target's path, and the
// pending output file that becomes the target only when the entry checked
// out, so a damaged or aborted entry never destroys an existing file and no
// partial file ever stands under the target's name. Every name is relative
// to a folder handle: nothing here depends on the process's current
// directory, so several workers may write below one target at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/EngineState.h"
#include "engine/archive/ExtraFields.h"
#include "platform/FileServices.h"

namespace valbrix {

// Creates the folders of `relative` (those before its last '/') below `base`
// where missing. 0 or the errno value of the first that could not be made;
// a folder made meanwhile by someone else counts as made. `made`, when
// given, gets each folder this call made itself (what a stopped run may
// take back; one made by someone else is not its to remove).
int CreateFoldersAlong(const platform::TFolder& base, const std::string& relative,
                       std::vector<std::string>* made = nullptr);

// How much an output may still take: a seam for a full disk in tests, shared
// by every output of a run. Take returns 0 or the errno value a write of
// `bytes` more meets.
class TOutputLimit {
public:
    virtual ~TOutputLimit() = default;
    virtual int Take(const std::string& target, size_t bytes) = 0;
};

// Test mode: decoded bytes go nowhere.
class TDiscardSink : public TOutputSink {
public:
    bool Write(const uint8_t*, size_t) override { return true; }
};

// The data of a link entry, which is the link's target: gathered in memory
// up to the longest path the platform takes, and refused beyond it rather
// than gathered without bound.
class TLinkTargetSink : public TOutputSink {
public:
    static constexpr size_t MaxBytes = platform::MaxPathBytes;
    bool Write(const uint8_t* data, size_t count) override;
    const std::string& Target() const { return FTarget; }
    bool TooLong() const { return FTooLong; }
    // Empty, too long or with a zero byte: no path a link can hold.
    bool Usable() const { return !FTooLong && !FTarget.empty() && FTarget.find('\0') == std::string::npos; }

private:
    std::string FTarget;
    bool FTooLong = false;
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
    // target's folder is missing. `target` is relative to `base`, which
    // must stay open as long as this object.
    int Create(const platform::TFolder& base, const std::string& target, platform::TFileMode mode,
               platform::TFileMode umask);
    void SetLimit(TOutputLimit* limit) { FLimit = limit; }
    bool Write(const uint8_t* data, size_t count) override;
    // Writes what is gathered, gives the file its last-write time (none:
    // the file keeps the time it has) and mode, and closes a named file.
    // False when a write or the close failed (a full disk may show only at
    // the close).
    bool Finish(std::optional<TExactTime> lastWrite);
    // Puts the finished file in the target's place; false when it cannot
    // take that place. `linkWay` is the caller's, kept from file to file.
    bool Commit(platform::TLinkWay& linkWay);
    // The errno value of the first failed step since Create (0: none), so
    // the user can be told a full disk from missing rights.
    int Error() const { return FError; }
    // After Commit: something stood under the target's name and was replaced.
    bool Replaced() const { return FReplaced; }

private:
    static constexpr size_t BufferSize = 64 * 1024;
    bool FlushBuffer();
    bool WriteOut(const uint8_t* data, size_t count);
    bool Failed(int error);
    bool CommitUnnamed(platform::TLinkWay& linkWay);
    void Discard();

    platform::TFile FFile;
    const platform::TFolder* FBase = nullptr;
    std::string FTarget;
    int FError = 0;
    bool FUnnamed = false;       // the file has no name until Commit
    TOutputLimit* FLimit = nullptr;
    bool FSetMode = false;       // the mode asked for is not what creation gave
    platform::TFileMode FMode = 0;
    bool FCommitted = false;
    bool FReplaced = false;
    std::unique_ptr<uint8_t[]> FBuffer = std::make_unique_for_overwrite<uint8_t[]>(BufferSize);
    size_t FBuffered = 0;
};

}  // namespace valbrix
