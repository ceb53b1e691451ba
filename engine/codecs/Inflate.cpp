// Decodes ZIP method 8 (deflate) for one entry: stored, fixed-code and
// dynamic-code blocks, through the shared bit reader; and method 9
// (Deflate64), the same format with a 64 KB reach and matches of up to
// 65538 bytes. Output of both is bounded by the entry's size.
//
// Shared state: the engine state's input buffer and bit reader. Output and
// history live in a ring of the decoder's own (in the engine state's bulk
// scratch), twice the format's reach (64 KB; 128 KB for Deflate64), so
// that the fast loop may copy matches in whole words and write a little past
// their end: what it overwrites there lies a ring back, out of any
// distance's reach. The ring
// goes out in the same 32 KB pieces, at the same bytes, as a 32 KB window
// would send it, so a failing sink fails at the same place. The position
// carries over from block to block, so matches may reach into earlier
// blocks. Decoding tables live only for one block.
//
// Bad input: every malformed stream ends in a result code (4 for bad data,
// 1 for a short code-length repeat past the end, 3 when the input runs out,
// 5 on abort, 2 when the output cannot be written) in time bounded by the
// input: each decode step consumes at least one bit, and once the input is
// used up the next step stops. A match that reaches before the entry's first
// byte reads zeros there. A stream that would write more than the entry's
// size gives 4 and sends nothing past it (the state's WriteOut refuses it).
//
// Speed: a fast loop decodes with whole-word refills from InBuf while enough
// bytes remain, and stored blocks copy straight from InBuf. Both stop short
// of every point where the byte-wise reader would refill or test a flag, so
// bytes and result codes are the same either way.
#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/codecs/DecodeTable.h"
#include "engine/codecs/Decoders.h"
#include "engine/codecs/FastDecodeTable.h"
#include "engine/codecs/InflateLeg.h"
#include "engine/codecs/InflateTables.h"
#include "engine/LittleEndian.h"
#include "engine/NoCoverage.h"
#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

constexpr unsigned CodeLengthLookupBits = 7;
constexpr unsigned MaxCodeLengths = 320;  // 288 literal/length + 32 distance lengths

// The fast loop takes at most this many bits per step: a 15-bit length code
// with 5 extra bits and a 15-bit distance code with 13 extra bits. Counting
// the lookahead of the table widths, the byte-wise reader asks for no more
// than this beyond the step's first bit either, so a step that starts with
// this many bits in hand never makes the byte-wise reader refill.
constexpr unsigned MaxBitsPerStep = 15 + 5 + 15 + 13;
// One refill loads 8 bytes and leaves at least 56 bits in hand; all 64 bits
// of the buffer are then the stream's next bits (those above the count are
// loaded again by the next refill), so after a whole deflate step the buffer
// still holds 64 - 48 true bits: enough for the next code's first-level
// lookup, which therefore needs no refill within the step.
constexpr int FastInputBytes = 8;
static_assert(MaxBitsPerStep <= 56, "one refill must cover a whole step");
static_assert(64 - MaxBitsPerStep >= FastLiteralRootBits, "the look-ahead must find its bits in hand");

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VALBRIX_INFLATE_BMI2 1
#endif

constexpr unsigned FlushSize = WindowSize;  // output goes out in pieces of this size
constexpr unsigned MaxMatchLength = 258;
// The fast loop starts a step below the ring's end and may write a match of
// up to 258 bytes plus one word beyond its end, or a run of literals.
// Deflate64's longer matches always take the careful copy, which never
// writes past the piece being filled.
constexpr unsigned RingSlack = 320;
static_assert(RingSlack >= MaxMatchLength + 16);

