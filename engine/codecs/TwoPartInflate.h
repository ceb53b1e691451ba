// Decodes a deflate (or Deflate64) stream held in memory as two parts on
// two threads: the second from a block boundary found by search, with
// markers for the history it lacks; the first from the stream's start up to
// that boundary. The join is only taken when the first part ended exactly
// where the second began and both decoded cleanly; otherwise the caller
// decodes on one core, whose result code alone counts. Joined bytes and CRC
// are those of the one-core decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace valbrix {

struct TTwoPartOutcome {
    bool Joined = false;    // false: decode the stream on one core instead
    uint64_t Boundary = 0;  // the second part's first bit
    std::vector<uint8_t> Bytes;
    uint32_t Crc = 0;       // the CRC register after all bytes, from the register given
};

// Searches for the boundary in [searchFromBit, searchToBit). `size` counts
// the bytes the archive holds after the stream as well: the one-core
// decoder may look 16 bits past the stream's end, so a stream that ends
// closer than that to the end of `data` is left to it. maxBytes: the
// entry's size; a stream that holds more is left to the one-core decoder.
template <bool Wide>
TTwoPartOutcome InflateInTwoParts(const uint8_t* data, size_t size, uint64_t searchFromBit, uint64_t searchToBit,
                                  size_t maxBytes, uint32_t crc);

}  // namespace valbrix
