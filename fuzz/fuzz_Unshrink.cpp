// Fuzz target of the unshrink decoder. The first input byte picks how the
// entry's size is claimed: bit 0 set claims twice the bytes that follow (the
// data then ends early), clear claims exactly them; the rest is the shrunk
// stream, read from memory. Output is counted and dropped, and the sink fails
// past 4 MB, so a stream of long expansions cannot make a run long. Touches
// no files. A result code the decoder must never give here traps.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/Decoders.h"
#include "engine/ResultCodes.h"

namespace {

constexpr size_t OutputCap = size_t(4) << 20;

// Both ends of the decoder in one object: the stream in, a byte counter out.
class TMemoryEnds : public valbrix::TInputSource, public valbrix::TOutputSink {
public:
    TMemoryEnds(const uint8_t* data, size_t size) : FData(data), FLeft(size) {}
    long Read(uint8_t* buffer, size_t count) override
    {
        const size_t n = std::min(count, FLeft);
        std::memcpy(buffer, FData, n);
        FData += n;
        FLeft -= n;
        return long(n);
    }
    bool Write(const uint8_t*, size_t count) override
    {
        FWritten += count;
        return FWritten <= OutputCap;
    }

private:
    const uint8_t* FData;
    size_t FLeft;
    size_t FWritten = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool claimMore = data[0] & 1;
    TMemoryEnds ends(data + 1, size - 1);
    auto window = std::make_unique<uint8_t[]>(valbrix::WindowSize);
    valbrix::TEngineState state;
    state.ArchiveFile = &ends;
    state.OutputFile = &ends;
    state.OutWindow = window.get();
    state.InputSize = uint32_t((size - 1) * (claimMore ? 2 : 1));
    const int result = valbrix::Unshrink(state);
    if (result != valbrix::erOk && result != valbrix::erOutput && result != valbrix::erRead &&
        result != valbrix::erFormat)
        __builtin_trap();
    return 0;
}
