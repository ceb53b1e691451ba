// In-memory source and sink for running a decoder on a crafted stream, and a
// small fixture that sets up an engine state the way the driver does.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "TestFiles.h"
#include "engine/EngineState.h"

namespace valbrix::test {

class MemorySource : public TInputSource {
public:
    explicit MemorySource(Bytes bytes) : FBytes(std::move(bytes)) {}
    long Read(uint8_t* buffer, size_t count) override
    {
        const size_t n = std::min(count, FBytes.size() - FPos);
        if (n)
            std::memcpy(buffer, FBytes.data() + FPos, n);
        FPos += n;
        return long(n);
    }

private:
    Bytes FBytes;
    size_t FPos = 0;
};

class MemorySink : public TOutputSink {
public:
    bool Write(const uint8_t* data, size_t count) override
    {
        if (FailAfter && FData.size() + count > *FailAfter)
            return false;
        FData.insert(FData.end(), data, data + count);
        return true;
    }
    Bytes FData;
    std::optional<size_t> FailAfter;  // simulate a full disk after this many bytes
};

// An engine state prepared as the driver prepares it before a decoder runs.
struct DecoderRun {
    explicit DecoderRun(Bytes compressed, uint32_t outputSize = UnknownSize, uint16_t flags = 0)
        : Source(compressed)
    {
        Window = std::make_unique<uint8_t[]>(WindowSize);
        std::memset(Window.get(), 0, WindowSize);
        State.ArchiveFile = &Source;
        State.OutputFile = &Sink;
        State.OutWindow = Window.get();
        State.InputSize = uint32_t(compressed.size());
        State.OutputSize = outputSize;
        State.EntryFlags = flags;
        State.CrcValue = 0xFFFFFFFFu;
    }
    MemorySource Source;
    MemorySink Sink;
    std::unique_ptr<uint8_t[]> Window;
    TEngineState State;
};

}  // namespace valbrix::test
