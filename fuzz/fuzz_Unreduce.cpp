// Fuzz target of the reduce decoder. The first input byte picks the method
// (2..5, low two bits) and the expected output size (upper six bits; 63 means
// "unknown", so only the input's end stops the loop); the rest is the
// compressed stream, read from memory. Output goes to a sink that only counts
// and refuses to grow past a cap, so a run never holds more than the window.
// Traps when the decoder returns a code it has no business returning or
// produces more output than its size allows.
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/Decoders.h"
#include "engine/ResultCodes.h"

using namespace valbrix;

namespace {

class FuzzSource : public TInputSource {
public:
    FuzzSource(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    long Read(uint8_t* buffer, size_t count) override
    {
        const size_t n = count < FSize - FPos ? count : FSize - FPos;
        if (n)
            std::memcpy(buffer, FData + FPos, n);
        FPos += n;
        return long(n);
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

class CountingSink : public TOutputSink {
public:
    static constexpr size_t Cap = 1 << 20;
    bool Write(const uint8_t*, size_t count) override
    {
        if (Written + count > Cap)
            return false;
        Written += count;
        return true;
    }
    size_t Written = 0;
};

constexpr uint32_t LongestMatch = 385;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int method = 2 + (data[0] & 3);
    const unsigned sizeCode = data[0] >> 2;
    const uint32_t outputSize = sizeCode == 63 ? UnknownSize : sizeCode * 4099u;

    FuzzSource source(data + 1, size - 1);
    CountingSink sink;
    auto window = std::make_unique<uint8_t[]>(WindowSize);
    std::memset(window.get(), 0, WindowSize);
    TEngineState state;
    state.ArchiveFile = &source;
    state.OutputFile = &sink;
    state.OutWindow = window.get();
    state.InputSize = uint32_t(size - 1);
    state.OutputSize = outputSize;

    const int result = Unreduce(state, method);
    if (result != erOk && result != erOutput)
        __builtin_trap();
    if (outputSize != UnknownSize && sink.Written > outputSize + LongestMatch)
        __builtin_trap();
    return 0;
}
