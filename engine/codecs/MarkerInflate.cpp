// The part decoder: the same block formats as Inflate.cpp, read through a
// cursor over memory instead of the engine state's reader, writing 16- or
// 32-bit positions instead of bytes so that a match may copy markers as
// well as bytes. Tables are the fast decoder's compact ones, read one level
// at a time as its careful step reads them.
#include "engine/codecs/MarkerInflate.h"

#include <algorithm>
#include <cassert>
#include <memory>

#include "engine/LittleEndian.h"
#include "engine/codecs/FastDecodeTable.h"
#include "engine/codecs/InflateTables.h"
#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

constexpr unsigned MaxCodeLengths = 320;  // 288 literal/length + 32 distance lengths
constexpr unsigned CodeLengthRootBits = 7;

inline uint64_t LowBits(uint64_t value, unsigned n) { return value & ((uint64_t(1) << n) - 1); }

// Reads bits from memory, least significant first. Past the end it reads
// zeros; Overrun tells the caller the input ran out.
class TBitCursor {
public:
    TBitCursor(const uint8_t* data, size_t size, uint64_t bit) : FData(data), FSize(size) { Seek(bit); }
    void Seek(uint64_t bit)
    {
        FNext = bit >> 3;
        FBuf = 0;
        FCount = 0;
        Need(8);
        Drop(unsigned(bit & 7));
    }
    // Afterwards at least n bits (n at most 56) are in hand.
    void Need(unsigned n)
    {
        if (FCount >= n)
            return;
        if (FNext <= FSize && FSize - FNext >= 8) {
            FBuf |= LoadLe64(FData + FNext) << FCount;
            FNext += (63 - FCount) >> 3;
            FCount |= 56;
            return;
        }
        for (; FCount <= 56; FCount += 8, ++FNext)
            FBuf |= uint64_t(FNext < FSize ? FData[FNext] : 0) << FCount;
    }
    uint64_t Peek() const { return FBuf; }
    void Drop(unsigned n)
    {
        FBuf >>= n;
        FCount -= n;
    }
    unsigned Take(unsigned n)
    {
        Need(n);
        const unsigned value = unsigned(LowBits(FBuf, n));
        Drop(n);
        return value;
    }
    uint64_t Position() const { return uint64_t(FNext) * 8 - FCount; }
    bool Overrun() const { return Position() > uint64_t(FSize) * 8; }
    const uint8_t* Data() const { return FData; }
    size_t Size() const { return FSize; }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FNext = 0;   // the next byte to load
    uint64_t FBuf = 0;  // bits in hand, the next one lowest
    unsigned FCount = 0;
};

template <bool Wide>
struct TPartFormat {
    static constexpr const uint16_t* LengthBases = Wide ? LengthBase64 : LengthBase;
    static constexpr const uint16_t* LengthExtras = Wide ? LengthExtra64 : LengthExtra;
    static constexpr const uint16_t* DistanceBases = Wide ? DistanceBase64 : DistanceBase;
    static constexpr const uint16_t* DistanceExtras = Wide ? DistanceExtra64 : DistanceExtra;
    static constexpr unsigned FixedDistances = Wide ? 32 : 30;
};

struct TPartCodes {
    FastTable Literals;
    FastTable Distances;
};

// The fixed code, built once and shared read-only by every part and thread.
template <bool Wide>
const TPartCodes& FixedPartCodes()
{
    struct TFixed {
        FastEntry LiteralStore[1u << 9];
        FastEntry DistanceStore[1u << 5];
        TPartCodes Codes;
        TFixed()
        {
            uint16_t lengths[288 + 32];
            std::fill(lengths, lengths + 144, 8);
            std::fill(lengths + 144, lengths + 256, 9);
            std::fill(lengths + 256, lengths + 280, 7);
            std::fill(lengths + 280, lengths + 288, 8);
            std::fill(lengths + 288, lengths + 320, 5);
            using F = TPartFormat<Wide>;
            Codes.Literals = BuildFastTable(lengths, 288, 257, F::LengthBases, F::LengthExtras, 9, LiteralStore);
            Codes.Distances = BuildFastTable(lengths + 288, F::FixedDistances, 0, F::DistanceBases, F::DistanceExtras,
                                             5, DistanceStore);
        }
    };
    static const TFixed fixed;  // initialisation is thread-safe; nothing writes afterwards
    return fixed.Codes;
}