// What differs between deflate and Deflate64 (Wide): the reach of a
// distance, the ring that holds twice that reach, and the symbol tables.
template <bool Wide>
struct TFormat {
    static constexpr unsigned Reach = Wide ? 2 * WindowSize : WindowSize;
    static constexpr unsigned RingSize = 2 * Reach;
    static constexpr const uint16_t* LengthBases = Wide ? LengthBase64 : LengthBase;
    static constexpr const uint16_t* LengthExtras = Wide ? LengthExtra64 : LengthExtra;
    static constexpr const uint16_t* DistanceBases = Wide ? DistanceBase64 : DistanceBase;
    static constexpr const uint16_t* DistanceExtras = Wide ? DistanceExtra64 : DistanceExtra;
    // Symbols of the fixed distance code that mean something.
    static constexpr unsigned FixedDistances = Wide ? 32 : 30;
    // Refills in one step of the fast loop: Deflate64's 16 extra length
    // bits leave too few for the distance and the look-ahead without a
    // second. The loop runs while the step's loads stay inside InBuf.
    static constexpr int StepRefills = Wide ? 2 : 1;
    static constexpr int FastMargin = StepRefills * FastInputBytes;
    static constexpr size_t FastTablesOffset = RingSize + RingSlack;
    static constexpr size_t ScratchBytes =
        FastTablesOffset + (FastLiteralTableSize + FastDistanceTableSize) * sizeof(FastEntry);
    static_assert(ScratchBytes <= BulkBlockSize, "the ring and the tables must fit the bulk scratch");
    static_assert(FastTablesOffset % alignof(FastEntry) == 0);
    static_assert(RingSize % FlushSize == 0 && (RingSize & (RingSize - 1)) == 0);
    // Bytes the fast loop overwrites past its position lie a ring back,
    // beyond any distance.
    static_assert(RingSize - RingSlack >= Reach);
};
// A Deflate64 step: the length code with its 16 extra bits fits one refill,
// and after the second refill so do the distance with its 14 and the next
// code's first-level lookup.
static_assert(15 + LongLengthExtra <= 56 && 15 + 14 + FastLiteralRootBits <= 56);

// Releases a table on every way out of a block.
class TTableHolder {
public:
    TTableHolder() = default;
    TTableHolder(const TTableHolder&) = delete;
    TTableHolder& operator=(const TTableHolder&) = delete;
    ~TTableHolder() { Free(); }
    void Free()
    {
        FreeDecodeTable(Table);
        Table = nullptr;
    }
    DecodeTable Table = nullptr;
    unsigned Bits = 0;
};

// Repeats the `distance` bytes before dest over `length` bytes (distance <
// length), writing nothing past them. Each copy takes a whole number of
// periods from the bytes already written, so source and destination never
// overlap.
VALBRIX_NO_COVERAGE void RepeatPattern(uint8_t* dest, unsigned distance, unsigned length)
{
    if (distance == 1) {
        std::memset(dest, dest[-1], length);
        return;
    }
    const uint8_t* const source = dest - distance;
    for (unsigned copied = 0; copied < length;) {
        const unsigned piece = std::min(copied + distance, length - copied);
        std::memcpy(dest + copied, source, piece);
        copied += piece;
    }
}

// Repeats the `distance` bytes before dest over `length` bytes, for the
// short periods (distance < 8) of the fast loop, in 8-byte words: the first
// 8 bytes one by one, then words from a whole number of periods back, at
// least 8 bytes, so every word read is already written. Up to 7 bytes past
// the end are overwritten; the ring leaves room for them.
VALBRIX_NO_COVERAGE inline void RepeatShortPattern(uint8_t* dest, unsigned distance, unsigned length)
{
    const uint8_t* const source = dest - distance;
    const unsigned head = std::min(length, 8u);
    for (unsigned i = 0; i < head; ++i)
        dest[i] = source[i];
    if (length <= 8)
        return;
    const unsigned period = distance * ((8 + distance - 1) / distance);
    const uint8_t* const periodBack = dest - period;
    for (unsigned i = 8; i < length; i += 8)
        std::memcpy(dest + i, periodBack + i, 8);
}

// Copies a match in words of `Word` bytes, for a source at least that far
// behind the destination or wholly ahead of it: every word is read before it
// is written and never takes bytes this copy has yet to write, so even an
// overlapping match (distance < length) repeats correctly. Up to Word - 1
// bytes past the end are overwritten; the ring leaves room for them.
template <unsigned Word>
VALBRIX_NO_COVERAGE inline void CopyWords(uint8_t* dest, const uint8_t* source, unsigned length)
{
    const uint8_t* const end = dest + length;
    do {
        std::memcpy(dest, source, Word);
        dest += Word;
        source += Word;
    } while (dest < end);
}

// The fast loop keeps its bit count modulo 64 and drops an entry's bits by
// subtracting the whole entry: only the low six bits of the count mean
// anything, and everything above an entry's bits to drop (its flags and
// fields) is a multiple of 64. Saves extracting the field on every code.
inline void DropEntry(FastEntry entry, uint64_t& bitBuf, unsigned& bitCount)
{
    bitBuf >>= entry & 0x3F;
    bitCount -= entry;
}

// Follows a first-level entry into its sub-table, if it links to one (the
// link's bits are dropped). The caller drops the entry's own bits.
inline FastEntry FollowLink(const FastTable& table, FastEntry entry, uint64_t& bitBuf, unsigned& bitCount)
{
    if (entry & FastLink) {
        DropEntry(entry, bitBuf, bitCount);
        entry = table.Entries[FastValue(entry) + (bitBuf & ((uint64_t(1) << FastCodeBits(entry)) - 1))];
    }
    return entry;
}

