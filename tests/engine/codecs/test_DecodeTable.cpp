// The Huffman table builder against canonical codes assigned the textbook
// way: every code must lead through the tables to its own symbol and
// length, unowned patterns must read as invalid, and the statuses must tell
// complete, incomplete and impossible codes apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "DeflateWriter.h"
#include "engine/codecs/DecodeTable.h"
#include "engine/codecs/FastDecodeTable.h"
#include "engine/codecs/InflateTables.h"
#include "engine/EngineState.h"

using namespace valbrix;

namespace {

// Follows the tables as the decoders do; returns the final slot and the bits consumed.
std::pair<DecodeEntry, unsigned> Walk(DecodeTable table, unsigned width, uint64_t bits)
{
    unsigned consumed = 0;
    DecodeEntry slot = table[bits & MaskBits[width]];
    while (slot.Op > 16 && slot.Op != OpInvalid) {
        bits >>= slot.Bits;
        consumed += slot.Bits;
        slot = slot.Sub[bits & MaskBits[slot.Op - 16]];
    }
    return {slot, consumed + slot.Bits};
}

struct TBuilt {
    TBuilt(const std::vector<uint16_t>& lengths, unsigned width) : Width(width)
    {
        const unsigned n = unsigned(lengths.size());
        Status = BuildDecodeTable(lengths.data(), n, n, nullptr, nullptr, &Table, &Width);
    }
    ~TBuilt() { FreeDecodeTable(Table); }
    TTableBuild Status;
    DecodeTable Table = nullptr;
    unsigned Width;
};

// Lengths of a random complete prefix code over n symbols, none longer than maxLength.
std::vector<uint16_t> RandomCompleteLengths(unsigned n, unsigned maxLength, std::mt19937& random)
{
    std::vector<uint16_t> leaves = {0};
    while (leaves.size() < n) {
        const size_t pick = random() % leaves.size();
        if (leaves[pick] < maxLength) {
            ++leaves[pick];
            leaves.push_back(leaves[pick]);
        }
    }
    std::shuffle(leaves.begin(), leaves.end(), random);
    return leaves;
}

}  // namespace

// Catches wrong bit reversal, wrong sub-table prefixes, replication errors
// and a mishandled end-of-block cut, over many code shapes and first-level
// widths (explode asks for 7 to 9 bits over codes of up to 16).
TEST(DecodeTable, RandomCompleteCodesDecodeEverySymbol)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        const unsigned n = round % 3 == 0 ? 288 : 2 + random() % 300;
        const unsigned maxLength = 9 + random() % 8;
        const auto lengths = RandomCompleteLengths(n, maxLength, random);
        const auto codes = test::CanonicalCodeValues(lengths);
        for (unsigned width : {1u, 7u, 9u, 16u}) {
            TBuilt built(lengths, width);
            ASSERT_EQ(built.Status, tbComplete);
            for (unsigned v = 0; v < n; ++v) {
                unsigned reversed = 0;
                for (unsigned i = 0; i < lengths[v]; ++i)
                    reversed |= ((codes[v] >> (lengths[v] - 1 - i)) & 1u) << i;
                const uint64_t tail = uint64_t(random()) << lengths[v];  // bits behind the code must not matter
                const auto [slot, consumed] = Walk(built.Table, built.Width, reversed | tail);
                ASSERT_EQ(slot.Base, v);
                ASSERT_EQ(consumed, lengths[v]);
                ASSERT_EQ(slot.Op, v < 256 ? OpLiteral : OpEndOfBlock);
            }
        }
    }
}

// Catches a wrong status, or a table handed out where none may be.
TEST(DecodeTable, StatusesForCompleteIncompleteAndImpossibleCodes)
{
    const struct {
        const char* What;
        std::vector<uint16_t> Lengths;
        TTableBuild Status;
        bool HasTable;
    } cases[] = {
        {"complete", {2, 2, 2, 2}, tbComplete, true},
        {"incomplete: one pattern unowned", {2, 2, 2}, tbIncomplete, true},
        {"one 1-bit code counts as complete", {0, 1, 0}, tbComplete, true},
        {"one 2-bit code is incomplete", {2, 0}, tbIncomplete, true},
        {"over-subscribed", {1, 1, 1}, tbInvalid, false},
        {"over-subscribed at the longest length", {1, 2, 2, 2}, tbInvalid, false},
        {"length above 16", {1, 17}, tbInvalid, false},
        {"every length zero", {0, 0, 0}, tbComplete, false},
    };
    for (const auto& c : cases) {
        TBuilt built(c.Lengths, 7);
        EXPECT_EQ(built.Status, c.Status) << c.What;
        EXPECT_EQ(built.Table != nullptr, c.HasTable) << c.What;
    }
}

