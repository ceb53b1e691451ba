// Builds the multi-level lookup tables that turn the low bits of BitBuf into
// the symbols of a canonical Huffman code (inflate's literal/length, distance
// and code-length codes, explode's three trees), and releases them.
//
// Shared state: none; every build returns its own chain of tables, owned by
// the caller until FreeDecodeTable.
//
// Bad input: code lengths above 16 and over-subscribed codes give
// tbInvalid and no table. An incomplete code still gets a full table: the patterns no
// symbol owns decode as Op 99, so a decoder meets them as invalid data
// instead of reading an uninitialised slot. Every table is at most 2^16
// slots, and the number of tables is bounded by the number of codes, so a
// hostile set of lengths cannot make the builder allocate without bound.
#include "engine/codecs/DecodeTable.h"

#include <algorithm>
#include <vector>

#include "engine/codecs/TableFill.h"

namespace valbrix {
namespace {

constexpr unsigned MaxCodeLength = 16;

// Each table is one allocation: a header slot followed by its 2^width slots.
// The header's Sub links to the first slot of the next table of the chain and
// its Bits holds the width; a slot serves as header so that the slots behind
// it keep their natural alignment and the handle stays a plain slot pointer.
DecodeEntry* HeaderOf(DecodeEntry* table) { return table - 1; }

// The chain being built. Owns its tables until Release(), so an out-of-memory
// error in the middle of a build leaves nothing behind.
class TTableChain {
public:
    TTableChain() = default;
    TTableChain(const TTableChain&) = delete;
    TTableChain& operator=(const TTableChain&) = delete;
    ~TTableChain() { FreeDecodeTable(FFirst); }

