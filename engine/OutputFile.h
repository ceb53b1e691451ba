// The output side of one entry: the folders along the target's path, and the
// pending output file that becomes the target only when the entry checked
// out, so a damaged or aborted entry never destroys an existing file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "EngineState.h"
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

// A temporary file beside the target, which becomes the target only through
// Commit. Destroying it uncommitted removes the temporary file, so the target
// keeps whatever it was.
class TPendingOutput : public TOutputSink {
public:
    ~TPendingOutput() { Discard(); }
    // 0 or the errno value; ENOENT when the target's folder is missing.
    int Create(const std::string& target);
    bool Write(const uint8_t* data, size_t count) override;
    // Close errors count: a full disk may show only here.
    bool Close();
    // Gives the closed file its time and MS-DOS attributes and puts it in
    // the target's place; false when it cannot take that place.
    bool Commit(uint32_t dosDateTime, uint16_t attributes);

private:
    static constexpr size_t BufferSize = 64 * 1024;
    bool FlushBuffer();
    void Discard();

    platform::TFile FFile;
    std::string FTarget;
    bool FCommitted = false;
    std::unique_ptr<uint8_t[]> FBuffer = std::make_unique_for_overwrite<uint8_t[]>(BufferSize);
    size_t FBuffered = 0;
};

}  // namespace valbrix
