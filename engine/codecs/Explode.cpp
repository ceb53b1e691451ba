// The explode decoder (method 6, "imploded" entries). The entry's data opens
// with two or three run-length-coded lists of code lengths (literal tree
// optional, then lengths, then distances); after them come flag bits that
// choose a literal or a back-reference into the 32 KB window. Codes are the
// canonical codes of those lengths, sent with every bit inverted, so every
// table lookup uses the complement of the bit accumulator.
//
// Shared state: the engine state's input buffer, bit reader, OutWindow and
// FlushWindow; the trees live for one call. Bad input ends in a result code:
// 4 for a tree list or tree that is not a complete code and for an invalid
// code, 3 when the data ends early (also inside the trees), 2 for a failed
// write, 5 for an abort. Every loop step consumes input bits, and a read past
// the end sets InputEof, so any input ends in bounded time; back-references
// are taken modulo the window, so no index leaves OutWindow.
#include <algorithm>
#include <array>
#include <cstring>

#include "engine/codecs/DecodeTable.h"
#include "engine/codecs/Decoders.h"
#include "engine/ResultCodes.h"

namespace valbrix {

namespace {

constexpr std::array<uint16_t, 64> ArithmeticTable(uint16_t first, uint16_t step)
{
    std::array<uint16_t, 64> table{};
    for (size_t symbol = 0; symbol < table.size(); ++symbol)
        table[symbol] = uint16_t(first + step * symbol);
    return table;
}

constexpr std::array<uint16_t, 64> MakeImplodeExtra()
{
    std::array<uint16_t, 64> table{};
    table[63] = 8;  // the longest length symbol carries one raw byte more
    return table;
}

// Match length bases: with a literal tree a match is worth it from 3 bytes,
// without one (a literal costs only 9 bits) from 2.
constexpr auto ImplodeLengthBase3 = ArithmeticTable(3, 1);
constexpr auto ImplodeLengthBase2 = ArithmeticTable(2, 1);
constexpr auto ImplodeExtra = MakeImplodeExtra();
// Distance bases: symbol << low-bit count, plus 1. The low bits come raw.
constexpr auto ImplodeDistanceBase8 = ArithmeticTable(1, 128);
constexpr auto ImplodeDistanceBase4 = ArithmeticTable(1, 64);

static_assert(ImplodeLengthBase3[63] + 255 == 321 && ImplodeLengthBase2[63] + 255 == 320);
// The farthest reference must stay inside the window, or the modulo-window
// source arithmetic below would alias a byte that is still to come.
static_assert(ImplodeDistanceBase8[63] + 127 == 8192 && 8192 < WindowSize);
static_assert(ImplodeDistanceBase4[63] + 63 == 4096);

constexpr unsigned LiteralLookupBits = 9;
constexpr unsigned LengthLookupBits = 7;
// Larger entries get a wider distance table: fewer sub-table hops for a
// slightly larger build, worth it only when there is much data to decode.
constexpr uint32_t WideDistanceInputSize = 200000;

struct TImplodeTree {
    DecodeTable Table = nullptr;
    unsigned Bits = 0;  // first-level width the builder used
};

// The trees of one entry; released on every way out, exceptions included.
struct TImplodeTrees {
    TImplodeTree Literal, Length, Distance;
    TImplodeTrees() = default;
    TImplodeTrees(const TImplodeTrees&) = delete;
    TImplodeTrees& operator=(const TImplodeTrees&) = delete;
    ~TImplodeTrees()
    {
        FreeDecodeTable(Literal.Table);
        FreeDecodeTable(Length.Table);
        FreeDecodeTable(Distance.Table);
    }
};

// Reads one run-length-coded list of `expected` code lengths (each 1..16).
// Returns 0 or erFormat; never writes past lengths[expected - 1].
int ReadImplodeLengths(TEngineState& state, uint16_t* lengths, unsigned expected)
{
    const unsigned byteCount = unsigned(state.ReadByte()) + 1;
    unsigned count = 0;
    for (unsigned i = 0; i < byteCount; ++i) {
        const uint8_t byte = state.ReadByte();
        const uint16_t length = uint16_t((byte & 0x0F) + 1);
        const unsigned repeat = unsigned(byte >> 4) + 1;
        if (count + repeat > expected)
            return erFormat;
        std::fill_n(lengths + count, repeat, length);
        count += repeat;
    }
    return count == expected ? erOk : erFormat;
}

// Reads and builds one tree. Only a complete code is accepted: every pattern
// must belong to a symbol, or a leftover could stand for no symbol at all.
int ReadImplodeTree(TEngineState& state, uint16_t* lengths, unsigned symbols, unsigned literals,
                    const uint16_t* bases, unsigned lookupBits, TImplodeTree& tree)
{
    int code = ReadImplodeLengths(state, lengths, symbols);
    if (code == erOk) {
        tree.Bits = lookupBits;
        const TTableBuild status = BuildDecodeTable(lengths, symbols, literals, bases,
                                                    bases ? ImplodeExtra.data() : nullptr, &tree.Table, &tree.Bits);
        // Lengths are 1..16, so a complete code always comes with a table.
        if (status != tbComplete || !tree.Table)
            code = erFormat;
    }
    // A tree read past the end of the data was read from a stale buffer:
    // what went wrong is the missing data, not its format.
    if (code != erOk && state.InputEof)
        code = erRead;
    return code;
}

// The bit reader of the decoding loop, kept in locals so the hot path does
// not go through memory. It tops up from bytes already in InBuf only and
// leaves refills to FillBits, so the input is refilled (and InputEof set) at
// exactly the point where the byte-wise reader would do it.
class TImplodeBits {
public:
    explicit TImplodeBits(TEngineState& state) : FState(state), FBuf(state.BitBuf), FCount(state.BitCount) {}

