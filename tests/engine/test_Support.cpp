// Guards the test helpers themselves: a wrong reference CRC or bit order
// would make every decoder test meaningless.
#include <gtest/gtest.h>

#include "support/BitWriter.h"
#include "support/TestFiles.h"

using namespace valbrix::test;

TEST(TestSupport, ReferenceCrcMatchesKnownCheckValue)
{
    const std::string text = "123456789";
    EXPECT_EQ(ReferenceCrc32(Bytes(text.begin(), text.end())), 0xCBF43926u);
}

TEST(TestSupport, BitWriterPutsLowBitsFirstAndCodesHighBitFirst)
{
    BitWriter bits;
    bits.Put(1, 1);      // lowest bit of the first byte
    bits.Put(2, 2);      // bits 1..2 = 0,1
    bits.PutCode(0b110, 3); // bits 3..5 = 1,1,0
    EXPECT_EQ(bits.Data(), Bytes({0b00011101}));
}
