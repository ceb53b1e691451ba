// The loop the library-backed decoders share: it hands a library the
// entry's compressed bytes from the engine's input buffer (never a byte past
// the entry's compressed size, so the data descriptor stays where the driver
// looks for it), takes its output in blocks of the bulk scratch, writes them
// with the CRC, and stops with a result code when the library ends, fails,
// stalls, runs out of input, or would write past the entry's size (4, and
// nothing past the size is written). Aborts are seen at each refill, where
// progress is reported.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/EngineState.h"

namespace valbrix {

// What one call of a library's decode function did.
struct TPumpStep {
    enum TStatus { psMore, psEnd, psFrameEnd, psFailed };
    size_t InUsed = 0;
    size_t OutMade = 0;
    TStatus Status = psMore;
    int Result = 0;  // the result code when Failed
};

// The library's side of the loop: decode from in (inCount bytes; inputEnded
// when no more will come) into out (outCount bytes, at least one).
class TPumpCodec {
public:
    virtual ~TPumpCodec() = default;
    virtual TPumpStep Step(const uint8_t* in, size_t inCount, bool inputEnded, uint8_t* out, size_t outCount) = 0;
};

// Runs codec until it ends. psFrameEnd ends like psEnd unless the entry's
// known compressed size leaves bytes behind it, which then start the next
// frame.
int PumpStream(TEngineState& state, TPumpCodec& codec);

// Reads `count` header bytes that precede the library's stream; false when
// the entry's data ends first.
bool ReadStreamHeader(TEngineState& state, uint8_t* bytes, size_t count);

// Largest dictionary or window the engine allocates for one entry.
constexpr uint64_t MaxDictionaryBytes = uint64_t(256) << 20;

}  // namespace valbrix
