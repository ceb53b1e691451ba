// The boundary search. Nearly every offset fails on bits a single load
// holds (block type, counts, the code-length code's Kraft sum), so only a
// few reach the trial decode, which is what costs. Stored and fixed blocks
// are not searched: their headers say too little to tell them from noise.
#include "engine/codecs/BlockBoundary.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/LittleEndian.h"
#include "engine/codecs/InflateTables.h"
#include "engine/codecs/MarkerInflate.h"
#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

// Positions a candidate must decode without error (or end the stream
// cleanly before) to count as found: long enough that noise that passes
// the header checks fails here.
constexpr size_t TrialSymbols = 16 * 1024;

// 57 or more bits from `bit` on; zeros past the end.
uint64_t PeekBits(const uint8_t* data, size_t size, uint64_t bit)
{
    const uint64_t byte = bit >> 3;
    uint8_t bytes[8] = {};
    if (byte < size)
        std::memcpy(bytes, data + byte, std::min<uint64_t>(8, size - byte));
    return LoadLe64(bytes) >> (bit & 7);
}

// The header checks: a dynamic block, counts the format allows (the ones an
// encoder never sends are refused too: a refusal only skips a candidate),
// and a complete code-length code.
template <bool Wide>
bool HeaderFits(const uint8_t* data, size_t size, uint64_t bit)
{
    const uint64_t head = PeekBits(data, size, bit);
    if (((head >> 1) & 3) != 2)
        return false;
    const unsigned literalCodes = unsigned(head >> 3) & 31;   // HLIT: 257 + this
    const unsigned distanceCodes = unsigned(head >> 8) & 31;  // HDIST: 1 + this
    if (literalCodes > 29 || distanceCodes > (Wide ? 31u : 29u))
        return false;
    const unsigned sent = 4 + (unsigned(head >> 13) & 15);
    const uint64_t lengths = PeekBits(data, size, bit + 17);
    unsigned kraft = 0;  // in units of 2^-7
    for (unsigned i = 0; i < sent; ++i)
        if (const unsigned length = unsigned(lengths >> (3 * i)) & 7; length != 0)
            kraft += 128u >> length;
    return kraft == 128;
}

}  // namespace

template <bool Wide>
uint64_t FindBlockBoundary(const uint8_t* data, size_t size, uint64_t fromBit, uint64_t toBit)
{
    toBit = std::min<uint64_t>(toBit, uint64_t(size) * 8);
    std::vector<TPartSymbol<Wide>> trial;
    trial.reserve(TrialSymbols);
    for (uint64_t bit = fromBit; bit < toBit; ++bit) {
        if (!HeaderFits<Wide>(data, size, bit))
            continue;
        trial.clear();
        const TPartEnd end = InflatePart<Wide>(data, size, bit, NoBoundary, TrialSymbols, trial);
        if (end.Result == erOutput || (end.Result == erOk && end.Final))
            return bit;
    }
    return NoBoundary;
}

template uint64_t FindBlockBoundary<false>(const uint8_t*, size_t, uint64_t, uint64_t);
template uint64_t FindBlockBoundary<true>(const uint8_t*, size_t, uint64_t, uint64_t);

}  // namespace valbrix