// Catches leftover patterns of an incomplete code that read as a real
// symbol or an uninitialised slot, at the first level and in sub-tables.
TEST(DecodeTable, LeftoverPatternsDecodeAsInvalid)
{
    TBuilt lone({0, 1}, 7);  // code "0" only
    EXPECT_EQ(lone.Width, 1u);
    EXPECT_EQ(Walk(lone.Table, lone.Width, 0).first.Base, 1u);
    EXPECT_EQ(Walk(lone.Table, lone.Width, 1).first.Op, OpInvalid);

    // Codes 0, 10, 110, ... up to 12 bits; twelve 1 bits belong to nobody.
    std::vector<uint16_t> chain;
    for (uint16_t k = 1; k <= 12; ++k)
        chain.push_back(k);
    TBuilt deep(chain, 4);
    EXPECT_EQ(deep.Status, tbIncomplete);
    EXPECT_EQ(Walk(deep.Table, deep.Width, 0xFFF).first.Op, OpInvalid);

    // Codes "0" and "1" followed by 14 zeros: nearly every pattern behind a
    // first 1 is unowned, most under prefixes no real code shares.
    TBuilt sparse({1, 15}, 9);
    EXPECT_EQ(sparse.Status, tbIncomplete);
    unsigned wrong = 0;
    for (uint64_t pattern = 0; pattern < (1u << 15); ++pattern) {
        const auto [slot, bits] = Walk(sparse.Table, sparse.Width, pattern);
        if (pattern % 2 == 0)
            wrong += slot.Op != OpLiteral || slot.Base != 0 || bits != 1;
        else if (pattern == 1)
            wrong += slot.Op != OpLiteral || slot.Base != 1 || bits != 15;
        else
            wrong += slot.Op != OpInvalid;
    }
    EXPECT_EQ(wrong, 0u);
}

// A complete literal/length code with codes up to 15 bits long.
std::vector<uint16_t> RandomLiteralLengths()
{
    std::mt19937 random(35);
    return RandomCompleteLengths(286, 15, random);
}

