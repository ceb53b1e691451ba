// Constant tables of the deflate format, and the byte-wise decoding mode
// that tests and the fuzz target hold the fast decoder against.
#pragma once

#include <cstdint>

#include "engine/EngineState.h"

namespace valbrix {

// Length symbols 257..287. 286 and 287 exist in the code space but mean
// nothing: their extra-bit count 99 makes the table builder mark them invalid.
inline constexpr uint16_t LengthBase[31] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19,  23, 27, 31,
                                            35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
inline constexpr uint16_t LengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                             3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
// Distance symbols 0..31. A dynamic block may give 30 and 31 code lengths
// (HDIST up to 32); they carry the same invalid marker as 286 and 287, so
// the builder never reads past the 30 meaningful entries.
inline constexpr uint16_t DistanceBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                              49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                              2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 0,     0};
inline constexpr uint16_t DistanceExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                               7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 99, 99};
// Deflate64 (method 9) differs in three symbols. Length symbol 285 takes 16
// extra bits over base 3; its table entry carries base 0 and no extra bits
// (a length no other symbol gives), because a 16 in the extra-bit field of a
// table entry already means something else, and the decoder reads the 16
// bits itself. Distance symbols 30 and 31 reach 64 KB with 14 extra bits.
inline constexpr uint16_t LongLengthMark = 0;
inline constexpr uint16_t LongLengthBase = 3;
inline constexpr unsigned LongLengthExtra = 16;
inline constexpr uint16_t LengthBase64[31] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19,  23, 27, 31,
                                              35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, LongLengthMark, 0,
                                              0};
inline constexpr uint16_t LengthExtra64[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                               3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
inline constexpr uint16_t DistanceBase64[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                                49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                                2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
inline constexpr uint16_t DistanceExtra64[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                                 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// Code-length symbols 16, 17 and 18 repeat a length: the previous one (16)
// or zero, Base plus their extra bits' value times.
struct TLengthRepeat {
    unsigned ExtraBits;
    unsigned Base;
    bool CopiesPrevious;
};
inline constexpr TLengthRepeat LengthRepeat(unsigned symbol)
{
    return symbol == 16 ? TLengthRepeat{2, 3, true} : symbol == 17 ? TLengthRepeat{3, 3, false} : TLengthRepeat{7, 11, false};
}
// The order in which a dynamic block sends the code-length code's lengths.
inline constexpr uint8_t CodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Decodes like Inflate but without the word-wise fast paths: every bit goes
// through FillBits/DropBits and every byte through the window one at a
// time. Inflate must give the same bytes and the same result code on every
// input; the tests and the fuzz target compare the two.
int InflateByteWise(TEngineState& state);
int Inflate64ByteWise(TEngineState& state);

}  // namespace valbrix
