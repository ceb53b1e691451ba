// A small implode encoder for the explode tests: greedy matching over a hash
// chain and trees built from the token statistics. It writes the format as
// a conforming decoder reads it, so tests can cover the variants no fixture
// holds (4 KB with three trees, 8 KB with two) and spell out tokens that a
// real encoder rarely sends: a reference before the first byte, the longest
// match. Not fast and not tight; only correct.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <queue>
#include <vector>

#include "support/BitWriter.h"
#include "support/TestFiles.h"

namespace valbrix::test {

struct ImplodeToken {
    unsigned Length = 0;  // 0 for a literal
    unsigned Distance = 0;
    uint8_t Byte = 0;
    static ImplodeToken Literal(uint8_t byte) { return {0, 0, byte}; }
    static ImplodeToken Match(unsigned length, unsigned distance) { return {length, distance, 0}; }
};

// Code lengths (1..16) for every symbol, Huffman-shaped by the frequencies.
// When a code would grow past 16 bits the statistics are flattened and the
// build is repeated; that always ends, at worst with equal lengths.
inline std::vector<uint16_t> ImplodeCodeLengths(std::vector<uint64_t> frequencies)
{
    const size_t n = frequencies.size();
    for (auto& f : frequencies)
        f += 1;  // every symbol needs a code: the format has no length 0
    for (;;) {
        using Node = std::pair<uint64_t, size_t>;
        std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
        std::vector<size_t> parent(2 * n, 0);
        for (size_t i = 0; i < n; ++i)
            queue.push({frequencies[i], i});
        size_t next = n;
        while (queue.size() > 1) {
            const Node a = queue.top();
            queue.pop();
            const Node b = queue.top();
            queue.pop();
            parent[a.second] = parent[b.second] = next;
            queue.push({a.first + b.first, next++});
        }
        const size_t root = next - 1;
        std::vector<uint16_t> lengths(n);
        bool fits = true;
        for (size_t i = 0; i < n; ++i) {
            uint16_t depth = 0;
            for (size_t node = i; node != root; node = parent[node])
                ++depth;
            lengths[i] = depth;
            fits = fits && depth <= 16;
        }
        if (fits)
            return lengths;
        for (auto& f : frequencies)
            f = f / 2 + 1;
    }
}

// Canonical codes, most significant bit first, as the lengths define them.
inline std::vector<uint32_t> ImplodeCanonicalCodes(const std::vector<uint16_t>& lengths)
{
    uint32_t count[17] = {};
    for (uint16_t length : lengths)
        ++count[length];
    count[0] = 0;
    uint32_t next[17] = {};
    uint32_t code = 0;
    for (unsigned bits = 1; bits <= 16; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t i = 0; i < lengths.size(); ++i)
        codes[i] = lengths[i] ? next[lengths[i]]++ : 0;
    return codes;
}

// The run-length-coded list: a count byte, then (repeat - 1) << 4 | (length - 1).
inline Bytes ImplodeLengthList(const std::vector<uint16_t>& lengths)
{
    Bytes list{0};  // the count byte, set below
    for (size_t i = 0; i < lengths.size();) {
        size_t run = 1;
        while (run < 16 && i + run < lengths.size() && lengths[i + run] == lengths[i])
            ++run;
        list.push_back(uint8_t(((run - 1) << 4) | (lengths[i] - 1)));
        i += run;
    }
    assert(list.size() >= 2 && list.size() <= 257);
    list[0] = uint8_t(list.size() - 2);
    return list;
}

class ImplodeEncoder {
public:
    ImplodeEncoder(bool bigDictionary, bool literalTree)
        : FBigDictionary(bigDictionary), FLiteralTree(literalTree)
    {
    }
    uint16_t Flags() const { return uint16_t((FBigDictionary ? 2 : 0) | (FLiteralTree ? 4 : 0)); }
    unsigned MinMatch() const { return FLiteralTree ? 3 : 2; }
    unsigned MaxMatch() const { return MinMatch() + 63 + 255; }
    unsigned LowBits() const { return FBigDictionary ? 7 : 6; }
    unsigned MaxDistance() const { return 64u << LowBits(); }

    // Trees to send instead of the ones built from the statistics (when not empty).
    std::vector<uint16_t> LiteralLengths, LengthLengths, DistanceLengths;