// The compact tables of inflate's fast loop against the multi-level ones, on
// every 15-bit pattern: catches a wrong symbol, value, code length or
// extra-bit count, a wrong sub-table link, and an unowned pattern of an
// incomplete code that reads as something. Literal/length and distance
// shapes, complete and incomplete, and over-subscribed lengths, which must
// give a table that decodes nothing.
TEST(FastDecodeTable, AgreesWithTheMultiLevelTablesOnEveryPattern)
{
    std::mt19937 random(2024);
    std::vector<FastEntry> storage(FastLiteralTableSize);
    for (int round = 0; round < 80; ++round) {
        const bool literalCode = round % 2 == 0;
        const unsigned n = literalCode ? 257 + random() % 32 : 1 + random() % 32;
        // Long enough for n codes: 2^9 > 288, 2^5 = 32.
        auto lengths = RandomCompleteLengths(n, (literalCode ? 9 : 5) + random() % (literalCode ? 7 : 11), random);
        if (round % 4 >= 2)  // incomplete: some symbols dropped
            for (int drop = 0; drop < 3; ++drop)
                lengths[random() % n] = 0;
        if (std::count(lengths.begin(), lengths.end(), 0) == long(n))
            continue;
        const uint16_t* bases = literalCode ? LengthBase : DistanceBase;
        const uint16_t* extras = literalCode ? LengthExtra : DistanceExtra;
        const unsigned s = literalCode ? 257 : 0;
        DecodeTable table = nullptr;
        unsigned width = literalCode ? 9 : 6;
        ASSERT_NE(BuildDecodeTable(lengths.data(), n, s, bases, extras, &table, &width), tbInvalid);
        const FastTable fast = BuildFastTable(lengths.data(), n, s, bases, extras,
                                              literalCode ? FastLiteralRootBits : FastDistanceRootBits,
                                              storage.data());
        SCOPED_TRACE(testing::Message() << "round " << round);
        for (uint64_t pattern = 0; pattern < (1u << 15); ++pattern) {
            const auto [slot, codeBits] = Walk(table, width, pattern);
            FastEntry entry = fast.Entries[pattern & ((1u << fast.RootBits) - 1)];
            unsigned linkBits = 0;
            if (entry & FastLink) {
                linkBits = FastDropBits(entry);
                entry = fast.Entries[FastValue(entry) + ((pattern >> linkBits) & ((1u << FastCodeBits(entry)) - 1))];
            }
            if (slot.Op == OpInvalid) {
                ASSERT_TRUE(entry & FastInvalid);
                continue;
            }
            const unsigned fastCodeBits =
                linkBits + ((entry & FastLiteral) ? FastDropBits(entry) : FastCodeBits(entry));
            ASSERT_EQ(fastCodeBits, codeBits);
            if (slot.Op == OpLiteral) {
                ASSERT_TRUE(entry & FastLiteral);
                ASSERT_EQ(FastValue(entry), slot.Base);
            } else if (slot.Op == OpEndOfBlock) {
                ASSERT_TRUE(entry & FastEndOfBlock);
            } else {
                ASSERT_EQ(entry & (FastLiteral | FastEndOfBlock | FastInvalid | FastLink), 0u);
                ASSERT_EQ(FastValue(entry), slot.Base);
                ASSERT_EQ(FastDropBits(entry) - FastCodeBits(entry), slot.Op);  // the extra bits
            }
        }
        FreeDecodeTable(table);
    }
    const std::vector<uint16_t> overSubscribed = {1, 1, 1};
    const FastTable none = BuildFastTable(overSubscribed.data(), 3, 0, DistanceBase, DistanceExtra, 8, storage.data());
    EXPECT_EQ(none.RootBits, 0u);
    EXPECT_TRUE(none.Entries[0] & FastInvalid);
}

// Inflate's fast loop indexes a first level with its full width's constant
// mask, whatever RootBits says: every slot of the level must be written, and
// a pattern must read the same entry as its low RootBits bits do.
TEST(FastDecodeTable, FirstLevelAnswersItsFullWidth)
{
    std::vector<uint16_t> fixedLiterals(288, 8);
    std::fill(fixedLiterals.begin() + 144, fixedLiterals.begin() + 256, 9);
    std::fill(fixedLiterals.begin() + 256, fixedLiterals.begin() + 280, 7);
    struct TRow {
        const char* Fault;
        std::vector<uint16_t> Lengths;
        bool Literals;
    };
    const TRow rows[] = {
        {"codes shorter than the level not repeated over its upper slots", fixedLiterals, true},
        {"fixed distances (5 bits of 8) leave slots above 32 unwritten", std::vector<uint16_t>(30, 5), false},
        {"an incomplete code's unowned slots left unwritten above RootBits", {1, 0, 0, 0}, false},
        {"a block without distance codes fills only slot 0", {0, 0, 0}, false},
        {"over-subscribed lengths fill only slot 0", {1, 1, 1}, false},
        {"a literal code with sub-tables: the level is RootBits wide", RandomLiteralLengths(), true},
    };
    constexpr FastEntry Unwritten = 0xFFFFFFFFu;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Fault);
        std::vector<FastEntry> storage(FastLiteralTableSize, Unwritten);
        const unsigned levelBits = row.Literals ? FastLiteralRootBits : FastDistanceRootBits;
        const FastTable table = BuildFastTable(row.Lengths.data(), unsigned(row.Lengths.size()), row.Literals ? 257 : 0,
                                               row.Literals ? LengthBase : DistanceBase,
                                               row.Literals ? LengthExtra : DistanceExtra, levelBits, storage.data());
        ASSERT_LE(table.RootBits, levelBits);
        for (unsigned pattern = 0; pattern < (1u << levelBits); ++pattern) {
            ASSERT_NE(table.Entries[pattern], Unwritten) << "slot " << pattern;
            ASSERT_EQ(table.Entries[pattern], table.Entries[pattern & ((1u << table.RootBits) - 1)])
                << "slot " << pattern;
        }
    }
}
