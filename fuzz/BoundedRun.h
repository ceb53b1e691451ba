// The check every library-backed decoder's fuzz target makes: the input is
// the entry's data, the stated size a fixed cap; the decoder must end with a
// result code it can give, never write past the stated size, and report
// success only for output of a length the stream could have. Traps otherwise.
#pragma once

#include <cstdint>

#include "engine/ResultCodes.h"
#include "fuzz/MemoryEnds.h"

namespace valbrix::fuzz {

// Small enough that a run stays short (at 1 MB, expanding streams were most
// of a run's cost), large enough for several windows or blocks of output.
constexpr uint32_t FuzzStatedSize = 256u << 10;

inline void RunBounded(const uint8_t* data, size_t size, int (*decoder)(TEngineState&), uint16_t flags = 0)
{
    TMemoryDecoderRun run(data, size);
    run.State.OutputSize = FuzzStatedSize;
    run.State.EntryFlags = flags;
    run.State.CrcValue = 0xFFFFFFFFu;
    const int result = decoder(run.State);
    if (result < erOk || (result > erUnsupported && result != erMemoryLimit) || run.Sink.Written > FuzzStatedSize)
        __builtin_trap();
}

}  // namespace valbrix::fuzz