// The fast loop's lookup: the entry for the low bits of bitBuf, by the
// first level's full width (a constant, which keeps a register free).
template <unsigned LevelBits>
inline FastEntry LookUp(const FastTable& table, uint64_t& bitBuf, unsigned& bitCount)
{
    return FollowLink(table, table.Entries[bitBuf & ((uint64_t(1) << LevelBits) - 1)], bitBuf, bitCount);
}

// Tops the bit buffer up to at least 56 bits with one 8-byte load (see the
// contract of DecodeFast for the bits loaded beyond them). The count is
// taken modulo 64 (see DropEntry); (63 - count) / 8 bytes are used.
inline void Refill(const uint8_t*& inNext, uint64_t& bitBuf, unsigned& bitCount)
{
    bitBuf |= LoadLe64(inNext) << (bitCount & 0x3F);
    inNext += (~bitCount >> 3) & 7;
    bitCount |= 56;
}

// The extra bits of a length or distance entry, taken from the bit buffer as
// it was before the entry's bits were dropped.
inline unsigned ExtraValue(FastEntry entry, uint64_t before)
{
    return unsigned((before & ((uint64_t(1) << FastDropBits(entry)) - 1)) >> FastCodeBits(entry));
}

// Everything a block decodes with, read by the fast loop and the careful
// step alike: one kind of table, so that for a small entry, mostly one short
// block, building them costs no more than decoding it.
struct TBlockCodes {
    FastTable FastLiterals;
    FastTable FastDistances;  // every pattern invalid: the block has no distance codes
};

// The tables of the fixed code. They never change, so they are built once,
// on the first fixed block, and shared read-only by every later one: an
// archive of many small entries (each mostly one short fixed block) would
// otherwise spend more time building them than decoding.
template <bool Wide>
class TFixedTables {
public:
    static const TFixedTables& Shared()
    {
        static const TFixedTables tables;  // initialisation is thread-safe; nothing writes afterwards
        return tables;
    }
    bool Built = false;  // both builds succeeded (the fixed lengths always do)
    TBlockCodes Codes;

private:
    // The fixed code is at most 9 bits long and its distances 5, so the
    // compact tables need no sub-tables: only their full first levels.
    FastEntry FastLiteralStore[1u << FastLiteralRootBits];
    FastEntry FastDistanceStore[1u << FastDistanceRootBits];

    TFixedTables()
    {
        uint16_t literalLengths[288];
        std::fill(literalLengths, literalLengths + 144, 8);
        std::fill(literalLengths + 144, literalLengths + 256, 9);
        std::fill(literalLengths + 256, literalLengths + 280, 7);
        std::fill(literalLengths + 280, literalLengths + 288, 8);
        using F = TFormat<Wide>;
        constexpr unsigned distanceCount = F::FixedDistances;
        uint16_t distanceLengths[distanceCount];
        std::fill(distanceLengths, distanceLengths + distanceCount, 5);
        Codes = {BuildFastTable(literalLengths, 288, 257, F::LengthBases, F::LengthExtras, FastLiteralRootBits,
                                FastLiteralStore),
                 BuildFastTable(distanceLengths, distanceCount, 0, F::DistanceBases, F::DistanceExtras,
                                FastDistanceRootBits, FastDistanceStore)};
        // Deflate's fixed distance code leaves two patterns unused (symbols 30 and 31): incomplete, accepted.
        Built = Codes.FastLiterals.Complete && !Codes.FastDistances.Oversubscribed;
    }
};

// Wide: Deflate64.
template <bool Wide>
class TInflater {
public:
    TInflater(TEngineState& state, bool fastPaths, TInflateLeg* leg = nullptr)
        : S(state), FFastPaths(fastPaths), FLeg(leg)
    {
    }
    int Run();

private:
    void StartLeg();
    uint64_t NextBit() const;
    bool StopsHere();
    int StopLeg();
    void CopyWindowOut(uint8_t* window) const;
    int InflateBlock(bool& last);
    int InflateStoredBlock();
    int InflateFixedBlock();
    int InflateDynamicBlock();
    int DecodeBlockData(const TBlockCodes& codes);
    int DecodeFast(const TBlockCodes& codes);
    int DecodeFastPlain(const TBlockCodes& codes);
#ifdef VALBRIX_INFLATE_BMI2
    int DecodeFastBmi2(const TBlockCodes& codes);
#endif
    [[gnu::always_inline]] inline int DecodeFastBody(const TBlockCodes& codes);
    bool DecodeCompact(const FastTable& table, FastEntry& entry, unsigned& value);
    bool PutByte(uint8_t byte);
    bool PutStoredBytes(unsigned& length);
    bool CopyMatch(unsigned distance, unsigned length);
    bool SendPiece();

