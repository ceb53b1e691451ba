// CRC-32 of the ZIP format. The byte-wise table and its eight slices are
// computed at compile time. On x86 processors with PCLMULQDQ the bulk of a
// run is folded 64 bytes at a time by carry-less multiplication: each
// 128-bit lane is multiplied by x^(512) mod P and added to the lane 64 bytes
// further on, so four independent chains keep the multiplier busy; the
// lanes are then folded into one, to 64 bits, and reduced to the 32-bit
// register by Barrett reduction. The constants below are those powers of x
// reduced modulo the polynomial, in the bit-reflected form the format uses.
// Runs shorter than 64 bytes and the last 0..15 bytes go through slice-by-8.
#include "engine/Crc32.h"

#include <array>

#include "engine/LittleEndian.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VALBRIX_CRC_FOLDING 1
#endif

namespace valbrix {
namespace {

constexpr uint32_t CrcPolynomial = 0xEDB88320u;

constexpr uint32_t CrcEntry(uint32_t index)
{
    uint32_t crc = index;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc >> 1) ^ (CrcPolynomial & (0u - (crc & 1u)));
    return crc;
}

}  // namespace

#define VALBRIX_CRC4(i) CrcEntry(i), CrcEntry(i + 1), CrcEntry(i + 2), CrcEntry(i + 3)
#define VALBRIX_CRC16(i) VALBRIX_CRC4(i), VALBRIX_CRC4(i + 4), VALBRIX_CRC4(i + 8), VALBRIX_CRC4(i + 12)
#define VALBRIX_CRC64(i) VALBRIX_CRC16(i), VALBRIX_CRC16(i + 16), VALBRIX_CRC16(i + 32), VALBRIX_CRC16(i + 48)
constexpr uint32_t CrcTable[256] = {VALBRIX_CRC64(0), VALBRIX_CRC64(64), VALBRIX_CRC64(128), VALBRIX_CRC64(192)};
#undef VALBRIX_CRC64
#undef VALBRIX_CRC16
#undef VALBRIX_CRC4

static_assert(CrcTable[1] == 0x77073096u && CrcTable[255] == 0x2D02EF8Du);

namespace {

// Slice k maps a byte to the CRC contribution of that byte followed by k zero
// bytes, so eight bytes fold into the register with eight independent lookups
// instead of a chain of eight dependent ones. Slice 0 is CrcTable itself.
using CrcSliceTable = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcSliceTable MakeCrcSlices()
{
    CrcSliceTable slices{};
    for (uint32_t i = 0; i < 256; ++i)
        slices[0][i] = CrcTable[i];
    for (size_t k = 1; k < slices.size(); ++k)
        for (uint32_t i = 0; i < 256; ++i)
            slices[k][i] = (slices[k - 1][i] >> 8) ^ CrcTable[slices[k - 1][i] & 0xFFu];
    return slices;
}

alignas(64) constexpr CrcSliceTable CrcSlices = MakeCrcSlices();

#ifdef VALBRIX_CRC_FOLDING

constexpr size_t FoldBlock = 64;  // four 128-bit lanes

// Multiplies the low (selector 0x00) or high (0x11) halves of a lane by the
// matching constant half and adds the two products: one fold step.
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i lane, __m128i constants, __m128i next)
{
    const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// Contract: length >= 64 and a multiple of 16; returns the register after
// all of it.
__attribute__((target("pclmul,sse4.1"))) uint32_t FoldRun(uint32_t crc, const uint8_t* data, size_t length)
{
    // x^(4*128+32) and x^(4*128-32) mod P: one lane over 64 bytes.
    const __m128i overFour = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    // x^(128+32) and x^(128-32) mod P: one lane over 16 bytes.
    const __m128i overOne = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    // x^64 mod P, for the step from 128 to 64 bits.
    const __m128i toSixtyFour = _mm_set_epi64x(0, 0x0163cd6124);
    // The polynomial P and the Barrett constant floor(x^64 / P), reflected.
    const __m128i barrett = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);

    const auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    __m128i x1 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(int(crc)));
    __m128i x2 = load(data + 16);
    __m128i x3 = load(data + 32);
    __m128i x4 = load(data + 48);
    data += FoldBlock;
    length -= FoldBlock;
    for (; length >= FoldBlock; data += FoldBlock, length -= FoldBlock) {
        x1 = Fold(x1, overFour, load(data));
        x2 = Fold(x2, overFour, load(data + 16));
        x3 = Fold(x3, overFour, load(data + 32));
        x4 = Fold(x4, overFour, load(data + 48));
    }
    x1 = Fold(x1, overOne, x2);
    x1 = Fold(x1, overOne, x3);
    x1 = Fold(x1, overOne, x4);
    for (; length >= 16; data += 16, length -= 16)
        x1 = Fold(x1, overOne, load(data));

    // 128 bits to 64: the low half times x^(128-32)... folded onto the high half.
    __m128i x = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, overOne, 0x10));
    x = _mm_xor_si128(_mm_srli_si128(x, 4), _mm_clmulepi64_si128(_mm_and_si128(x, low32), toSixtyFour, 0x00));
    // Barrett reduction to the 32-bit remainder.
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
    return uint32_t(_mm_extract_epi32(_mm_xor_si128(x, t), 1));
}

uint32_t Crc32UpdateFolding(uint32_t crc, const uint8_t* data, size_t length)
{
    if (length >= FoldBlock) {
        const size_t bulk = length & ~size_t(15);
        crc = FoldRun(crc, data, bulk);
        data += bulk;
        length -= bulk;
    }
    return Crc32UpdateSliced(crc, data, length);
}

#endif

TCrc32Function ChooseCrc32()
{
    const TCrc32Function folding = Crc32FoldingFunction();
    return folding ? folding : Crc32UpdateSliced;
}

}  // namespace

uint32_t Crc32UpdateSliced(uint32_t crc, const uint8_t* data, size_t length)
{
    const auto& s = CrcSlices;
    for (; length >= 8; data += 8, length -= 8) {
        const uint32_t low = Le32(data) ^ crc;
        const uint32_t high = Le32(data + 4);
        crc = s[7][low & 0xFF] ^ s[6][(low >> 8) & 0xFF] ^ s[5][(low >> 16) & 0xFF] ^ s[4][low >> 24] ^
              s[3][high & 0xFF] ^ s[2][(high >> 8) & 0xFF] ^ s[1][(high >> 16) & 0xFF] ^ s[0][high >> 24];
    }
    for (; length > 0; ++data, --length)
        crc = CrcTable[(crc ^ *data) & 0xFF] ^ (crc >> 8);
    return crc;
}

TCrc32Function Crc32FoldingFunction()
{
#ifdef VALBRIX_CRC_FOLDING
    if (__builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1"))
        return Crc32UpdateFolding;
#endif
    return nullptr;
}

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t length)
{
    // Chosen once; the processor does not change under a running program.
    static const TCrc32Function chosen = ChooseCrc32();
    return chosen(crc, data, length);
}

}  // namespace valbrix
