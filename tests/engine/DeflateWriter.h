// Spells deflate streams field by field for the inflate tests: stored
// blocks, fixed-code symbols and matches, and dynamic block headers with any
// code lengths, impossible ones included.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "support/BitWriter.h"

namespace valbrix::test {

// Canonical code values (most significant bit first) for a list of code lengths.
inline std::vector<uint32_t> CanonicalCodeValues(const std::vector<uint16_t>& lengths)
{
    unsigned count[17] = {}, next[17] = {};
    for (uint16_t length : lengths)
        ++count[length];
    for (unsigned k = 1, code = 0; k <= 16; ++k)
        next[k] = code = (code + (k > 1 ? count[k - 1] : 0)) << 1;
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t v = 0; v < lengths.size(); ++v)
        if (lengths[v])
            codes[v] = next[lengths[v]]++;
    return codes;
}

class DeflateWriter {
public:
    BitWriter Bits;

    void BlockHeader(bool final, unsigned type)
    {
        Bits.Put(final, 1);  // BFINAL
        Bits.Put(type, 2);   // BTYPE
    }
    void Stored(bool final, const Bytes& data, unsigned length, unsigned nlen)
    {
        BlockHeader(final, 0);
        Bits.AlignToByte();
        Bits.Put(length, 16);  // LEN
        Bits.Put(nlen, 16);    // NLEN
        for (uint8_t byte : data)
            Bits.Put(byte, 8);
    }
    void Stored(bool final, const Bytes& data)
    {
        Stored(final, data, unsigned(data.size()), ~unsigned(data.size()) & 0xFFFF);
    }

    // A symbol of a code given by its lengths.
    void Symbol(const std::vector<uint16_t>& lengths, unsigned symbol)
    {
        Bits.PutCode(CanonicalCodeValues(lengths).at(symbol), lengths.at(symbol));
    }
    void Fixed(unsigned symbol) { Symbol(FixedLengths(), symbol); }
    // A match under the fixed code: length symbol, extra bits, 5-bit distance code, extra bits.
    void FixedMatch(unsigned length, unsigned distance)
    {
        Match(FixedLengths(), std::vector<uint16_t>(30, 5), length, distance);
    }
    // A match under any code; `wide`: Deflate64, where 258 is not symbol 285
    // and distance codes 30 and 31 reach 64 KiB.
    void Match(const std::vector<uint16_t>& literals, const std::vector<uint16_t>& distances, unsigned length,
               unsigned distance, bool wide = false)
    {
        unsigned symbol = 257;
        while (symbol < 284 && BaseOf(symbol + 1) <= length)
            ++symbol;
        if (length == 258 && !wide)
            symbol = 285;
        Symbol(literals, symbol);
        Bits.Put(length - (symbol == 285 ? 258 : BaseOf(symbol)), LengthExtra(symbol));
        unsigned code = 0;
        while (code < (wide ? 31u : 29u) && DistanceBase(code + 1) <= distance)
            ++code;
        Symbol(distances, code);
        Bits.Put(distance - DistanceBase(code), code < 4 ? 0 : code / 2 - 1);
    }

    // A dynamic block header: counts, the 19 code-length code lengths (by
    // symbol), how many of them are sent (HCLEN), then the code-length
    // symbols with their extra bits (for 16, 17, 18).
    void DynamicHeader(bool final, unsigned literalCount, unsigned distanceCount,
                       const std::vector<uint16_t>& clLengths, unsigned sentCount,
                       const std::vector<std::pair<unsigned, unsigned>>& items)
    {
        static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        BlockHeader(final, 2);
        Bits.Put(literalCount - 257, 5);  // HLIT
        Bits.Put(distanceCount - 1, 5);   // HDIST
        Bits.Put(sentCount - 4, 4);       // HCLEN
        for (unsigned i = 0; i < sentCount; ++i)
            Bits.Put(clLengths[order[i]], 3);
        for (const auto& [symbol, extra] : items) {
            Symbol(clLengths, symbol);
            Bits.Put(extra, symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0);
        }
    }
    // The usual case: every length sent as itself under a complete code-length code.
    void DynamicHeader(bool final, const std::vector<uint16_t>& literals, const std::vector<uint16_t>& distances)
    {
        std::vector<std::pair<unsigned, unsigned>> items;
        for (uint16_t length : literals)
            items.emplace_back(length, 0);
        for (uint16_t length : distances)
            items.emplace_back(length, 0);
        DynamicHeader(final, unsigned(literals.size()), unsigned(distances.size()), CodeLengthLengths(), 19, items);
    }

    // A complete code-length code over all 19 symbols: 0..12 get 4 bits, 13..18 get 5.
    static std::vector<uint16_t> CodeLengthLengths()
    {
        std::vector<uint16_t> lengths(19, 4);
        std::fill(lengths.begin() + 13, lengths.end(), 5);
        return lengths;
    }
    // A complete literal/length code over all 286 symbols: bytes 9 bits,
    // 256..265 5 bits, 266..269 6 bits, 270..285 7 bits.
    static std::vector<uint16_t> AllLiteralLengths()
    {
        std::vector<uint16_t> lengths(286, 9);
        std::fill(lengths.begin() + 256, lengths.begin() + 266, 5);
        std::fill(lengths.begin() + 266, lengths.begin() + 270, 6);
        std::fill(lengths.begin() + 270, lengths.end(), 7);
        return lengths;
    }
    // Complete distance codes: deflate's 30 (two of 4 bits), Deflate64's 32 of 5.
    static std::vector<uint16_t> AllDistanceLengths(bool wide)
    {
        std::vector<uint16_t> lengths(wide ? 32 : 30, 5);
        if (!wide)
            lengths[0] = lengths[1] = 4;
        return lengths;
    }
    static std::vector<uint16_t> FixedLengths()
    {
        std::vector<uint16_t> lengths(288, 8);
        std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
        std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
        return lengths;
    }

private:
    static unsigned LengthExtra(unsigned symbol) { return symbol < 265 || symbol == 285 ? 0 : (symbol - 261) / 4; }
    static unsigned BaseOf(unsigned symbol)
    {
        unsigned base = 3;
        for (unsigned s = 257; s < symbol; ++s)
            base += 1u << LengthExtra(s);
        return base;
    }
    static unsigned DistanceBase(unsigned code)
    {
        return code < 4 ? code + 1 : (2u << (code / 2 - 1)) + 1 + (code & 1) * (1u << (code / 2 - 1));
    }
};

}  // namespace valbrix::test