    using F = TFormat<Wide>;
    static constexpr unsigned RingSize = F::RingSize;
    TEngineState& S;
    const bool FFastPaths;
    TInflateLeg* const FLeg;             // null: the whole entry from its start
    uint8_t* FRing = nullptr;            // RingSize bytes of output and history, plus RingSlack
    unsigned FPos = 0;                   // where the next byte goes; below FSendAt between steps
    unsigned FSendAt = FlushSize;        // the end of the piece being filled: a multiple of FlushSize
    bool FWrapped = false;               // the ring has been filled once: all of it is history
    FastEntry* FFastStorage = nullptr;   // the tables of dynamic blocks
};

template <bool Wide>
int TInflater<Wide>::Run()
{
    S.ResetInput();
    uint8_t* const scratch = S.BulkBlock(F::ScratchBytes);
    FRing = scratch;
    FFastStorage = reinterpret_cast<FastEntry*>(scratch + F::FastTablesOffset);
    if (FLeg && FLeg->StartWindow)
        StartLeg();
    bool last = false;
    int result = erOk;
    while (!last && result == erOk) {
        if (FLeg && StopsHere())
            return StopLeg();
        result = InflateBlock(last);
    }
    // Bits behind the final block stay in BitBuf: the driver aligns to the
    // data descriptor itself.
    const unsigned pieceStart = FSendAt - FlushSize;
    if (result == erOk && !S.WriteOut(FRing + pieceStart, FPos - pieceStart))
        result = erOutput;
    // Every way a write can fail reports 2; going past the size is bad data.
    return S.OutputOverrun ? erFormat : result;
}

// A leg taking over inside the stream: its input is read from the buffer
// start a decode from bit 0 would have read (see LegFirstByte), and the
// handed-in history sits in the ring so that the unsent bytes at its end
// open the piece being filled: pieces are sent at the same bytes as by a
// decode from the start.
template <bool Wide>
void TInflater<Wide>::StartLeg()
{
    S.RefillInput();
    const uint64_t skip = FLeg->StartBit / 8 - LegFirstByte(FLeg->StartBit);
    S.InPos = int32_t(std::min<uint64_t>(skip, uint64_t(S.InLast + 1)));
    S.FillBits(unsigned(FLeg->StartBit & 7));
    S.DropBits(unsigned(FLeg->StartBit & 7));
    const unsigned unsent = std::min(FLeg->StartUnsent, FlushSize - 1);
    std::memcpy(FRing + unsent, FLeg->StartWindow, F::Reach);
    FPos = unsent + F::Reach;
    FSendAt = F::Reach + FlushSize;
    FWrapped = false;
}

// The stream's next unread bit: the bytes read, less those still in InBuf
// and the bits still in BitBuf.
template <bool Wide>
uint64_t TInflater<Wide>::NextBit() const
{
    return (S.BytesRead - uint64_t(S.InLast + 1 - S.InPos)) * 8 - S.BitCount;
}

// A leg stops before a block only where a decode going on would certainly
// not report something else first: not once the input has run out or an
// abort is pending, and not when the bytes held back would pass the
// entry's size (going on would meet that later, perhaps after another
// error, and report that one).
template <bool Wide>
bool TInflater<Wide>::StopsHere()
{
    if (FLeg->StopBit == NoStop || S.InputEof || S.AbortFlag || NextBit() < FLeg->StopBit)
        return false;
    const unsigned unsent = FPos - (FSendAt - FlushSize);
    return S.OutputSize == UnknownSize || unsent <= S.OutputSize - S.BytesWritten;
}

// The piece being filled is not sent: the next leg sends it, whole, as a
// decode going on would, so a failing sink fails at the same byte.
template <bool Wide>
int TInflater<Wide>::StopLeg()
{
    FLeg->Stopped = true;
    FLeg->StoppedAt = NextBit();
    FLeg->EndUnsent = FPos - (FSendAt - FlushSize);
    if (FLeg->EndWindow)
        CopyWindowOut(FLeg->EndWindow);
    return erOk;
}

// The Reach bytes before FPos, zeros where they would lie before the
// entry's (or the leg's window's) first byte.
template <bool Wide>
void TInflater<Wide>::CopyWindowOut(uint8_t* window) const
{
    constexpr unsigned reach = F::Reach;
    if (FPos >= reach) {
        std::memcpy(window, FRing + FPos - reach, reach);
        return;
    }
    const unsigned older = reach - FPos;
    if (FWrapped)
        std::memcpy(window, FRing + RingSize - older, older);
    else
        std::memset(window, 0, older);
    std::memcpy(window + older, FRing, FPos);
}

