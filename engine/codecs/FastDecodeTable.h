// Compact decoding tables for inflate's fast loop. One 32-bit entry per
// pattern of the low bits of the bit buffer; an entry says at once how many
// bits to drop (the code and its extra bits together) and where the extra
// bits sit, so a length or distance costs one lookup and one shift on the
// loop's critical path. Codes longer than the first level go through one
// sub-table per first-level pattern.
#pragma once

#include <cstdint>

namespace valbrix {

// Entry layout:
//   bits 0..5    bits to drop: code bits plus extra bits (a link: the first-level width)
//   bit  6       link to a sub-table
//   bit  7       literal
//   bits 8..13   code bits, below the extra bits (a link: its sub-table's width)
//   bit  14      end of block
//   bit  15      invalid pattern
//   bits 16..31  literal byte, length or distance base (a link: offset of its sub-table)
// The value takes one shift. A length or distance entry has no flag set, so
// its low byte is exactly the bits to drop and the byte above it exactly the
// code bits: both serve as shift counts and bit-field lengths unmasked.
using FastEntry = uint32_t;

constexpr FastEntry FastLink = 1u << 6;
constexpr FastEntry FastLiteral = 1u << 7;
constexpr FastEntry FastEndOfBlock = 1u << 14;
constexpr FastEntry FastInvalid = 1u << 15;

inline unsigned FastDropBits(FastEntry entry) { return entry & 0x3F; }
inline unsigned FastValue(FastEntry entry) { return entry >> 16; }
inline unsigned FastCodeBits(FastEntry entry) { return (entry >> 8) & 0x3F; }

inline FastEntry MakeFastEntry(unsigned value, unsigned codeBits, unsigned dropBits, FastEntry kind)
{
    return kind | FastEntry(value) << 16 | FastEntry(codeBits) << 8 | FastEntry(dropBits);
}

// First-level widths. Wider tables decode more codes in one lookup but cost
// more to fill for every dynamic block; these suit blocks of a few KB up.
constexpr unsigned FastLiteralRootBits = 10;
constexpr unsigned FastDistanceRootBits = 8;

// Room for any code of the sizes below: the first level, plus a sub-table of
// at most 2^(15 - root) entries for each symbol that could own one.
constexpr unsigned FastLiteralTableSize = (1u << FastLiteralRootBits) + 288u * (1u << (15 - FastLiteralRootBits));
constexpr unsigned FastDistanceTableSize = (1u << FastDistanceRootBits) + 32u * (1u << (15 - FastDistanceRootBits));

struct FastTable {
    const FastEntry* Entries = nullptr;
    // The bits a lookup needs: as wide as the longest code, at most the
    // level's width. The first level always has 2^min(maxRootBits, literal
    // root) entries, and indexing it with more bits than RootBits gives the
    // same entry, so a reader in a hurry may use the full width's mask.
    unsigned RootBits = 0;
    // Every pattern belongs to a symbol; false for an incomplete code (or
    // none), and for lengths that over-subscribe it (Oversubscribed).
    bool Complete = false;
    bool Oversubscribed = false;
};

// Builds the table of n code lengths (at most 15; longer ones, or an
// over-subscribed code, give a table in which every pattern is invalid,
// and say so) into `storage`, which
// holds the size above for its kind. Symbols below `s` are literals (below
// 256) or the end of block; the others take base and extra-bit count from
// `bases`/`extras` (an extra count of 99 marks a symbol without meaning).
// Patterns no symbol owns decode as invalid. The first level has
// 2^min(maxRootBits, literal/length root) entries; RootBits says how many of
// its bits a code needs.
FastTable BuildFastTable(const uint16_t* lengths, unsigned n, unsigned s, const uint16_t* bases,
                         const uint16_t* extras, unsigned maxRootBits, FastEntry* storage);

}  // namespace valbrix
