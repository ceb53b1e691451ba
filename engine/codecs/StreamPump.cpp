// The shared loop of the library-backed decoders; see the header.
#include "engine/codecs/StreamPump.h"

#include <algorithm>
#include <cstring>

#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

// Output block handed to a library: big enough that a call does real work,
// small enough to stay in cache.
constexpr size_t OutBlockBytes = 128 * 1024;

size_t BufferedBytes(const TEngineState& state)
{
    return state.InPos <= state.InLast ? size_t(state.InLast - state.InPos + 1) : 0;
}

// Compressed bytes of the entry not yet handed to the codec.
uint64_t EntryBytesLeft(const TEngineState& state)
{
    if (state.InputSize == UnknownSize)
        return UINT64_MAX;
    const uint64_t handedOut = state.BytesRead - BufferedBytes(state);
    return state.InputSize > handedOut ? state.InputSize - handedOut : 0;
}

// The entry's bytes at InPos, refilling InBuf when it is used up; 0 when
// the entry's data or the archive has ended (or the user aborted).
size_t AvailableInput(TEngineState& state, const uint8_t*& data)
{
    uint64_t left = EntryBytesLeft(state);
    if (BufferedBytes(state) == 0) {
        if (left == 0 || state.InputEof || state.AbortFlag)
            return 0;
        state.RefillInput();
        // A failed read offers the old buffer again: junk.
        if (state.InputEof || state.AbortFlag)
            return 0;
        left = EntryBytesLeft(state) + BufferedBytes(state);
    }
    data = state.InBuf + state.InPos;
    return size_t(std::min<uint64_t>(BufferedBytes(state), left));
}

}  // namespace

bool ReadStreamHeader(TEngineState& state, uint8_t* bytes, size_t count)
{
    while (count > 0) {
        const uint8_t* data = nullptr;
        const size_t n = std::min(AvailableInput(state, data), count);
        if (n == 0)
            return false;
        std::memcpy(bytes, data, n);
        state.InPos += int32_t(n);
        bytes += n;
        count -= n;
    }
    return true;
}

int PumpStream(TEngineState& state, TPumpCodec& codec)
{
    // An entry of unknown size (streamed, no directory sizes) has no bound.
    uint64_t outputLeft = state.OutputSize == UnknownSize ? UINT64_MAX : state.OutputSize;
    uint8_t* const out = state.BulkBlock(OutBlockBytes);
    const size_t outBytes = std::min(OutBlockBytes, state.BulkBufferSize);
    for (;;) {
        const uint8_t* in = nullptr;
        const size_t inCount = AvailableInput(state, in);
        if (state.AbortFlag)
            return erAborted;
        // One byte of room past the size shows a stream that goes on.
        const size_t outCount = size_t(std::min<uint64_t>(outBytes, outputLeft + 1));
        const TPumpStep step = codec.Step(in, inCount, inCount == 0, out, outCount);
        state.InPos += int32_t(step.InUsed);
        if (step.Status == TPumpStep::psFailed)
            return step.Result;
        if (step.OutMade > outputLeft)
            return erFormat;
        outputLeft -= step.OutMade;
        if (!state.WriteOut(out, step.OutMade))
            return erOutput;
        if (step.OutMade > 0)
            state.PumpMessages();
        if (step.Status == TPumpStep::psEnd ||
            (step.Status == TPumpStep::psFrameEnd && (state.InputSize == UnknownSize || EntryBytesLeft(state) == 0)))
            return erOk;
        if (step.InUsed == 0 && step.OutMade == 0) {
            // Nothing moved: with input at hand and room for output the
            // stream is stuck; otherwise it wanted more than the entry holds.
            if (inCount > 0)
                return erFormat;
            return state.AbortFlag ? erAborted : erRead;
        }
    }
}

}  // namespace valbrix
