// The join of two parts. The first part is decoded by the part decoder as
// well, from bit 0: its references before the entry's first byte read
// zeros, as the one-core decoder's do, which a zero window gives.
#include "engine/codecs/TwoPartInflate.h"

#include <algorithm>
#include <thread>

#include "engine/Crc32.h"
#include "engine/codecs/BlockBoundary.h"
#include "engine/codecs/MarkerInflate.h"
#include "engine/ResultCodes.h"

namespace valbrix {
namespace {

// The one-core decoder may look up to 16 bits past the last bit it uses;
// where its source has no bytes there it reports the input run out. A join
// that ends this close to the end of what is known to follow is left to it.
constexpr uint64_t TailBits = 16;

template <bool Wide>
bool PartsMeet(const TPartEnd& first, const TPartEnd& second, uint64_t boundary, size_t size)
{
    return first.Result == erOk && !first.Final && first.EndBit == boundary && second.Result == erOk &&
           second.Final && second.EndBit + TailBits <= uint64_t(size) * 8;
}

// The PartReach bytes before `end`, zeros where they would lie before the entry.
template <bool Wide>
std::vector<uint8_t> WindowBefore(const uint8_t* bytes, size_t end)
{
    constexpr size_t reach = PartReach<Wide>;
    std::vector<uint8_t> window(reach, 0);
    const size_t known = std::min(end, reach);
    std::copy(bytes + end - known, bytes + end, window.data() + reach - known);
    return window;
}

}  // namespace

template <bool Wide>
TTwoPartOutcome InflateInTwoParts(const uint8_t* data, size_t size, uint64_t searchFromBit, uint64_t searchToBit,
                                  size_t maxBytes, uint32_t crc)
{
    TTwoPartOutcome outcome;
    const uint64_t boundary = FindBlockBoundary<Wide>(data, size, searchFromBit, searchToBit);
    if (boundary == NoBoundary)
        return outcome;
    outcome.Boundary = boundary;

    std::vector<TPartSymbol<Wide>> first, second;
    TPartEnd secondEnd;
    std::thread secondWorker(
        [&] { secondEnd = InflatePart<Wide>(data, size, boundary, NoBoundary, maxBytes, second); });
    const TPartEnd firstEnd = InflatePart<Wide>(data, size, 0, boundary, maxBytes, first);
    secondWorker.join();
    if (!PartsMeet<Wide>(firstEnd, secondEnd, boundary, size) || first.size() > maxBytes - second.size())
        return outcome;

    const size_t firstBytes = first.size();
    outcome.Bytes.resize(firstBytes + second.size());
    uint8_t* const bytes = outcome.Bytes.data();
    ResolveMarkers<Wide>(first.data(), firstBytes, WindowBefore<Wide>(bytes, 0).data(), bytes);
    ResolveMarkers<Wide>(second.data(), second.size(), WindowBefore<Wide>(bytes, firstBytes).data(),
                         bytes + firstBytes);
    // Each part's CRC alone, as two workers would compute them, then joined.
    const uint32_t firstCrc = Crc32Update(crc, bytes, firstBytes);
    const uint32_t secondCrc = Crc32Update(0, bytes + firstBytes, second.size());
    outcome.Crc = Crc32Combine(firstCrc, secondCrc, second.size());
    outcome.Joined = true;
    return outcome;
}

template TTwoPartOutcome InflateInTwoParts<false>(const uint8_t*, size_t, uint64_t, uint64_t, size_t, uint32_t);
template TTwoPartOutcome InflateInTwoParts<true>(const uint8_t*, size_t, uint64_t, uint64_t, size_t, uint32_t);

}  // namespace valbrix
