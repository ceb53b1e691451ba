// Builds inflate's compact tables from a block's code lengths.
//
// Bad input: the lengths are checked here, and inflate refuses a block on
// what the result says. A code longer than 15 bits or over-subscribed gives
// a table that decodes nothing, so no code is entered where it does not
// fit. An incomplete code leaves patterns that decode as invalid.
// Sub-tables are only as wide as the longest code behind their first-level
// pattern, and the storage holds one of the widest for every symbol, so no
// hostile set of lengths can write past it.
#include "engine/codecs/FastDecodeTable.h"

#include <algorithm>

#include "engine/codecs/TableFill.h"
#include "engine/NoCoverage.h"

namespace valbrix {
namespace {

constexpr unsigned MaxCodeLength = 15;
constexpr unsigned NoMeaning = 99;  // extra-bit count of a symbol the format leaves unused

FastEntry MakeEntry(unsigned value, unsigned codeBits, unsigned extraBits, FastEntry kind)
{
    return MakeFastEntry(value, codeBits, codeBits + extraBits, kind);
}

FastEntry SymbolEntry(unsigned symbol, unsigned codeBits, unsigned s, const uint16_t* bases, const uint16_t* extras)
{
    if (symbol < s)
        return symbol < 256 ? MakeEntry(symbol, codeBits, 0, FastLiteral) : MakeEntry(0, codeBits, 0, FastEndOfBlock);
    if (extras[symbol - s] == NoMeaning)
        return MakeEntry(0, codeBits, 0, FastInvalid);
    return MakeEntry(bases[symbol - s], codeBits, extras[symbol - s], 0);
}

// Code bits in reading order: the tables are indexed by the first bit read
// in bit 0, while canonical codes are counted most significant bit first.
unsigned Reverse(unsigned code, unsigned length)
{
    code = ((code & 0x5555u) << 1) | ((code >> 1) & 0x5555u);
    code = ((code & 0x3333u) << 2) | ((code >> 2) & 0x3333u);
    code = ((code & 0x0F0Fu) << 4) | ((code >> 4) & 0x0F0Fu);
    code = ((code & 0x00FFu) << 8) | ((code >> 8) & 0x00FFu);
    return code >> (16 - length);
}

// The per-symbol loops below carry no coverage feedback in the fuzz build:
// traced symbol by symbol they were a sixth of a run on streams of many small
// dynamic blocks, and the shape of the table they build still shows in the
// decoder's own branches and in the traced loop over sub-tables.

// Counts the codes of each length and finds the longest; false for a
// length past the format's.
VALBRIX_NO_COVERAGE bool CountLengths(const uint16_t* lengths, unsigned n, unsigned* count, unsigned& longest)
{
    for (unsigned v = 0; v < n; ++v) {
        const unsigned length = lengths[v];
        // Unused symbols are most of a small block's: counting them made one
        // long chain of increments of the same counter.
        if (length == 0)
            continue;
        if (length > MaxCodeLength)
            return false;
        ++count[length];
        longest = std::max(longest, length);
    }
    return true;
}

// Finds the first-level patterns that lead to codes longer than the first
// level, each with the width of the longest of them, in the order first met.
// Returns how many there are.
VALBRIX_NO_COVERAGE unsigned FindSubTables(const uint16_t* lengths, unsigned n, const unsigned* nextCode,
                                           unsigned rootBits, unsigned* subWidth, unsigned* prefixes)
{
    const unsigned rootSize = 1u << rootBits;
    unsigned probe[MaxCodeLength + 2];
    std::copy(nextCode, nextCode + MaxCodeLength + 2, probe);
    unsigned found = 0;
    for (unsigned v = 0; v < n; ++v) {
        const unsigned length = lengths[v];
        if (length <= rootBits)
            continue;
        const unsigned prefix = Reverse(probe[length]++, length) & (rootSize - 1);
        if (subWidth[prefix] == 0)
            prefixes[found++] = prefix;
        subWidth[prefix] = std::max(subWidth[prefix], length - rootBits);
    }
    return found;
}

// Gives each such pattern its sub-table and a link to it. An incomplete
// code's sub-tables start out invalid like its first level. Their order in
// the storage does not matter: each belongs to a symbol, so all fit.
void LaySubTables(const uint16_t* lengths, unsigned n, const unsigned* nextCode, unsigned rootBits, bool complete,
                  FastEntry* storage)
{
    unsigned subWidth[1u << FastLiteralRootBits] = {};
    unsigned prefixes[1u << FastLiteralRootBits];
    const unsigned found = FindSubTables(lengths, n, nextCode, rootBits, subWidth, prefixes);
    unsigned offset = 1u << rootBits;
    for (unsigned i = 0; i < found; ++i) {
        const unsigned width = subWidth[prefixes[i]];
        if (!complete)
            FillSlots(storage, offset, offset + (1u << width), 1, MakeEntry(0, width, 0, FastInvalid));
        storage[prefixes[i]] = MakeFastEntry(offset, width, rootBits, FastLink);
        offset += 1u << width;
    }
}

// Enters every symbol into each slot its code begins: in the first level,
// or in the sub-table its first bits link to.
VALBRIX_NO_COVERAGE void PlaceSymbols(const uint16_t* lengths, unsigned n, unsigned s, const uint16_t* bases,
                                      const uint16_t* extras, unsigned* nextCode, unsigned rootBits,
                                      FastEntry* storage)
{
    const unsigned rootSize = 1u << rootBits;
    for (unsigned v = 0; v < n; ++v) {
        const unsigned length = lengths[v];
        if (length == 0)
            continue;
        const unsigned code = Reverse(nextCode[length]++, length);
        if (length <= rootBits) {
            const FastEntry entry = SymbolEntry(v, length, s, bases, extras);
            FillSlots(storage, code, rootSize, 1u << length, entry);
            continue;
        }
        const FastEntry link = storage[code & (rootSize - 1)];
        FastEntry* const sub = storage + FastValue(link);
        const unsigned width = FastCodeBits(link);
        const unsigned bitsHere = length - rootBits;
        const FastEntry entry = SymbolEntry(v, bitsHere, s, bases, extras);
        FillSlots(sub, code >> rootBits, 1u << width, 1u << bitsHere, entry);
    }
}

}  // namespace

FastTable BuildFastTable(const uint16_t* lengths, unsigned n, unsigned s, const uint16_t* bases,
                         const uint16_t* extras, unsigned maxRootBits, FastEntry* storage)
{
    unsigned count[MaxCodeLength + 1] = {};
    unsigned longest = 0;
    const bool lengthsFit = CountLengths(lengths, n, count, longest);
    unsigned kraft = 0;  // in units of 2^-15
    for (unsigned k = 1; k <= MaxCodeLength; ++k)
        kraft += count[k] << (MaxCodeLength - k);
    // Longer lengths, or over-subscribed ones, give a table that decodes
    // nothing rather than writes outside its storage.
    // The first level is always filled to its full width, so that a reader
    // may index it with a constant mask (see FastTable::RootBits).
    const unsigned levelBits = std::min(maxRootBits, FastLiteralRootBits);
    const unsigned levelSize = 1u << levelBits;
    if (!lengthsFit || kraft > 1u << MaxCodeLength) {
        FillSlots(storage, 0, levelSize, 1, MakeEntry(0, 0, 0, FastInvalid));
        return {storage, 0, false, true};
    }
    // A complete code writes every slot; only an incomplete one leaves
    // patterns that must read as invalid.
    const bool complete = kraft == 1u << MaxCodeLength;
    const unsigned rootBits = std::min(longest, levelBits);
    if (!complete)
        FillSlots(storage, 0, levelSize, 1, MakeEntry(0, rootBits, 0, FastInvalid));

    unsigned nextCode[MaxCodeLength + 2] = {};
    count[0] = 0;
    for (unsigned k = 1, code = 0; k <= MaxCodeLength; ++k) {
        code = (code + count[k - 1]) << 1;
        nextCode[k] = code;
    }

    if (longest > rootBits)
        LaySubTables(lengths, n, nextCode, rootBits, complete, storage);
    // Without sub-tables every code fits rootBits, and the codes are laid
    // over the whole level; with them the level is rootBits wide anyway.
    PlaceSymbols(lengths, n, s, bases, extras, nextCode, levelBits, storage);
    return {storage, rootBits, complete, false};
}

}  // namespace valbrix
