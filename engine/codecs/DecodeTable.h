// Multi-level Huffman decoding tables, shared by inflate and explode. Tables
// are indexed by the low bits of BitBuf, so codes are entered bit-reversed.
#pragma once

#include <cstdint>

namespace valbrix {

struct DecodeEntry {
    uint8_t Op;         // 0..13 extra bits of a length/distance; 15 end of block; 16 literal;
                        // 17..32 sub-table indexed by Op-16 more bits; 99 invalid code
    uint8_t Bits;       // code bits consumed at this level
    uint16_t Base;      // literal byte, symbol or base value
    DecodeEntry* Sub;   // first slot of the sub-table (Op 17..32)
};
// Handle of a chain of tables: the first slot of the first-level table.
using DecodeTable = DecodeEntry*;

constexpr uint8_t OpEndOfBlock = 15;
constexpr uint8_t OpLiteral = 16;
constexpr uint8_t OpInvalid = 99;

// What BuildDecodeTable made of a set of code lengths.
enum TTableBuild : int {
    tbComplete = 0,    // every pattern belongs to a symbol (or no lengths at all: no table)
    tbIncomplete = 1,  // patterns are left over; the table marks them invalid and is usable
    tbInvalid = 2,     // a length above 16 or an over-subscribed code: no table
};

// bits: requested first-level width in, width used out.
TTableBuild BuildDecodeTable(const uint16_t* lengths, unsigned n, unsigned s, const uint16_t* bases,
                     const uint16_t* extras, DecodeTable* table, unsigned* bits);
// Releases a chain; a null handle does nothing.
void FreeDecodeTable(DecodeTable table);

}  // namespace valbrix