    // Afterwards at least n (at most 16) bits are held.
    void Need(unsigned n)
    {
        if (FCount >= n)
            return;
        while (FCount <= 56 && FState.InPos <= FState.InLast) {
            FBuf |= uint64_t(FState.InBuf[FState.InPos++]) << FCount;
            FCount += 8;
        }
        if (FCount < n) {
            Store();
            FState.FillBits(n);
            FBuf = FState.BitBuf;
            FCount = FState.BitCount;
        }
    }
    unsigned Peek(unsigned n) const { return unsigned(FBuf) & MaskBits[n]; }
    unsigned PeekInverted(unsigned n) const { return unsigned(~FBuf) & MaskBits[n]; }
    void Drop(unsigned n)
    {
        FBuf >>= n;
        FCount -= n;
    }
    // Hands the bit state back to the engine state.
    void Store()
    {
        FState.BitBuf = FBuf;
        FState.BitCount = uint8_t(FCount);
    }

private:
    TEngineState& FState;
    uint64_t FBuf;
    unsigned FCount;
};

// Decodes one symbol; null for an invalid code. Sub-tables are followed as
// in inflate, but indexed by inverted bits.
inline const DecodeEntry* DecodeImplodeSymbol(TImplodeBits& bits, const TImplodeTree& tree)
{
    bits.Need(tree.Bits);
    const DecodeEntry* slot = tree.Table + bits.PeekInverted(tree.Bits);
    while (slot->Op > OpLiteral) {
        if (slot->Op == OpInvalid)
            return nullptr;
        bits.Drop(slot->Bits);
        const unsigned more = slot->Op - OpLiteral;
        bits.Need(more);
        slot = slot->Sub + bits.PeekInverted(more);
    }
    bits.Drop(slot->Bits);
    return slot;
}

// Copies one back-reference of `length` bytes from `source` to `windowPos`,
// both window indexes, flushing whenever the window fills.
// Entry: source < WindowSize, windowPos < WindowSize, and the distance
// (windowPos - source modulo the window) is between 1 and 8192.
// Returns erOk or erOutput; windowPos and wrapped are updated.
int CopyImplodeMatch(TEngineState& state, unsigned source, unsigned length, unsigned& windowPos, bool& wrapped)
{
    uint8_t* const window = state.OutWindow;
    while (length > 0) {
        const unsigned piece = std::min(unsigned(WindowSize) - std::max(source, windowPos), length);
        if (!wrapped && windowPos <= source) {
            // The reference lies before the entry's first byte; those bytes
            // are defined as zeros, whatever an earlier use left in the window.
            std::memset(window + windowPos, 0, piece);
        } else if (windowPos >= source + piece || source >= windowPos + piece) {
            std::memcpy(window + windowPos, window + source, piece);
        } else if (windowPos == source + 1) {
            std::memset(window + windowPos, window[source], piece);
        } else {
            // Overlap: each byte may be one this copy has just written, which
            // is how a short distance repeats a pattern.
            for (unsigned i = 0; i < piece; ++i)
                window[windowPos + i] = window[source + i];
        }
        windowPos += piece;
        source += piece;
        length -= piece;
        if (source == WindowSize)
            source = 0;
        if (windowPos == WindowSize) {
            if (!state.FlushWindow(WindowSize))
                return erOutput;
            windowPos = 0;
            wrapped = true;
        }
    }
    return erOk;
}

// The decoding loop, one instance per variant: literal tree or raw literal
// bytes, 8 KB (7 raw low distance bits) or 4 KB (6) dictionary; the length
// and distance bases are already in the tables' slots.
// Entry: the trees are built (Literal only with LiteralTree); OutWindow holds
// WindowSize bytes. On return every decoded byte has gone to FlushWindow,
// except after an abort, an invalid code or a failed flush.
template <bool LiteralTree, bool BigDictionary>
int DecodeImploded(TEngineState& state, const TImplodeTrees& trees)
{
    constexpr unsigned LowDistanceBits = BigDictionary ? 7 : 6;
    state.BitBuf = 0;
    state.BitCount = 0;
    TImplodeBits bits(state);
    uint8_t* const window = state.OutWindow;
    unsigned windowPos = 0;
    bool wrapped = false;
    // Signed and 64-bit: a match may overshoot the end, and sizes up to 4 GiB are real.
    int64_t outBytesLeft = state.OutputSize;

    while (outBytesLeft > 0 && !state.AbortFlag && !state.InputEof) {
        bits.Need(1);
        const bool literal = bits.Peek(1) != 0;
        bits.Drop(1);
        if (literal) {
            uint8_t byte;
            if constexpr (LiteralTree) {
                const DecodeEntry* slot = DecodeImplodeSymbol(bits, trees.Literal);
                if (!slot)
                    return erFormat;
                byte = uint8_t(slot->Base);
            } else {
                bits.Need(8);
                byte = uint8_t(bits.Peek(8));
                bits.Drop(8);
            }
            --outBytesLeft;
            window[windowPos++] = byte;
            if (windowPos == WindowSize) {
                if (!state.FlushWindow(WindowSize))
                    return erOutput;
                windowPos = 0;
                wrapped = true;
            }
            continue;
        }

        // The format sends the distance before the length.
        bits.Need(LowDistanceBits);
        const unsigned lowBits = bits.Peek(LowDistanceBits);
        bits.Drop(LowDistanceBits);
        const DecodeEntry* distance = DecodeImplodeSymbol(bits, trees.Distance);
        if (!distance)
            return erFormat;
        // The distance slot's Op (8 for symbol 63) is no extra-bit count here.
        const unsigned source = (windowPos - lowBits - distance->Base) & (WindowSize - 1);

        const DecodeEntry* lengthSlot = DecodeImplodeSymbol(bits, trees.Length);
        if (!lengthSlot)
            return erFormat;
        unsigned length = lengthSlot->Base;
        if (lengthSlot->Op != 0) {
            bits.Need(8);
            length += bits.Peek(8);
            bits.Drop(8);
        }
        outBytesLeft -= length;
        const int code = CopyImplodeMatch(state, source, length, windowPos, wrapped);
        if (code != erOk)
            return code;
    }
    bits.Store();
    state.WindowPos = uint16_t(windowPos);

    if (state.AbortFlag)
        return erAborted;
    if (!state.FlushWindow(windowPos))
        return erOutput;
    return state.InputEof ? erRead : erOk;
}

}  // namespace

int Explode(TEngineState& state)
{
    // The trees are read byte by byte, before the bit reader is used.
    state.ResetInput();
    state.WindowPos = 0;
    const bool literalTree = (state.EntryFlags & 0x04) != 0;
    const bool bigDictionary = (state.EntryFlags & 0x02) != 0;
    const unsigned distanceBits = state.InputSize > WideDistanceInputSize ? 8 : 7;

    TImplodeTrees trees;
    uint16_t lengths[256];
    int code = erOk;
    if (literalTree)
        code = ReadImplodeTree(state, lengths, 256, 256, nullptr, LiteralLookupBits, trees.Literal);
    if (code == erOk)
        code = ReadImplodeTree(state, lengths, 64, 0,
                               literalTree ? ImplodeLengthBase3.data() : ImplodeLengthBase2.data(),
                               LengthLookupBits, trees.Length);
    if (code == erOk)
        code = ReadImplodeTree(state, lengths, 64, 0,
                               bigDictionary ? ImplodeDistanceBase8.data() : ImplodeDistanceBase4.data(),
                               distanceBits, trees.Distance);
    if (code != erOk)
        return code;

    if (literalTree)
        return bigDictionary ? DecodeImploded<true, true>(state, trees) : DecodeImploded<true, false>(state, trees);
    return bigDictionary ? DecodeImploded<false, true>(state, trees) : DecodeImploded<false, false>(state, trees);
}

}  // namespace valbrix
