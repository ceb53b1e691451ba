// Both ends of a decoder held in memory, for fuzz targets and benchmarks: the
// input bytes as the source, a sink that counts and drops the output and
// fails past a cap (so a long expansion cannot make a run long), and an
// engine state prepared as the driver prepares it. Touches no files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "engine/EngineState.h"
#include "engine/codecs/LeapfrogInflate.h"

namespace valbrix::fuzz {

class TMemoryInput : public TInputSource {
public:
    TMemoryInput(const uint8_t* data, size_t size) : FData(data), FLeft(size) {}
    long Read(uint8_t* buffer, size_t count) override
    {
        const size_t n = std::min(count, FLeft);
        if (n)
            std::memcpy(buffer, FData, n);
        FData += n;
        FLeft -= n;
        return long(n);
    }

private:
    const uint8_t* FData;
    size_t FLeft;
};

// The same bytes read by position, from any number of threads.
class TMemoryInputAt : public TPositionedInput {
public:
    TMemoryInputAt(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    long ReadAt(uint64_t position, uint8_t* buffer, size_t count) override
    {
        if (position >= FSize)
            return 0;
        const size_t n = std::min<size_t>(count, FSize - size_t(position));
        std::memcpy(buffer, FData + position, n);
        return long(n);
    }

private:
    const uint8_t* FData;
    size_t FSize;
};

class TCountingSink : public TOutputSink {
public:
    explicit TCountingSink(uint64_t cap) : FCap(cap) {}
    bool Write(const uint8_t*, size_t count) override
    {
        if (Written + count > FCap)
            return false;
        Written += count;
        return true;
    }
    uint64_t Written = 0;

private:
    uint64_t FCap;
};

// The window, the bulk scratch and the library decoders' contexts, kept
// from run to run as the driver keeps them from entry to entry. Fresh per input they cost more than decoding a
// short stream: under the address sanitizer each new block of tens of KB is
// fresh memory, page faults and zero fills included.
struct TReusedBuffers {
    std::unique_ptr<uint8_t[]> Window = std::make_unique_for_overwrite<uint8_t[]>(WindowSize);
    std::unique_ptr<uint8_t[]> Bulk;
    size_t BulkSize = 0;
    std::unique_ptr<TKeptDecoder> Zstd;
};

inline TReusedBuffers& ReusedBuffers()
{
    static TReusedBuffers buffers;
    return buffers;
}

// The state's InputSize is the input's own size; callers change what they
// fuzz. The window starts zeroed on every run, so a run never depends on
// the one before it; the bulk scratch keeps its bytes, as between entries.
struct TMemoryDecoderRun {
    TMemoryDecoderRun(const uint8_t* data, size_t size, uint64_t outputCap = std::numeric_limits<uint64_t>::max())
        : Source(data, size), Sink(outputCap)
    {
        TReusedBuffers& reused = ReusedBuffers();
        Window = reused.Window ? std::move(reused.Window) : std::make_unique_for_overwrite<uint8_t[]>(WindowSize);
        std::memset(Window.get(), 0, WindowSize);
        State.BulkBuffer = std::move(reused.Bulk);
        State.BulkBufferSize = State.BulkBuffer ? reused.BulkSize : 0;
        State.KeptZstd = std::move(reused.Zstd);
        State.ArchiveFile = &Source;
        State.OutputFile = &Sink;
        State.OutWindow = Window.get();
        State.InputSize = uint32_t(std::min<size_t>(size, 0xFFFFFFFFu));
        State.OutputSize = UnknownSize;  // no stated size to hold the output to, unless a caller sets one
    }
    ~TMemoryDecoderRun()
    {
        TReusedBuffers& reused = ReusedBuffers();
        reused.Window = std::move(Window);
        reused.BulkSize = State.BulkBufferSize;
        reused.Bulk = std::move(State.BulkBuffer);
        reused.Zstd = std::move(State.KeptZstd);
    }
    TMemoryDecoderRun(const TMemoryDecoderRun&) = delete;
    TMemoryDecoderRun& operator=(const TMemoryDecoderRun&) = delete;

    TMemoryInput Source;
    TCountingSink Sink;
    std::unique_ptr<uint8_t[]> Window;
    TEngineState State;
};

}  // namespace valbrix::fuzz