template <bool Wide>
int TInflater<Wide>::InflateBlock(bool& last)
{
    S.FillBits(1);
    last = (S.BitBuf & 1) != 0;
    S.DropBits(1);
    S.FillBits(2);
    const unsigned type = unsigned(S.BitBuf & 3);
    S.DropBits(2);
    switch (type) {
    case 0:
        return InflateStoredBlock();
    case 1:
        return InflateFixedBlock();
    case 2:
        return InflateDynamicBlock();
    default:
        return erFormat;
    }
}

// Sends the piece FPos has reached or passed. At the ring's end the bytes
// written past it move to its start, where they belong. False when the
// write failed.
template <bool Wide>
bool TInflater<Wide>::SendPiece()
{
    const bool written = S.WriteOut(FRing + FSendAt - FlushSize, FlushSize);
    if (FSendAt == RingSize) {
        FPos -= RingSize;
        std::memcpy(FRing, FRing + RingSize, FPos);
        FWrapped = true;
        FSendAt = FlushSize;
    } else {
        FSendAt += FlushSize;
    }
    return written;
}

template <bool Wide>
VALBRIX_NO_COVERAGE bool TInflater<Wide>::PutByte(uint8_t byte)
{
    FRing[FPos] = byte;
    return ++FPos < FSendAt || SendPiece();
}

// The careful match copy, in pieces that end where the ring ends on either
// side and where the piece being filled is sent; bytes before the entry's
// start read as zeros. False when a write failed.
template <bool Wide>
bool TInflater<Wide>::CopyMatch(unsigned distance, unsigned length)
{
    while (length > 0) {
        uint8_t* const dest = FRing + FPos;
        unsigned piece;
        if (!FWrapped && distance > FPos) {
            piece = std::min({length, distance - FPos, FSendAt - FPos});
            std::memset(dest, 0, piece);
        } else {
            const unsigned source = (FPos - distance) & (RingSize - 1);
            piece = std::min({length, FSendAt - FPos, RingSize - source});
            // A piece no longer than the distance reads only bytes written
            // before it; a longer one (source just behind) repeats a pattern.
            if (distance >= piece)
                std::memcpy(dest, FRing + source, piece);
            else
                RepeatPattern(dest, distance, piece);
        }
        FPos += piece;
        length -= piece;
        if (FPos == FSendAt && !SendPiece())
            return false;
    }
    return true;
}

// Stored bytes one at a time through the bit reader, until the block or
// the input ends, the abort flag is seen (the caller tells which), or the
// fast copy from InBuf can take over. False when a write failed.
template <bool Wide>
VALBRIX_NO_COVERAGE bool TInflater<Wide>::PutStoredBytes(unsigned& length)
{
    for (; length > 0 && !S.AbortFlag && !S.InputEof; --length) {
        if (FFastPaths && S.BitCount == 0 && S.InPos <= S.InLast)
            return true;
        S.FillBits(8);
        const bool sent = PutByte(uint8_t(S.BitBuf));
        S.DropBits(8);
        if (!sent)
            return false;
    }
    return true;
}

template <bool Wide>
int TInflater<Wide>::InflateStoredBlock()
{
    S.DropBits(S.BitCount & 7);
    S.FillBits(16);
    unsigned length = unsigned(S.BitBuf & 0xFFFF);
    S.DropBits(16);
    S.FillBits(16);
    const unsigned complement = unsigned(~S.BitBuf & 0xFFFF);
    S.DropBits(16);
    if (length != complement)
        return erFormat;

    while (length > 0 && !S.AbortFlag && !S.InputEof) {
        if (FFastPaths && S.BitCount == 0 && S.InPos <= S.InLast) {
            // Straight from InBuf: no refill happens inside the run, so the
            // flags cannot change and need no test per byte.
            const unsigned run = std::min({length, unsigned(S.InLast - S.InPos + 1), FSendAt - FPos});
            std::memcpy(FRing + FPos, S.InBuf + S.InPos, run);
            S.InPos += int32_t(run);
            length -= run;
            FPos += run;
            if (FPos == FSendAt && !SendPiece())
                return erOutput;
            continue;
        }
        if (!PutStoredBytes(length))
            return erOutput;
    }
    if (S.AbortFlag)
        return erAborted;
    return S.InputEof ? erRead : erOk;
}

template <bool Wide>
int TInflater<Wide>::InflateFixedBlock()
{
    const TFixedTables<Wide>& fixed = TFixedTables<Wide>::Shared();
    if (!fixed.Built)
        return erFormat;
    return DecodeBlockData(fixed.Codes);
}