    std::vector<ImplodeToken> Tokenize(const Bytes& data) const
    {
        constexpr unsigned HashBits = 15;
        std::vector<int64_t> head(size_t(1) << HashBits, -1), previous(data.size(), -1);
        auto hash = [&](size_t i) {
            return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & ((1u << HashBits) - 1);
        };
        std::vector<ImplodeToken> tokens;
        for (size_t pos = 0; pos < data.size();) {
            unsigned bestLength = 0, bestDistance = 0;
            if (pos + 3 <= data.size()) {
                int tries = 64;
                for (int64_t candidate = head[hash(pos)]; candidate >= 0 && tries-- > 0;
                     candidate = previous[size_t(candidate)]) {
                    const size_t distance = pos - size_t(candidate);
                    if (distance > MaxDistance())
                        break;
                    unsigned length = 0;
                    while (length < MaxMatch() && pos + length < data.size() &&
                           data[size_t(candidate) + length] == data[pos + length])
                        ++length;
                    if (length > bestLength) {
                        bestLength = length;
                        bestDistance = unsigned(distance);
                    }
                }
            }
            const size_t advance = bestLength >= MinMatch() ? bestLength : 1;
            if (advance == 1)
                tokens.push_back(ImplodeToken::Literal(data[pos]));
            else
                tokens.push_back(ImplodeToken::Match(bestLength, bestDistance));
            for (size_t i = pos; i < pos + advance; ++i)
                if (i + 3 <= data.size()) {
                    previous[i] = head[hash(i)];
                    head[hash(i)] = int64_t(i);
                }
            pos += advance;
        }
        return tokens;
    }

    Bytes Encode(const std::vector<ImplodeToken>& tokens) const
    {
        std::vector<uint64_t> literalFrequencies(256), lengthFrequencies(64), distanceFrequencies(64);
        for (const auto& token : tokens) {
            if (token.Length == 0) {
                ++literalFrequencies[token.Byte];
            } else {
                ++lengthFrequencies[std::min(token.Length - MinMatch(), 63u)];
                ++distanceFrequencies[(token.Distance - 1) >> LowBits()];
            }
        }
        const std::vector<uint16_t> literalLengths = !LiteralLengths.empty() ? LiteralLengths : ImplodeCodeLengths(literalFrequencies);
        const std::vector<uint16_t> lengthLengths = !LengthLengths.empty() ? LengthLengths : ImplodeCodeLengths(lengthFrequencies);
        const std::vector<uint16_t> distanceLengths = !DistanceLengths.empty() ? DistanceLengths : ImplodeCodeLengths(distanceFrequencies);
        const auto literalCodes = ImplodeCanonicalCodes(literalLengths);
        const auto lengthCodes = ImplodeCanonicalCodes(lengthLengths);
        const auto distanceCodes = ImplodeCanonicalCodes(distanceLengths);

        BitWriter bits;
        auto putList = [&](const std::vector<uint16_t>& lengths) {
            for (uint8_t byte : ImplodeLengthList(lengths))
                bits.Put(byte, 8);
        };
        // The format sends each code bit inverted.
        auto putCode = [&](uint32_t code, unsigned length) { bits.PutCode(~code & ((1u << length) - 1), length); };
        if (FLiteralTree)
            putList(literalLengths);
        putList(lengthLengths);
        putList(distanceLengths);
        for (const auto& token : tokens) {
            if (token.Length == 0) {
                bits.Put(1, 1);
                if (FLiteralTree)
                    putCode(literalCodes[token.Byte], literalLengths[token.Byte]);
                else
                    bits.Put(token.Byte, 8);
                continue;
            }
            assert(token.Length >= MinMatch() && token.Length <= MaxMatch());
            assert(token.Distance >= 1 && token.Distance <= MaxDistance());
            bits.Put(0, 1);
            const unsigned distance = token.Distance - 1;
            bits.Put(distance & ((1u << LowBits()) - 1), LowBits());
            putCode(distanceCodes[distance >> LowBits()], distanceLengths[distance >> LowBits()]);
            const unsigned symbol = std::min(token.Length - MinMatch(), 63u);
            putCode(lengthCodes[symbol], lengthLengths[symbol]);
            if (symbol == 63)
                bits.Put(token.Length - MinMatch() - 63, 8);
        }
        return bits.Data();
    }

    Bytes Compress(const Bytes& data) const { return Encode(Tokenize(data)); }

private:
    bool FBigDictionary;
    bool FLiteralTree;
};

}  // namespace valbrix::test
