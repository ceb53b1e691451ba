// Writes bit streams least-significant bit first, as the ZIP decoders read
// them, so a test can spell a compressed stream field by field:
//   bits.Put(1, 1); // BFINAL
#pragma once

#include <cstdint>

#include "TestFiles.h"

namespace valbrix::test {

class BitWriter {
public:
    // Appends the low `count` bits of value, lowest first.
    void Put(uint32_t value, unsigned count)
    {
        for (unsigned i = 0; i < count; ++i) {
            if (FBitPos == 0)
                FBytes.push_back(0);
            FBytes.back() |= uint8_t(((value >> i) & 1u) << FBitPos);
            FBitPos = (FBitPos + 1) & 7;
        }
    }
    // Appends a Huffman code of `length` bits given most-significant bit first.
    void PutCode(uint32_t code, unsigned length)
    {
        for (unsigned i = length; i-- > 0;)
            Put((code >> i) & 1u, 1);
    }
    void AlignToByte() { FBitPos = 0; }
    void PutByte(uint8_t byte) { AlignToByte(); FBytes.push_back(byte); }
    const Bytes& Data() const { return FBytes; }
    // Bits written so far: where the next field will start.
    uint64_t Position() const { return FBytes.size() * 8 - (FBitPos ? 8 - FBitPos : 0); }

private:
    Bytes FBytes;
    unsigned FBitPos = 0;
};

}  // namespace valbrix::test