template <bool Wide>
int TInflater<Wide>::InflateDynamicBlock()
{
    S.FillBits(5);
    const unsigned literalCount = 257 + unsigned(S.BitBuf & 0x1F);
    S.DropBits(5);
    S.FillBits(5);
    const unsigned distanceCount = 1 + unsigned(S.BitBuf & 0x1F);
    S.DropBits(5);
    S.FillBits(4);
    const unsigned codeLengthCount = 4 + unsigned(S.BitBuf & 0xF);
    S.DropBits(4);

    uint16_t lengths[MaxCodeLengths] = {};
    for (unsigned i = 0; i < codeLengthCount; ++i) {
        S.FillBits(3);
        lengths[CodeLengthOrder[i]] = uint16_t(S.BitBuf & 7);
        S.DropBits(3);
    }
    TTableHolder codeLengths;
    codeLengths.Bits = CodeLengthLookupBits;
    // An incomplete code-length code is refused; an empty one (null table) as well.
    if (BuildDecodeTable(lengths, 19, 19, nullptr, nullptr, &codeLengths.Table, &codeLengths.Bits) != tbComplete ||
        !codeLengths.Table)
        return erFormat;

    // The code-length code is at most 7 bits long and the first level is as
    // wide as its longest code, so one lookup always completes a symbol.
    const unsigned total = literalCount + distanceCount;
    const unsigned width = codeLengths.Bits;
    unsigned previous = 0;
    for (unsigned i = 0; i < total;) {
        S.FillBits(width);
        const DecodeEntry slot = codeLengths.Table[S.BitBuf & MaskBits[width]];
        S.DropBits(slot.Bits);
        // A lone 1-bit code leaves its other pattern unowned; reading it is bad data.
        if (slot.Op == OpInvalid)
            return erFormat;
        const unsigned symbol = slot.Base;
        if (symbol < 16) {
            lengths[i++] = uint16_t(symbol);
            previous = symbol;
            continue;
        }
        const TLengthRepeat rule = LengthRepeat(symbol);
        S.FillBits(rule.ExtraBits);
        const unsigned repeat = rule.Base + unsigned(S.BitBuf & MaskBits[rule.ExtraBits]);
        S.DropBits(rule.ExtraBits);
        const unsigned value = rule.CopiesPrevious ? previous : 0;
        if (i + repeat > total)
            return symbol == 18 ? erFormat : erCrc;  // the short repeats report 1, as they always have
        std::fill(lengths + i, lengths + i + repeat, uint16_t(value));
        i += repeat;
        previous = value;
    }
    codeLengths.Free();

    TBlockCodes codes;
    // Incomplete is refused here; so is a code without symbols, which could never end the block.
    codes.FastLiterals = BuildFastTable(lengths, literalCount, 257, F::LengthBases, F::LengthExtras,
                                        FastLiteralRootBits, FFastStorage);
    if (!codes.FastLiterals.Complete)
        return erFormat;
    // An incomplete distance code is accepted: it only fails if a stream uses an unowned pattern.
    // No distance code at all (every length 0) is a block of literals only.
    codes.FastDistances = BuildFastTable(lengths + literalCount, distanceCount, 0, F::DistanceBases, F::DistanceExtras,
                                         FastDistanceRootBits, FFastStorage + FastLiteralTableSize);
    if (codes.FastDistances.Oversubscribed)
        return erFormat;
    return DecodeBlockData(codes);

}

// Reads one code and its extra bits, asking the bit reader for no more
// than the table's levels need. False for a pattern no symbol owns.
template <bool Wide>
bool TInflater<Wide>::DecodeCompact(const FastTable& table, FastEntry& entry, unsigned& value)
{
    S.FillBits(table.RootBits);
    entry = table.Entries[S.BitBuf & MaskBits[table.RootBits]];
    if (entry & FastLink) {
        S.DropBits(table.RootBits);
        const unsigned width = FastCodeBits(entry);
        S.FillBits(width);
        entry = table.Entries[FastValue(entry) + (S.BitBuf & MaskBits[width])];
    }
    if (entry & FastInvalid)
        return false;
    S.DropBits(FastCodeBits(entry));
    const unsigned extra = FastDropBits(entry) - FastCodeBits(entry);
    S.FillBits(extra);
    value = FastValue(entry) + unsigned(S.BitBuf & MaskBits[extra]);
    S.DropBits(extra);
    return true;
}

