// A test-only encoder of the reduced methods, so the decoder can be checked
// on streams no fixture holds: every factor, the longest lengths and
// distances, empty and full follower sets, escapes and references before the
// first output byte. Two layers, as the format has them: tokens (literals,
// matches, raw coded bytes) become a byte stream in which 144 escapes, and
// that byte stream is written as bits against the follower sets.
// ReduceCompress is a small greedy compressor on top, for round trips.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <map>
#include <vector>

#include "support/BitWriter.h"
#include "support/TestFiles.h"

namespace valbrix::test {

class ReduceEncoder {
public:
    explicit ReduceEncoder(int factor) : FFactor(factor) { assert(factor >= 1 && factor <= 4); }

    static uint32_t LengthMask(int factor) { return 0x7Fu >> (factor - 1); }
    static uint32_t MaxLength(int factor) { return LengthMask(factor) + 255 + 3; }
    static uint32_t MaxDistance(int factor) { return 256u << factor; }
    // Length 3 with a distance up to 256 would need V = 0, which means "literal 144".
    static bool CanEncode(int factor, uint32_t distance, uint32_t length)
    {
        return distance >= 1 && distance <= MaxDistance(factor) && length >= 3 && length <= MaxLength(factor) &&
               !(length == 3 && distance <= 256);
    }

    // At most 63 followers; they are written in this order (slot 0 first).
    void SetFollowers(uint8_t byte, const std::vector<uint8_t>& followers)
    {
        assert(followers.size() <= 63);
        FSets[byte] = followers;
    }

    void Literal(uint8_t byte)
    {
        Coded(byte);
        if (byte == 144)
            Coded(0);
    }

    void Match(uint32_t distance, uint32_t length)
    {
        assert(CanEncode(FFactor, distance, length));
        const uint32_t mask = LengthMask(FFactor);
        const uint32_t high = (distance - 1) >> 8;
        const uint32_t l = length - 3;
        Coded(144);
        Coded(uint8_t((high << (8 - FFactor)) | std::min(l, mask)));  // V
        if (l >= mask)
            Coded(uint8_t(l - mask));  // length extension
        Coded(uint8_t(distance - 1));  // distance low byte
    }

    // One byte of the follower-coded layer, taken as it is.
    void Coded(uint8_t byte) { FCoded.push_back(byte); }
    const Bytes& CodedBytes() const { return FCoded; }

    Bytes Finish() const
    {
        BitWriter bits;
        for (int x = 255; x >= 0; --x) {
            bits.Put(uint32_t(FSets[x].size()), 6);  // count
            for (uint8_t follower : FSets[x])
                bits.Put(follower, 8);
        }
        uint8_t previous = 0;
        for (uint8_t c : FCoded) {
            const auto& set = FSets[previous];
            const auto found = std::find(set.begin(), set.end(), c);
            if (set.empty()) {
                bits.Put(c, 8);  // no flag bit at all
            } else if (found == set.end()) {
                bits.Put(1, 1);  // not a follower
                bits.Put(c, 8);
            } else {
                bits.Put(0, 1);  // follower index
                bits.Put(uint32_t(found - set.begin()), IndexBits(set.size()));
            }
            previous = c;
        }
        return bits.Data();
    }

    static unsigned IndexBits(size_t count)
    {
        unsigned width = 1;
        while ((size_t(1) << width) < count)
            ++width;
        return width;
    }

private:
    int FFactor;
    std::array<std::vector<uint8_t>, 256> FSets;
    Bytes FCoded;
};

// What the decoder must produce for a match: bytes before the start read as 0.
inline void ReferenceCopy(Bytes& out, uint32_t distance, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i) {
        const long from = long(out.size()) - long(distance);
        out.push_back(from < 0 ? 0 : out[size_t(from)]);
    }
}

// Greedy compressor: matches from a short hash chain, then (optionally)
// follower sets of the most frequent successors of each coded byte.
inline Bytes ReduceCompress(const Bytes& data, int factor, unsigned followersPerSet)
{
    ReduceEncoder encoder(factor);
    std::map<uint32_t, std::vector<size_t>> chains;
    auto key = [&](size_t i) { return uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16; };
    size_t i = 0;
    while (i < data.size()) {
        uint32_t bestLength = 0, bestDistance = 0;
        if (i + 3 <= data.size()) {
            auto& chain = chains[key(i)];
            for (size_t k = chain.size(), tries = 0; k-- > 0 && tries < 16; ++tries) {
                const size_t distance = i - chain[k];
                if (distance > ReduceEncoder::MaxDistance(factor))
                    break;
                uint32_t length = 0;
                while (length < ReduceEncoder::MaxLength(factor) && i + length < data.size() &&
                       data[chain[k] + length] == data[i + length])
                    ++length;
                if (length > bestLength && ReduceEncoder::CanEncode(factor, uint32_t(distance), length)) {
                    bestLength = length;
                    bestDistance = uint32_t(distance);
                }
            }
        }
        const size_t step = bestLength ? bestLength : 1;
        if (bestLength)
            encoder.Match(bestDistance, bestLength);
        else
            encoder.Literal(data[i]);
        for (size_t j = i; j < i + step && j + 3 <= data.size(); ++j)
            chains[key(j)].push_back(j);
        i += step;
    }
    if (followersPerSet > 0) {
        std::array<std::array<uint32_t, 256>, 256> pairs{};
        uint8_t previous = 0;
        for (uint8_t c : encoder.CodedBytes()) {
            ++pairs[previous][c];
            previous = c;
        }
        for (unsigned x = 0; x < 256; ++x) {
            std::vector<uint8_t> order;
            for (unsigned c = 0; c < 256; ++c)
                if (pairs[x][c] > 1)
                    order.push_back(uint8_t(c));
            std::stable_sort(order.begin(), order.end(),
                             [&](uint8_t a, uint8_t b) { return pairs[x][a] > pairs[x][b]; });
            order.resize(std::min<size_t>(order.size(), std::min(followersPerSet, 63u)));
            encoder.SetFollowers(uint8_t(x), order);
        }
    }
    return encoder.Finish();
}

}  // namespace valbrix::test