template <bool Wide>
class TPartInflater {
public:
    using Symbol = TPartSymbol<Wide>;
    TPartInflater(TBitCursor& in, size_t maxSymbols, std::vector<Symbol>& out)
        : In(in), FMaxSymbols(maxSymbols), Out(out)
    {
    }
    int Block(bool& final);

private:
    int StoredBlock();
    int DynamicBlock();
    int BlockData(const TPartCodes& codes);
    bool DecodeCode(const FastTable& table, FastEntry& entry, unsigned& value);
    int CopyMatch(unsigned distance, unsigned length);

    using F = TPartFormat<Wide>;
    static constexpr unsigned Reach = PartReach<Wide>;
    TBitCursor& In;
    const size_t FMaxSymbols;
    std::vector<Symbol>& Out;
    // The tables of a dynamic block; the largest member, so on the heap.
    std::unique_ptr<FastEntry[]> FStorage;
};

template <bool Wide>
int TPartInflater<Wide>::Block(bool& final)
{
    final = In.Take(1) != 0;
    const unsigned type = In.Take(2);
    if (type == 0)
        return StoredBlock();
    if (type == 1)
        return BlockData(FixedPartCodes<Wide>());
    return type == 2 ? DynamicBlock() : erFormat;  // 3 is reserved
}

template <bool Wide>
int TPartInflater<Wide>::StoredBlock()
{
    const uint64_t start = (In.Position() + 7) >> 3;
    const uint8_t* const data = In.Data();
    if (start + 4 > In.Size())
        return erRead;
    const unsigned length = data[start] | unsigned(data[start + 1]) << 8;
    const unsigned complement = data[start + 2] | unsigned(data[start + 3]) << 8;
    if (length != (~complement & 0xFFFF))
        return erFormat;
    if (start + 4 + length > In.Size())
        return erRead;
    if (length > FMaxSymbols - Out.size())
        return erOutput;
    Out.insert(Out.end(), data + start + 4, data + start + 4 + length);
    In.Seek((start + 4 + length) * 8);
    return erOk;
}

template <bool Wide>
int TPartInflater<Wide>::DynamicBlock()
{
    const unsigned literalCount = 257 + In.Take(5);
    const unsigned distanceCount = 1 + In.Take(5);
    const unsigned codeLengthCount = 4 + In.Take(4);
    uint16_t lengths[MaxCodeLengths] = {};
    for (unsigned i = 0; i < codeLengthCount; ++i)
        lengths[CodeLengthOrder[i]] = uint16_t(In.Take(3));
    if (!FStorage)
        FStorage = std::make_unique_for_overwrite<FastEntry[]>(FastLiteralTableSize + FastDistanceTableSize);
    // All 19 symbols below the literal limit: an entry's value is the symbol.
    const FastTable codeLengths =
        BuildFastTable(lengths, 19, 19, nullptr, nullptr, CodeLengthRootBits, FStorage.get());
    if (!codeLengths.Complete)
        return erFormat;
    const unsigned total = literalCount + distanceCount;
    unsigned previous = 0;
    for (unsigned i = 0; i < total;) {
        FastEntry entry;
        unsigned symbol;
        if (!DecodeCode(codeLengths, entry, symbol))
            return erFormat;
        if (symbol < 16) {
            lengths[i++] = uint16_t(symbol);
            previous = symbol;
            continue;
        }
        const TLengthRepeat rule = LengthRepeat(symbol);
        const unsigned repeat = rule.Base + In.Take(rule.ExtraBits);
        const unsigned value = rule.CopiesPrevious ? previous : 0;
        if (i + repeat > total)
            return erFormat;
        std::fill(lengths + i, lengths + i + repeat, uint16_t(value));
        i += repeat;
        previous = value;
    }
    // As the one-part decoder: the literal/length code must be complete, the
    // distance code only not over-subscribed.
    TPartCodes codes;
    codes.Literals = BuildFastTable(lengths, literalCount, 257, F::LengthBases, F::LengthExtras, FastLiteralRootBits,
                                    FStorage.get());
    if (!codes.Literals.Complete)
        return erFormat;
    codes.Distances = BuildFastTable(lengths + literalCount, distanceCount, 0, F::DistanceBases, F::DistanceExtras,
                                     FastDistanceRootBits, FStorage.get() + FastLiteralTableSize);
    if (codes.Distances.Oversubscribed)
        return erFormat;
    return BlockData(codes);
}