// Contract of DecodeBlockData:
//   Entry: codes hold a complete literal/length table and a distance table
//   (all invalid when the block has no distance codes). FPos < FSendAt.
//   Each step: test AbortFlag and InputEof, decode one literal/length code;
//   a literal goes into the ring (a full piece is sent), end of block
//   returns 0, a length is followed by a distance code and the match is
//   copied. An unowned pattern returns 4 at once, without sending.
//   On return: 0 at the end of block; 4 bad data; 2 a write failed; 5 the
//   abort flag was seen, 3 the input ran out before the end of block.
template <bool Wide>
int TInflater<Wide>::DecodeBlockData(const TBlockCodes& codes)
{
    while (!S.AbortFlag && !S.InputEof) {
        // Near the end of InBuf the fast loop could not take a step: the
        // careful steps go on without calling it until the next refill.
        if (FFastPaths && S.InLast + 1 - S.InPos >= F::FastMargin) {
            const int result = DecodeFast(codes);
            if (result >= 0)
                return result;
            // Too few input bytes left: one careful step.
        }
        FastEntry entry;
        unsigned length;
        if (!DecodeCompact(codes.FastLiterals, entry, length))
            return erFormat;
        if (entry & FastLiteral) {
            if (!PutByte(uint8_t(length)))
                return erOutput;
            continue;
        }
        if (entry & FastEndOfBlock)
            return erOk;
        if (Wide && length == LongLengthMark) {
            S.FillBits(LongLengthExtra);
            length = LongLengthBase + unsigned(S.BitBuf & MaskBits[LongLengthExtra]);
            S.DropBits(LongLengthExtra);
        }
        unsigned distance;
        if (!DecodeCompact(codes.FastDistances, entry, distance))
            return erFormat;
        if (!CopyMatch(distance, length))
            return erOutput;
    }
    return S.AbortFlag ? erAborted : erRead;
}

// Contract of DecodeFast:
//   Entry: AbortFlag and InputEof are clear (they change only inside
//   RefillInput, which this loop never calls); BitBuf holds exactly BitCount
//   bits; FPos < FSendAt.
//   Runs whole steps of DecodeBlockData while F::FastMargin bytes remain in
//   InBuf, so no step can refill. Bits come from 8-byte loads; the bits
//   loaded above BitCount are the true next bits of the stream and are
//   loaded again by the next refill, so they are harmless. A step may write
//   past FSendAt; the piece is sent after the step, and a failed write ends
//   the block there, as it ends the byte-wise step within the same symbol.
//   On return: -1 to hand over to the byte-wise step, with the whole bytes
//   still unread in BitBuf given back to InBuf where they came from; or the
//   block's result code (0 end of block, 4 bad data, 2 a write failed).
// The fast loop is compiled twice: for any x86-64, and with the processor's
// bit-field instructions (three-operand shifts, masks in one step), which
// shorten the chain from one code to the next. Chosen once per process.
template <bool Wide>
int TInflater<Wide>::DecodeFast(const TBlockCodes& codes)
{
#ifdef VALBRIX_INFLATE_BMI2
    static const bool hasBmi2 = __builtin_cpu_supports("bmi2");
    if (hasBmi2)
        return DecodeFastBmi2(codes);
#endif
    return DecodeFastPlain(codes);
}

template <bool Wide>
int TInflater<Wide>::DecodeFastPlain(const TBlockCodes& codes)
{
    return DecodeFastBody(codes);
}

#ifdef VALBRIX_INFLATE_BMI2
template <bool Wide>
__attribute__((target("bmi,bmi2"))) int TInflater<Wide>::DecodeFastBmi2(const TBlockCodes& codes)
{
    return DecodeFastBody(codes);
}
#endif

