// The Huffman table builder, checked against canonical codes assigned the
// textbook way: every code must lead through the tables to its own symbol
// with its own length, unowned patterns must read as invalid, and the
// statuses must separate complete, incomplete and impossible codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "DeflateWriter.h"
#include "engine/DecodeTable.h"
#include "engine/EngineState.h"

using namespace valbrix;

namespace {

struct TCode {
    unsigned Bits;    // the code in reading order: first bit read is bit 0
    unsigned Length;
};

// Canonical codes as the deflate format defines them, bit-reversed for reading.
std::vector<TCode> CanonicalCodes(const std::vector<uint16_t>& lengths)
{
    const std::vector<uint32_t> values = test::CanonicalCodeValues(lengths);
    std::vector<TCode> codes(lengths.size(), TCode{0, 0});
    for (size_t v = 0; v < lengths.size(); ++v) {
        const unsigned k = lengths[v];
        unsigned reversed = 0;
        for (unsigned i = 0; i < k; ++i)
            reversed |= ((values[v] >> (k - 1 - i)) & 1u) << i;
        codes[v] = TCode{reversed, k};
    }
    return codes;
}

// Follows the tables the way the decoders do; returns the final slot and the bits consumed.
struct TWalk {
    DecodeEntry Slot;
    unsigned Consumed;
};
TWalk Walk(DecodeTable table, unsigned width, uint64_t bits)
{
    unsigned consumed = 0;
    DecodeEntry slot = table[bits & MaskBits[width]];
    while (slot.Op > 16 && slot.Op != OpInvalid) {
        EXPECT_LE(slot.Op - 16, 16);
        bits >>= slot.Bits;
        consumed += slot.Bits;
        const unsigned k = slot.Op - 16;
        slot = slot.Sub[bits & MaskBits[k]];
    }
    return TWalk{slot, consumed + slot.Bits};
}

struct TBuilt {
    int Status;
    DecodeTable Table = nullptr;
    unsigned Width;
    ~TBuilt() { FreeDecodeTable(Table); }
};
void Build(TBuilt& built, const std::vector<uint16_t>& lengths, unsigned s, unsigned width,
           const uint16_t* bases = nullptr, const uint16_t* extras = nullptr)
{
    built.Width = width;
    built.Status = BuildDecodeTable(lengths.data(), unsigned(lengths.size()), s, bases, extras, &built.Table,
                                    &built.Width);
}

// Every symbol with a code must decode to itself, consuming exactly its length.
void ExpectEveryCodeDecodes(const std::vector<uint16_t>& lengths, unsigned s, unsigned width)
{
    TBuilt built;
    Build(built, lengths, s, width);
    ASSERT_LE(built.Status, 1);
    const auto codes = CanonicalCodes(lengths);
    for (size_t v = 0; v < lengths.size(); ++v) {
        if (!lengths[v])
            continue;
        // Random bits after the code must not change the result.
        for (uint64_t tail : {uint64_t(0), ~uint64_t(0), uint64_t(0x5A5A5A5A5A5A5A5Au)}) {
            const uint64_t bits = codes[v].Bits | (tail << codes[v].Length);
            const TWalk walk = Walk(built.Table, built.Width, bits);
            ASSERT_EQ(walk.Slot.Base, v) << "symbol " << v;
            ASSERT_EQ(walk.Consumed, codes[v].Length) << "symbol " << v;
            ASSERT_EQ(walk.Slot.Op, v < 256 ? OpLiteral : OpEndOfBlock);
        }
    }
}

// Lengths of a random complete prefix code over n symbols, none longer than maxLength.
std::vector<uint16_t> RandomCompleteLengths(unsigned n, unsigned maxLength, std::mt19937& random)
{
    // Split leaves of a binary tree at random until the symbols are used up.
    std::vector<unsigned> leaves = {0};
    while (leaves.size() < n) {
        const size_t pick = random() % leaves.size();
        if (leaves[pick] >= maxLength)
            continue;
        const unsigned depth = leaves[pick] + 1;
        leaves[pick] = depth;
        leaves.push_back(depth);
    }
    std::shuffle(leaves.begin(), leaves.end(), random);
    return std::vector<uint16_t>(leaves.begin(), leaves.end());
}

}  // namespace

// Catches wrong bit reversal, wrong sub-table prefixes and replication errors
// on many code shapes, narrow and wide first levels, short and long codes.
TEST(DecodeTable, RandomCompleteCodesDecodeEverySymbol)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        const unsigned n = 2 + random() % 300;
        const unsigned maxLength = 2 + random() % 15;
        if ((1u << maxLength) < n)
            continue;
        const auto lengths = RandomCompleteLengths(n, maxLength, random);
        for (unsigned width : {1u, 5u, 7u, 9u, 16u})
            ExpectEveryCodeDecodes(lengths, n, width);
    }
}

// Catches a builder that ignores the EOB cut or mishandles an end-of-block
// code longer than the first level (fixed-code shape and a stretched one).
TEST(DecodeTable, LiteralLengthShapesWithEndOfBlockCode)
{
    std::vector<uint16_t> fixed(288);
    for (unsigned v = 0; v < 288; ++v)
        fixed[v] = v < 144 ? 8 : v < 256 ? 9 : v < 280 ? 7 : 8;
    ExpectEveryCodeDecodes(fixed, 288, 7);

    std::mt19937 random(99);
    for (int round = 0; round < 100; ++round) {
        const auto lengths = RandomCompleteLengths(288, 15, random);
        ExpectEveryCodeDecodes(lengths, 288, 9);
    }
}

