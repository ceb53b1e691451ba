// Spells deflate streams field by field for the inflate tests: stored
// blocks, fixed-code symbols, and dynamic blocks with any code lengths
// (including impossible ones), so a test can say exactly which malformed
// field it sends.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "support/BitWriter.h"

namespace valbrix::test {

// Canonical codes (most significant bit first) for a list of code lengths.
inline std::vector<uint32_t> CanonicalCodeValues(const std::vector<uint16_t>& lengths)
{
    unsigned count[17] = {}, next[17] = {};
    for (uint16_t length : lengths)
        ++count[length];
    count[0] = 0;
    unsigned code = 0;
    for (unsigned k = 1; k <= 16; ++k) {
        code = (code + count[k - 1]) << 1;
        next[k] = code;
    }
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t v = 0; v < lengths.size(); ++v)
        if (lengths[v])
            codes[v] = next[lengths[v]]++;
    return codes;
}

// A Huffman code given by its lengths; writes symbols of it.
struct HuffmanCode {
    explicit HuffmanCode(std::vector<uint16_t> lengths) : Lengths(std::move(lengths)), Codes(CanonicalCodeValues(Lengths)) {}
    void Put(BitWriter& bits, unsigned symbol) const { bits.PutCode(Codes.at(symbol), Lengths.at(symbol)); }
    std::vector<uint16_t> Lengths;
    std::vector<uint32_t> Codes;
};

// One code-length symbol of a dynamic header with its extra bits (for 16, 17, 18).
struct CodeLengthItem {
    unsigned Symbol;
    unsigned Extra = 0;
};

class DeflateWriter {
public:
    BitWriter Bits;

    void BlockHeader(bool final, unsigned type)
    {
        Bits.Put(final ? 1 : 0, 1);  // BFINAL
        Bits.Put(type, 2);           // BTYPE
    }

    // A stored block; nlen defaults to the complement of the length.
    void Stored(bool final, const Bytes& data, int lengthOverride = -1, int nlenOverride = -1)
    {
        BlockHeader(final, 0);
        Bits.AlignToByte();
        const unsigned length = lengthOverride >= 0 ? unsigned(lengthOverride) : unsigned(data.size());
        Bits.Put(length, 16);                                                   // LEN
        Bits.Put(nlenOverride >= 0 ? unsigned(nlenOverride) : ~length & 0xFFFF, 16);  // NLEN
        for (uint8_t byte : data)
            Bits.Put(byte, 8);
    }

    // Symbols of the fixed code (0..287).
    void FixedSymbol(unsigned symbol)
    {
        if (symbol < 144)
            Bits.PutCode(0x30 + symbol, 8);
        else if (symbol < 256)
            Bits.PutCode(0x190 + symbol - 144, 9);
        else if (symbol < 280)
            Bits.PutCode(symbol - 256, 7);
        else
            Bits.PutCode(0xC0 + symbol - 280, 8);
    }
    void FixedMatch(unsigned length, unsigned distance)
    {
        const auto [lengthSymbol, lengthExtra, lengthBits] = LengthCode(length);
        FixedSymbol(lengthSymbol);
        Bits.Put(lengthExtra, lengthBits);
        const auto [distanceSymbol, distanceExtra, distanceBits] = DistanceCode(distance);
        Bits.PutCode(distanceSymbol, 5);
        Bits.Put(distanceExtra, distanceBits);
    }

    // A dynamic block header with the given literal/length and distance code
    // lengths, sent one length per code-length symbol under a complete
    // code-length code.
    void DynamicHeader(bool final, const std::vector<uint16_t>& literalLengths,
                       const std::vector<uint16_t>& distanceLengths)
    {
        std::vector<CodeLengthItem> items;
        for (uint16_t length : literalLengths)
            items.push_back({length});
        for (uint16_t length : distanceLengths)
            items.push_back({length});
        DynamicHeaderRaw(final, unsigned(literalLengths.size()), unsigned(distanceLengths.size()),
                         StandardCodeLengthLengths(), 19, items);
    }

    // Every field spelled out: counts, the code-length code's lengths (by
    // symbol 0..18), how many of them are sent (HCLEN), and the symbols.
    void DynamicHeaderRaw(bool final, unsigned literalCount, unsigned distanceCount,
                          const std::vector<uint16_t>& codeLengthLengths, unsigned sentCount,
                          const std::vector<CodeLengthItem>& items)
    {
        static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        BlockHeader(final, 2);
        Bits.Put(literalCount - 257, 5);  // HLIT
        Bits.Put(distanceCount - 1, 5);   // HDIST
        Bits.Put(sentCount - 4, 4);       // HCLEN
        for (unsigned i = 0; i < sentCount; ++i)
            Bits.Put(codeLengthLengths[order[i]], 3);
        const HuffmanCode code(codeLengthLengths);
        for (const CodeLengthItem& item : items) {
            code.Put(Bits, item.Symbol);
            if (item.Symbol == 16)
                Bits.Put(item.Extra, 2);
            else if (item.Symbol == 17)
                Bits.Put(item.Extra, 3);
            else if (item.Symbol == 18)
                Bits.Put(item.Extra, 7);
        }
    }

    // A complete code-length code over all 19 symbols: 0..12 get 4 bits, 13..18 get 5.
    static std::vector<uint16_t> StandardCodeLengthLengths()
    {
        std::vector<uint16_t> lengths(19, 4);
        for (unsigned v = 13; v < 19; ++v)
            lengths[v] = 5;
        return lengths;
    }

    struct Coded {
        unsigned Symbol, Extra, ExtraBits;
    };
    static Coded LengthCode(unsigned length)
    {
        static const unsigned base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                          31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const unsigned extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        unsigned i = 28;
        while (base[i] > length)
            --i;
        return {257 + i, length - base[i], extra[i]};
    }
    static Coded DistanceCode(unsigned distance)
    {
        unsigned i = 29;
        while (DistanceBaseOf(i) > distance)
            --i;
        return {i, distance - DistanceBaseOf(i), i < 4 ? 0 : i / 2 - 1};
    }
    static unsigned DistanceBaseOf(unsigned code)
    {
        if (code < 4)
            return code + 1;
        const unsigned extra = code / 2 - 1;
        return (1u << (extra + 1)) + 1 + (code & 1) * (1u << extra);
    }
};

}  // namespace valbrix::test