template <bool Wide>
inline int TInflater<Wide>::DecodeFastBody(const TBlockCodes& codes)
{
    const uint8_t* const in = S.InBuf;
    const uint8_t* inNext = in + S.InPos;
    // A step refills StepRefills times, 7 bytes each at most, so that many
    // refill widths before the end keep every load inside InBuf.
    const uint8_t* const inLimit = in + S.InLast + 1 - F::FastMargin;
    uint8_t* const ring = FRing;
    // The output by pointer: a literal is one store and one increment.
    uint8_t* out = ring + FPos;
    const uint8_t* sendAt = ring + FSendAt;  // kept in a register; only SendPiece moves it
    uint64_t bitBuf = S.BitBuf;
    unsigned bitCount = S.BitCount;
    const FastTable literals = codes.FastLiterals;
    const FastTable distances = codes.FastDistances;
    constexpr uint64_t literalMask = (uint64_t(1) << FastLiteralRootBits) - 1;
    int result = -1;

    // The next first-level entry is looked up as soon as its bits are in
    // hand, ahead of the work on the current symbol, so the table's latency
    // overlaps the copying.
    if (inNext > inLimit)
        return -1;
    Refill(inNext, bitBuf, bitCount);
    FastEntry next = literals.Entries[bitBuf & literalMask];

    while (inNext <= inLimit) {
        Refill(inNext, bitBuf, bitCount);
        FastEntry entry = FollowLink(literals, next, bitBuf, bitCount);
        uint64_t before = bitBuf;
        DropEntry(entry, bitBuf, bitCount);
        if (entry & FastLiteral) {
            *out++ = uint8_t(FastValue(entry));
            // Literals come in runs. The first code took at most 15 of the
            // 56 bits and each first-level literal takes at most 10, so
            // three more fit without a refill, and 11 bits are still in hand
            // for the look-ahead.
            next = literals.Entries[bitBuf & literalMask];
            for (int more = 0; more < 3 && (next & FastLiteral); ++more) {
                DropEntry(next, bitBuf, bitCount);
                *out++ = uint8_t(FastValue(next));
                next = literals.Entries[bitBuf & literalMask];
            }
        } else if (entry & (FastEndOfBlock | FastInvalid)) {
            result = (entry & FastEndOfBlock) ? erOk : erFormat;
            break;
        } else {
            unsigned length = FastValue(entry) + ExtraValue(entry, before);
            if (Wide && length == LongLengthMark) {
                // At least 56 - 15 bits are still in hand.
                length = LongLengthBase + unsigned(bitBuf & ((1u << LongLengthExtra) - 1));
                bitBuf >>= LongLengthExtra;
                bitCount -= LongLengthExtra;
            }
            // Deflate64 refills between the two codes; the buffer then still
            // holds the next code's bits after the distance (56 - 29).
            if constexpr (F::StepRefills == 2)
                Refill(inNext, bitBuf, bitCount);
            entry = LookUp<FastDistanceRootBits>(distances, bitBuf, bitCount);
            before = bitBuf;
            DropEntry(entry, bitBuf, bitCount);
            // A block without distance codes has only invalid patterns here.
            if (entry & FastInvalid) {
                result = erFormat;
                break;
            }
            const unsigned distance = FastValue(entry) + ExtraValue(entry, before);
            next = literals.Entries[bitBuf & literalMask];

            uint8_t* const dest = out;
            const unsigned pos = unsigned(out - ring);
            // A Deflate64 match longer than deflate's could run past the
            // ring's slack: the careful copy below takes it.
            const bool shortMatch = !Wide || length <= MaxMatchLength;
            if (distance <= pos && shortMatch) {
                if (distance >= 16)
                    CopyWords<16>(dest, dest - distance, length);
                else if (distance >= 8)
                    CopyWords<8>(dest, dest - distance, length);
                else
                    RepeatShortPattern(dest, distance, length);
            } else if (const unsigned back = pos + RingSize - distance;
                       FWrapped && back + length <= RingSize && shortMatch) {
                // The source lies near the ring's end, 32 KB or more ahead
                // of the destination, so the two never meet, whatever the
                // distance.
                CopyWords<16>(dest, ring + back, length);
            } else {
                // Before the entry's start, or across the ring's end: the
                // byte-wise copy, which sends a filled piece itself.
                FPos = pos;
                if (!CopyMatch(distance, length)) {
                    result = erOutput;
                    break;
                }
                out = ring + FPos;
                sendAt = ring + FSendAt;
                continue;
            }
            out += length;
        }
        if (out >= sendAt) {
            FPos = unsigned(out - ring);
            const bool sent = SendPiece();
            out = ring + FPos;
            sendAt = ring + FSendAt;
            if (!sent) {
                result = erOutput;
                break;
            }
        }
    }
    bitCount &= 0x3F;
    // Give back the whole unread bytes; never more than this buffer
    // delivered, since older bytes in BitBuf came from a previous fill.
    const unsigned giveBack = std::min(bitCount >> 3, unsigned(inNext - in));
    inNext -= giveBack;
    bitCount -= giveBack * 8;
    S.BitBuf = bitBuf & ((uint64_t(1) << bitCount) - 1);
    S.BitCount = uint8_t(bitCount);
    S.InPos = int32_t(inNext - in);
    FPos = unsigned(out - ring);
    return result;
}

}  // namespace

int Inflate(TEngineState& state)
{
    return TInflater<false>(state, true).Run();
}

int InflateByteWise(TEngineState& state)
{
    return TInflater<false>(state, false).Run();
}

int Inflate64(TEngineState& state)
{
    return TInflater<true>(state, true).Run();
}

int Inflate64ByteWise(TEngineState& state)
{
    return TInflater<true>(state, false).Run();
}

int InflateLeg(TEngineState& state, TInflateLeg& leg)
{
    return TInflater<false>(state, true, &leg).Run();
}

int Inflate64Leg(TEngineState& state, TInflateLeg& leg)
{
    return TInflater<true>(state, true, &leg).Run();
}

}  // namespace valbrix
