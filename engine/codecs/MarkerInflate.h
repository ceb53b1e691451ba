// Decodes one part of a deflate (or Deflate64) stream held in memory, from
// any bit offset at which a block starts, without the history before it:
// a back-reference that reaches before the part's start becomes a marker
// for that byte of the unknown window, resolved once the bytes before the
// part are known. Two such parts decoded side by side and joined give the
// whole entry on two cores.
//
// Bad input: every malformed or cut stream ends in a result code, never in
// a read outside `data` (bits past its end read as zeros and count as
// input run out). The part accepts no more than a one-part decode would;
// where it is stricter, the caller falls back to the one-part decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "engine/EngineState.h"

namespace valbrix {

// How far a distance reaches: the unknown window a part may refer into.
template <bool Wide>
inline constexpr unsigned PartReach = Wide ? 2 * WindowSize : WindowSize;

// One decoded position of a part: a byte (below MarkerBase) or a marker,
// MarkerBase + i for byte i of the PartReach bytes before the part's start.
// Two bytes a position for deflate; Deflate64's 64 KiB of markers and 256
// bytes do not fit 16 bits.
template <bool Wide>
using TPartSymbol = std::conditional_t<Wide, uint32_t, uint16_t>;
inline constexpr unsigned MarkerBase = 256;
static_assert(MarkerBase + PartReach<false> <= 0x10000, "deflate's symbols must fit two bytes");

struct TPartEnd {
    // erOk; erFormat for bad data, erRead when the input ran out, erOutput
    // when the part would pass maxSymbols.
    int Result = 0;
    uint64_t EndBit = 0;  // where decoding stopped: a block's first bit, or just past the final block
    bool Final = false;   // the final block was decoded
};

// Decodes blocks from startBit, appending to `out`, until the final block
// has been decoded or a block starts at or beyond stopBit (EndBit says
// where), or an error. `out` holds at most maxSymbols positions.
template <bool Wide>
TPartEnd InflatePart(const uint8_t* data, size_t size, uint64_t startBit, uint64_t stopBit, size_t maxSymbols,
                     std::vector<TPartSymbol<Wide>>& out);

// Replaces every marker of `symbols` by its byte of `window` (PartReach
// bytes, the last ones before the part) into `dest`.
template <bool Wide>
void ResolveMarkers(const TPartSymbol<Wide>* symbols, size_t count, const uint8_t* window, uint8_t* dest);

}  // namespace valbrix
