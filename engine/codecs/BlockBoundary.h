// Finds where a dynamic block of a deflate (or Deflate64) stream held in
// memory plausibly starts, by trying every bit offset of a range: the header
// must describe complete codes and the block (and those after it) must
// decode a stretch without error. A find is only a guess: the caller proves
// it by decoding up to it from the stream's start.
#pragma once

#include <cstddef>
#include <cstdint>

namespace valbrix {

inline constexpr uint64_t NoBoundary = ~uint64_t(0);

// The first candidate in [fromBit, toBit), or NoBoundary.
template <bool Wide>
uint64_t FindBlockBoundary(const uint8_t* data, size_t size, uint64_t fromBit, uint64_t toBit);

}  // namespace valbrix
