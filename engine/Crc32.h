// The ZIP format's CRC-32 (reflected polynomial 0xEDB88320) over a byte run,
// as the register update the engine state applies to every flushed window:
// no inversion here. Two ways compute the same value: carry-less
// multiplication folding where the processor has it (chosen once at run
// time), slice-by-8 table lookups elsewhere and for short runs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace valbrix {

// CRC-32 table of the reflected polynomial 0xEDB88320.
extern const uint32_t CrcTable[256];

using TCrc32Function = uint32_t (*)(uint32_t crc, const uint8_t* data, size_t length);

// The register after `data`, by the fastest way this processor offers.
uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t length);
// Slice-by-8: eight table lookups per 8 bytes, any processor.
uint32_t Crc32UpdateSliced(uint32_t crc, const uint8_t* data, size_t length);
// The folding way, or null when this processor cannot run it. Exposed so
// that tests hold both ways against a bitwise control.
TCrc32Function Crc32FoldingFunction();

// The register after `zeroBytes` zero bytes: `crc` times x^(8 * zeroBytes)
// modulo the polynomial, in O(log zeroBytes) steps.
uint32_t Crc32Shift(uint32_t crc, uint64_t zeroBytes);
// The register after A then B, from the register after A (`first`) and the
// register after B alone started from 0 (`second`): the register is linear
// in its start, so B's run may be computed apart from A's.
uint32_t Crc32Combine(uint32_t first, uint32_t second, uint64_t secondLength);

}  // namespace valbrix