    // A new table of 2^width slots, every slot invalid until a code fills it.
    DecodeEntry* Append(unsigned width)
    {
        const size_t slots = size_t(1) << width;
        DecodeEntry* block = new DecodeEntry[slots + 1];
        block[0] = DecodeEntry{0, uint8_t(width), 0, nullptr};
        DecodeEntry* table = block + 1;
        FillSlots(table, 0, unsigned(slots), 1, DecodeEntry{OpInvalid, uint8_t(width), 0, nullptr});
        if (FLast)
            HeaderOf(FLast)->Sub = table;
        else
            FFirst = table;
        FLast = table;
        return table;
    }
    DecodeTable Release()
    {
        DecodeTable first = FFirst;
        FFirst = FLast = nullptr;
        return first;
    }

private:
    DecodeEntry* FFirst = nullptr;
    DecodeEntry* FLast = nullptr;
};

unsigned LowMask(unsigned bits) { return (1u << bits) - 1u; }

// Width of a sub-table opened for a code of `length` bits when `covered`
// bits are decoded by the tables above it. It starts as narrow as the code
// needs and widens while the codes of the next lengths would fill the extra
// room, so that short runs of longer codes do not each get a table of their
// own; `remaining` counts the codes of this length not yet placed.
unsigned SubTableWidth(const unsigned* count, unsigned length, unsigned covered, unsigned remaining,
                       unsigned longest, unsigned firstWidth)
{
    unsigned width = length - covered;
    const unsigned limit = std::min(longest - covered, firstWidth);
    if ((1u << width) > remaining + 1) {
        unsigned free = (1u << width) - (remaining + 1);
        ++width;
        // covered + width stays below longest here, so count[] is read in bounds.
        for (unsigned next = length + 1; width < limit; ++next) {
            free <<= 1;
            if (count[next] >= free)
                break;
            free -= count[next];
            ++width;
        }
    }
    return width;
}

DecodeEntry MakeSlot(unsigned symbol, unsigned s, const uint16_t* bases, const uint16_t* extras,
                     unsigned bits)
{
    if (symbol < s)
        return DecodeEntry{symbol < 256 ? OpLiteral : OpEndOfBlock, uint8_t(bits), uint16_t(symbol), nullptr};
    if (!bases || !extras)
        return DecodeEntry{OpInvalid, uint8_t(bits), 0, nullptr};
    // Only the low byte of an extra-bit count is meaningful; 99 marks a symbol without a meaning.
    return DecodeEntry{uint8_t(extras[symbol - s]), uint8_t(bits), bases[symbol - s], nullptr};
}

// The next canonical code of the same length, in the bit-reversed form in
// which the tables are indexed (the first bit read is bit 0).
unsigned NextReversedCode(unsigned code, unsigned length)
{
    unsigned bit = 1u << (length - 1);
    while (code & bit) {
        code ^= bit;
        bit >>= 1;
    }
    return code | bit;
}

}  // namespace

TTableBuild BuildDecodeTable(const uint16_t* lengths, unsigned n, unsigned s, const uint16_t* bases,
                     const uint16_t* extras, DecodeTable* table, unsigned* bits)
{
    *table = nullptr;
    const unsigned requestedWidth = *bits;
    *bits = 0;

    // Sub-tables must not straddle the end-of-block code's length, so that the
    // last code of a stream never makes the decoder ask for bits it does not need.
    const unsigned eobLength = n > 256 ? lengths[256] : MaxCodeLength;

    unsigned count[MaxCodeLength + 1] = {};
    for (unsigned v = 0; v < n; ++v) {
        if (lengths[v] > MaxCodeLength)
            return tbInvalid;
        ++count[lengths[v]];
    }
    if (count[0] == n)
        return tbComplete;

    unsigned shortest = 1;
    while (count[shortest] == 0)
        ++shortest;
    unsigned longest = MaxCodeLength;
    while (count[longest] == 0)
        --longest;
    const unsigned firstWidth = std::clamp(requestedWidth, shortest, longest);

    // Kraft check, counting the patterns still free at each length.
    int freePatterns = 1 << shortest;
    for (unsigned k = shortest; k < longest; ++k, freePatterns <<= 1) {
        freePatterns -= int(count[k]);
        if (freePatterns < 0)
            return tbInvalid;
    }
    freePatterns -= int(count[longest]);
    if (freePatterns < 0)
        return tbInvalid;

    // Symbols in canonical order: by length, then by symbol number (a
    // counting sort; count[] still holds the real codes of each length here).
    std::vector<uint16_t> order(n - count[0]);
    {
        unsigned start[MaxCodeLength + 1];
        start[1] = 0;
        for (unsigned k = 1; k < MaxCodeLength; ++k)
            start[k + 1] = start[k] + count[k];
        for (unsigned v = 0; v < n; ++v)
            if (lengths[v])
                order[start[lengths[v]]++] = uint16_t(v);
    }

    const unsigned leftover = unsigned(freePatterns);
    // The unowned patterns count as codes of the longest length, so sub-tables
    // are as wide as when they were placed; their slots stay invalid.
    count[longest] += leftover;

    TTableChain chain;
    // Per table level: the table, the bits decoded above it, its width, and the
    // code prefix (in reading order) that leads to it.
    DecodeEntry* levelTable[MaxCodeLength + 1];
    unsigned levelOffset[MaxCodeLength + 1];
    unsigned levelWidth[MaxCodeLength + 1];
    unsigned levelPrefix[MaxCodeLength + 1];
    int h = 0;
    levelTable[0] = chain.Append(firstWidth);
    levelOffset[0] = 0;
    levelWidth[0] = firstWidth;
    levelPrefix[0] = 0;

    unsigned code = 0;
    size_t next = 0;
    for (unsigned k = shortest; k <= longest; ++k) {
        for (unsigned remaining = count[k]; remaining > 0; --remaining) {
            // The unowned patterns come last and their slots are invalid
            // already: placing them one by one cost up to 2^15 steps, and
            // tables for prefixes that only they share, for a code refused
            // or never read there.
            if (next == order.size())
                break;
            const unsigned symbol = order[next++];

            // Canonical order keeps the codes of one prefix together: once a code
            // leaves a sub-table's prefix, no later code returns to it.
            while (h > 0 && (code & LowMask(levelOffset[h])) != levelPrefix[h])
                --h;
            while (k > levelOffset[h] + levelWidth[h]) {
                const unsigned covered = levelOffset[h] + levelWidth[h];
                unsigned width = SubTableWidth(count, k, covered, remaining, longest, firstWidth);
                if (n > 256 && covered + width > eobLength && covered < eobLength)
                    width = eobLength - covered;
                DecodeEntry* sub = chain.Append(width);
                levelTable[h][(code >> levelOffset[h]) & LowMask(levelWidth[h])] =
                    DecodeEntry{uint8_t(16 + width), uint8_t(levelWidth[h]), 0, sub};
                ++h;
                levelTable[h] = sub;
                levelOffset[h] = covered;
                levelWidth[h] = width;
                levelPrefix[h] = code & LowMask(covered);
            }

            const unsigned bitsHere = k - levelOffset[h];
            const DecodeEntry slot = MakeSlot(symbol, s, bases, extras, bitsHere);
            FillSlots(levelTable[h], (code >> levelOffset[h]) & LowMask(bitsHere), 1u << levelWidth[h], 1u << bitsHere,
                      slot);

            code = NextReversedCode(code, k);
        }
    }

    *table = chain.Release();
    *bits = firstWidth;
    // One lone 1-bit code is how a format says "a single symbol": treat it as complete.
    return leftover > 0 && longest != 1 ? tbIncomplete : tbComplete;
}

void FreeDecodeTable(DecodeTable table)
{
    while (table) {
        DecodeEntry* header = HeaderOf(table);
        table = header->Sub;
        delete[] header;
    }
}

}  // namespace valbrix
