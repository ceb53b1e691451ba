// Decoder of the "reduced" methods 2 to 5 (compression factors 1 to 4).
// Two layers: each byte is coded against a small set of likely followers of
// the byte read before it, and the resulting byte stream carries run and
// back-reference sequences introduced by the byte 144. Works on the shared
// engine state (bit reader, OutWindow, FlushWindow); the follower sets are
// its own and live for one call. The format has no invalid bit patterns:
// damaged input decodes to some bytes and the driver's CRC check catches it.
// Every index derived from input is bounded by construction (6-bit counts,
// 64-slot sets, 14-bit window positions), so hostile input cannot reach
// outside a buffer, and the loop ends when the input or the size runs out.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "engine/codecs/Decoders.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipFormat.h"

namespace valbrix {

namespace {

constexpr uint8_t EscapeByte = 144;         // introduces a run or back-reference
constexpr uint32_t ReduceWindowSize = 16384; // the first part of OutWindow used as history
constexpr uint32_t ReduceWindowMask = ReduceWindowSize - 1;
constexpr unsigned FollowerSlots = 64;       // per set; counts are 6 bits, so 0..63 index it
static_assert(ReduceWindowSize <= WindowSize, "the history must fit in OutWindow");
static_assert((ReduceWindowSize & ReduceWindowMask) == 0, "window positions wrap by masking");

// Indexed by factor 1..4; slot 0 is unused. The three must change together:
// the length bits and the distance bits share the one byte V.
constexpr uint8_t ReduceLengthMask[5] = {0, 0x7F, 0x3F, 0x1F, 0x0F};
constexpr uint8_t ReduceDistanceShift[5] = {0, 7, 6, 5, 4};
constexpr uint8_t ReduceDistanceMask[5] = {0, 1, 3, 7, 15};

// Bits needed to write the values 0..n-1, at least 1; entry 0 is never used.
constexpr std::array<uint8_t, 256> MakeFollowerIndexBits()
{
    std::array<uint8_t, 256> bits{};
    bits[0] = 8;
    for (unsigned n = 1; n < 256; ++n) {
        uint8_t width = 1;
        while ((1u << width) < n)
            ++width;
        bits[n] = width;
    }
    return bits;
}
constexpr std::array<uint8_t, 256> FollowerIndexBits = MakeFollowerIndexBits();
static_assert(FollowerIndexBits[1] == 1 && FollowerIndexBits[2] == 1 && FollowerIndexBits[3] == 2);
static_assert(FollowerIndexBits[32] == 5 && FollowerIndexBits[33] == 6 && FollowerIndexBits[63] == 6);
// The widest index of a 6-bit count must stay inside a set.
static_assert((1u << FollowerIndexBits[63]) <= FollowerSlots);

// For each byte value, its count and its followers. Slots past the count stay
// zero, which is what an out-of-count index selects.
struct TFollowerSets {
    uint8_t Count[256] = {};
    uint8_t Follower[256][FollowerSlots] = {};
};

uint32_t ReadBits(TEngineState& state, unsigned n)
{
    state.FillBits(n);
    const uint32_t value = uint32_t(state.BitBuf) & MaskBits[n];
    state.DropBits(n);
    return value;
}

// The sets are stored from byte value 255 down to 0.
void ReadFollowerSets(TEngineState& state, TFollowerSets& sets)
{
    for (int x = 255; x >= 0; --x) {
        const uint8_t count = uint8_t(ReadBits(state, 6));
        sets.Count[x] = count;
        for (unsigned i = 0; i < count; ++i)
            sets.Follower[x][i] = uint8_t(ReadBits(state, 8));
    }
}

// One byte of the follower-coded layer, given the byte read before it.
uint8_t ReadCodedByte(TEngineState& state, const TFollowerSets& sets, uint8_t previous)
{
    const uint8_t count = sets.Count[previous];
    if (count == 0 || ReadBits(state, 1) == 1)
        return uint8_t(ReadBits(state, 8));
    const uint32_t index = ReadBits(state, FollowerIndexBits[count]);
    return sets.Follower[previous][index];
}

// The output half: the 16 KB history in OutWindow, flushed each time it fills.
class TReduceOutput {
public:
    explicit TReduceOutput(TEngineState& state) : FState(state), FWindow(state.OutWindow) {}

