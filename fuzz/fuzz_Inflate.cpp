// Fuzz target of the deflate decoder. The input is a raw deflate stream,
// read from memory and claimed as exactly its own size. It is decoded twice,
// by the fast decoder and by the byte-wise mode, which must agree on the
// result code, the number of bytes written and their CRC; a difference, or
// a result code inflate never gives, traps. Output is counted and dropped,
// and the sink fails past 4 MB, so long expansions cannot make a run long.
// Touches no files.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/Decoders.h"
#include "engine/InflateTables.h"
#include "engine/ResultCodes.h"

namespace {

constexpr size_t OutputCap = size_t(4) << 20;

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
    size_t Written() const { return FWritten; }

private:
    const uint8_t* FData;
    size_t FLeft;
    size_t FWritten = 0;
};

struct TOutcome {
    int Result;
    size_t Written;
    uint32_t Crc;
};

TOutcome Decode(const uint8_t* data, size_t size, bool byteWise)
{
    TMemoryEnds ends(data, size);
    auto window = std::make_unique<uint8_t[]>(valbrix::WindowSize);
    std::memset(window.get(), 0, valbrix::WindowSize);
    valbrix::TEngineState state;
    state.ArchiveFile = &ends;
    state.OutputFile = &ends;
    state.OutWindow = window.get();
    state.InputSize = uint32_t(size);
    const int result = byteWise ? valbrix::InflateByteWise(state) : valbrix::Inflate(state);
    return {result, ends.Written(), state.CrcValue};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TOutcome fast = Decode(data, size, false);
    if (fast.Result < valbrix::erOk || fast.Result > valbrix::erFormat)
        __builtin_trap();
    const TOutcome careful = Decode(data, size, true);
    if (fast.Result != careful.Result || fast.Written != careful.Written || fast.Crc != careful.Crc)
        __builtin_trap();
    return 0;
}