// Catches a wrong status or a table handed out where none may be.
TEST(DecodeTable, StatusesForCompleteIncompleteAndImpossibleCodes)
{
    struct TCase {
        const char* What;
        std::vector<uint16_t> Lengths;
        int Status;
        bool HasTable;
    };
    const TCase cases[] = {
        {"complete 2-bit code", {2, 2, 2, 2}, 0, true},
        {"incomplete: one 2-bit pattern unowned", {2, 2, 2}, 1, true},
        {"single 1-bit code counts as complete", {0, 1, 0}, 0, true},
        {"two 1-bit codes", {1, 1}, 0, true},
        {"single 2-bit code is incomplete", {2, 0}, 1, true},
        {"over-subscribed", {1, 1, 1}, 2, false},
        {"over-subscribed at the longest length", {1, 2, 2, 2}, 2, false},
        {"length above 16", {1, 17}, 2, false},
        {"every length zero", {0, 0, 0}, 0, false},
        {"no symbols at all", {}, 0, false},
    };
    for (const TCase& c : cases) {
        TBuilt built;
        Build(built, c.Lengths, 300, 7);
        EXPECT_EQ(built.Status, c.Status) << c.What;
        EXPECT_EQ(built.Table != nullptr, c.HasTable) << c.What;
        if (!c.HasTable) {
            EXPECT_EQ(built.Width, 0u) << c.What;
        }
    }
}

// Catches leftover patterns that read as a real symbol or as an
// uninitialised slot, at the first level and inside sub-tables.
TEST(DecodeTable, LeftoverPatternsDecodeAsInvalid)
{
    {
        TBuilt built;
        Build(built, {0, 1}, 2, 7);  // one 1-bit code: pattern "1" belongs to nobody
        ASSERT_EQ(built.Status, 0);
        EXPECT_EQ(built.Width, 1u);
        EXPECT_EQ(Walk(built.Table, built.Width, 0).Slot.Base, 1u);
        EXPECT_EQ(Walk(built.Table, built.Width, 1).Slot.Op, OpInvalid);
    }
    {
        // Codes 0 (1 bit), 10 (2 bits), 110 ... down to a 12-bit code, rest unowned,
        // with a 4-bit first level so the leftovers land in sub-tables.
        std::vector<uint16_t> lengths;
        for (uint16_t k = 1; k <= 12; ++k)
            lengths.push_back(k);
        TBuilt built;
        Build(built, lengths, 100, 4);
        ASSERT_EQ(built.Status, 1);
        const TWalk walk = Walk(built.Table, built.Width, 0xFFF);  // twelve 1 bits
        EXPECT_EQ(walk.Slot.Op, OpInvalid);
    }
}

// Catches symbols at or above s that lose their base/extra values, and a
// truncation of the extra-bit count to the wrong byte.
TEST(DecodeTable, SymbolsFromSTakeBaseAndExtra)
{
    const uint16_t bases[4] = {3, 4, 11, 0};
    const uint16_t extras[4] = {0, 2, 5, 0x1063};  // last: low byte 99
    TBuilt built;
    Build(built, {2, 2, 3, 3, 2}, 1, 7, bases, extras);  // symbol 0 literal, 1..4 from the tables
    ASSERT_EQ(built.Status, 0);
    const auto codes = CanonicalCodes({2, 2, 3, 3, 2});
    const uint8_t expectOp[5] = {OpLiteral, 0, 2, 5, 99};
    const uint16_t expectBase[5] = {0, 3, 4, 11, 0};
    for (unsigned v = 0; v < 5; ++v) {
        const TWalk walk = Walk(built.Table, built.Width, codes[v].Bits);
        EXPECT_EQ(walk.Slot.Op, expectOp[v]) << v;
        EXPECT_EQ(walk.Slot.Base, expectBase[v]) << v;
    }
}

// Catches a first level that is not clamped to the code's own lengths
// (a too-wide level wastes memory, a too-narrow one breaks one-lookup decoding).
TEST(DecodeTable, FirstLevelWidthIsClampedToCodeLengths)
{
    const struct {
        std::vector<uint16_t> Lengths;
        unsigned Requested, Expected;
    } cases[] = {
        {{3, 3, 3, 3, 3, 3, 3, 3}, 9, 3},
        {{3, 3, 3, 3, 3, 3, 3, 3}, 1, 3},
        {{1, 2, 3, 4, 5, 6, 7, 7}, 5, 5},
    };
    for (const auto& c : cases) {
        TBuilt built;
        Build(built, c.Lengths, 300, c.Requested);
        EXPECT_EQ(built.Width, c.Expected);
    }
}

// Catches unbounded or leaking allocations for the worst lengths a hostile
// stream can send: a code with 16-bit lengths and a huge leftover region.
// (Run under the sanitizer build or valgrind for the leak half.)
TEST(DecodeTable, WorstCaseLengthsBuildAndFree)
{
    std::vector<uint16_t> lengths(320, 0);
    lengths[0] = 1;
    lengths[1] = 16;
    lengths[300] = 16;
    TBuilt built;
    Build(built, lengths, 320, 9);
    EXPECT_EQ(built.Status, 1);
    EXPECT_NE(built.Table, nullptr);
    FreeDecodeTable(nullptr);  // allowed, does nothing
}