    // False when a flush failed.
    bool Put(uint8_t byte)
    {
        FWindow[FPosition++] = byte;
        return FPosition < ReduceWindowSize || FlushFull();
    }

    // Copies length bytes from distance back (1..4096). A reference that
    // reaches before the first output byte yields zero bytes there.
    bool CopyMatch(uint32_t distance, uint32_t length)
    {
        uint32_t source = (FPosition - distance) & ReduceWindowMask;
        while (length > 0) {
            source &= ReduceWindowMask;
            const uint32_t piece = std::min(ReduceWindowSize - std::max(source, FPosition), length);
            if (!FWrapped && FPosition <= source)
                std::memset(FWindow + FPosition, 0, piece);
            else if (int32_t(FPosition) - int32_t(source) >= int32_t(piece))
                std::memcpy(FWindow + FPosition, FWindow + source, piece);
            else
                for (uint32_t i = 0; i < piece; ++i) // overlapping: later bytes repeat earlier ones
                    FWindow[FPosition + i] = FWindow[source + i];
            FPosition += piece;
            source += piece;
            length -= piece;
            if (FPosition == ReduceWindowSize && !FlushFull())
                return false;
        }
        return true;
    }

    bool FlushRest() { return FState.FlushWindow(FPosition); }

private:
    bool FlushFull()
    {
        FPosition = 0;
        FWrapped = true;
        return FState.FlushWindow(ReduceWindowSize);
    }

    TEngineState& FState;
    uint8_t* FWindow;
    uint32_t FPosition = 0;   // 0..16383 between calls
    bool FWrapped = false;    // the history holds real output everywhere
};

}  // namespace

// Entry: the archive is positioned at the compressed data, OutWindow is
// allocated (WindowSize bytes), CrcValue initialised, AbortFlag cleared.
// Decodes until OutputSize bytes are produced, the input runs out or the user
// aborts. Returns erOk (also for input that ran out: the CRC check judges
// it), erOutput when a flush failed, erAborted when aborted. Each pass of the loop consumes at
// least one bit, so the loop ends in time bounded by the input size.
int Unreduce(TEngineState& state, int method)
{
    if (method < zmReduced1 || method > zmReduced4)
        return erUnsupported;
    const int factor = method - zmReduced1 + 1;

    state.InputEof = false;
    state.ResetInput();
    state.WindowPos = 0;

    auto sets = std::make_unique<TFollowerSets>();
    ReadFollowerSets(state, *sets);

    TReduceOutput output(state);
    // 64-bit so that sizes of 2 GiB and more stay positive; a match may drive it below 0.
    int64_t bytesLeft = state.OutputSize;
    uint8_t previous = 0;
    uint32_t v = 0;  // the byte after the escape: length bits and distance high bits
    uint32_t l = 0;  // pending match length minus 3
    // What the next coded byte means.
    enum TReduceState { rsLiteral, rsAfterEscape, rsLengthByte, rsDistanceByte };
    TReduceState machineState = rsLiteral;

    while (bytesLeft > 0 && !state.InputEof && !state.AbortFlag) {
        const uint8_t c = ReadCodedByte(state, *sets, previous);
        bool written = true;
        switch (machineState) {
        case rsLiteral:
            if (c == EscapeByte) {
                machineState = rsAfterEscape;
            } else {
                written = output.Put(c);
                --bytesLeft;
            }
            break;
        case rsAfterEscape:
            if (c == 0) { // escaped escape: the byte 144 itself
                written = output.Put(EscapeByte);
                --bytesLeft;
                machineState = rsLiteral;
            } else {
                v = c;
                l = v & ReduceLengthMask[factor];
                machineState = l == ReduceLengthMask[factor] ? rsLengthByte : rsDistanceByte;
            }
            break;
        case rsLengthByte:
            l += c;
            machineState = rsDistanceByte;
            break;
        case rsDistanceByte: {
            const uint32_t length = l + 3;
            const uint32_t distance =
                ((v >> ReduceDistanceShift[factor]) & ReduceDistanceMask[factor]) * 256 + c + 1;
            bytesLeft -= length;
            written = output.CopyMatch(distance, length);
            machineState = rsLiteral;
            break;
        }
        }
        if (!written)
            return erOutput;
        // The sets follow the coded byte stream, not the decoded output.
        previous = c;
    }

    if (state.AbortFlag)
        return erAborted;
    return output.FlushRest() ? erOk : erOutput;
}

}  // namespace valbrix