// One code and its extra bits, one table level at a time. False for a
// pattern no symbol owns.
template <bool Wide>
bool TPartInflater<Wide>::DecodeCode(const FastTable& table, FastEntry& entry, unsigned& value)
{
    In.Need(32);  // a 15-bit code and up to 14 extra bits
    entry = table.Entries[LowBits(In.Peek(), table.RootBits)];
    if (entry & FastLink) {
        In.Drop(table.RootBits);
        entry = table.Entries[FastValue(entry) + LowBits(In.Peek(), FastCodeBits(entry))];
    }
    if (entry & FastInvalid)
        return false;
    In.Drop(FastCodeBits(entry));
    const unsigned extra = FastDropBits(entry) - FastCodeBits(entry);
    value = FastValue(entry) + unsigned(LowBits(In.Peek(), extra));
    In.Drop(extra);
    return true;
}

// A match copies positions already decoded, or markers for the window
// before the part where it reaches back past the part's start.
template <bool Wide>
int TPartInflater<Wide>::CopyMatch(unsigned distance, unsigned length)
{
    const size_t pos = Out.size();
    if (length > FMaxSymbols - pos)
        return erOutput;
    Out.resize(pos + length);
    Symbol* const dest = Out.data() + pos;
    unsigned k = 0;
    if (distance > pos) {
        // Distances never pass the reach, so the marker index stays in the window.
        assert(distance <= Reach);
        const unsigned first = unsigned(Reach - (distance - pos));
        for (; k < length && pos + k < distance; ++k)
            dest[k] = Symbol(MarkerBase + first + k);
    }
    // Index arithmetic: the source pointer would lie before the vector's
    // start while the markers are written.
    Symbol* const all = Out.data();
    for (; k < length; ++k)
        all[pos + k] = all[pos + k - distance];
    return erOk;
}

template <bool Wide>
int TPartInflater<Wide>::BlockData(const TPartCodes& codes)
{
    for (;;) {
        if (In.Overrun())
            return erRead;
        FastEntry entry;
        unsigned length;
        if (!DecodeCode(codes.Literals, entry, length))
            return erFormat;
        if (entry & FastLiteral) {
            if (Out.size() >= FMaxSymbols)
                return erOutput;
            Out.push_back(Symbol(length));
            continue;
        }
        if (entry & FastEndOfBlock)
            return In.Overrun() ? erRead : erOk;
        if (Wide && length == LongLengthMark)
            length = LongLengthBase + In.Take(LongLengthExtra);
        unsigned distance;
        if (!DecodeCode(codes.Distances, entry, distance))
            return erFormat;
        if (const int result = CopyMatch(distance, length); result != erOk)
            return result;
    }
}

}  // namespace

template <bool Wide>
TPartEnd InflatePart(const uint8_t* data, size_t size, uint64_t startBit, uint64_t stopBit, size_t maxSymbols,
                     std::vector<TPartSymbol<Wide>>& out)
{
    TBitCursor in(data, size, startBit);
    TPartInflater<Wide> inflater(in, maxSymbols, out);
    TPartEnd end;
    for (;;) {
        end.EndBit = in.Position();
        if (in.Overrun()) {
            end.Result = erRead;
            return end;
        }
        if (end.EndBit >= stopBit)
            return end;
        end.Result = inflater.Block(end.Final);
        if (end.Result != erOk || end.Final) {
            end.EndBit = in.Position();
            if (end.Result == erOk && in.Overrun())
                end.Result = erRead;
            return end;
        }
    }
}

template <bool Wide>
void ResolveMarkers(const TPartSymbol<Wide>* symbols, size_t count, const uint8_t* window, uint8_t* dest)
{
    for (size_t i = 0; i < count; ++i) {
        const unsigned symbol = symbols[i];
        dest[i] = symbol < MarkerBase ? uint8_t(symbol) : window[symbol - MarkerBase];
    }
}

template TPartEnd InflatePart<false>(const uint8_t*, size_t, uint64_t, uint64_t, size_t,
                                     std::vector<TPartSymbol<false>>&);
template TPartEnd InflatePart<true>(const uint8_t*, size_t, uint64_t, uint64_t, size_t,
                                    std::vector<TPartSymbol<true>>&);
template void ResolveMarkers<false>(const TPartSymbol<false>*, size_t, const uint8_t*, uint8_t*);
template void ResolveMarkers<true>(const TPartSymbol<true>*, size_t, const uint8_t*, uint8_t*);

}  // namespace valbrix
