// Tests of the bound every decoder's output keeps: a stream that would
// produce more than the entry's stated size stops there, writes nothing
// past it and fails as bad data, for the stored copy and each method of
// the older archivers (the newer methods have their own size bombs beside
// their decoders). Each test names the fault it would catch.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DeflateWriter.h"
#include "ImplodeEncoder.h"
#include "ReduceEncoder.h"
#include "ShrinkEncoder.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipFormat.h"
#include "engine/codecs/Methods.h"
#include "support/MemoryStreams.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

constexpr unsigned RunLength = 257;  // a match length every one of these formats can send
constexpr unsigned Matches = 400;
constexpr uint32_t BombBytes = 1 + Matches * RunLength;  // one literal, then matches at distance 1

struct TBomb {
    const char* Name;
    uint16_t Method;
    std::function<Bytes()> Stream;  // decodes to BombBytes bytes of 'a'
};

Bytes DeflateBomb()
{
    DeflateWriter w;
    w.BlockHeader(true, 1);  // final, fixed codes
    w.Fixed('a');
    for (unsigned i = 0; i < Matches; ++i)
        w.FixedMatch(RunLength, 1);  // symbol 284: the same in Deflate64
    w.Fixed(256);                    // end of block
    return w.Bits.Data();
}

const std::vector<TBomb>& Bombs()
{
    static const std::vector<TBomb> bombs = {
        {"stored", zmStored, [] { return Bytes(BombBytes, 'a'); }},
        {"shrunk", zmShrunk, [] { return ShrinkEncoder().Encode(Bytes(BombBytes, 'a')); }},
        {"reduced", zmReduced1,
         [] {
             ReduceEncoder encoder(1);
             encoder.Literal('a');
             for (unsigned i = 0; i < Matches; ++i)
                 encoder.Match(1, RunLength);
             return encoder.Finish();
         }},
        {"imploded", zmImploded,
         [] {
             std::vector<ImplodeToken> tokens = {ImplodeToken::Literal('a')};
             tokens.insert(tokens.end(), Matches, ImplodeToken::Match(RunLength, 1));
             return ImplodeEncoder(false, false).Encode(tokens);
         }},
        {"deflated", zmDeflated, DeflateBomb},
        {"Deflate64", 9, DeflateBomb},
    };
    return bombs;
}

}  // namespace

// A decoder that writes on past the stated size (a deflate bomb used to
// write until the CRC failed), a bound that is off by one, a stream cut at
// the size reported as success, or a final match that runs over the size
// and is written whole: every row decodes in full at its true size, and at
// a size one short or far short fails as bad data with nothing past the
// size written. Reduce and Implode have no end code and stop at the size;
// both sizes below fall inside one of their matches.
TEST(OutputBound, NoMethodWritesPastTheStatedSize)
{
    for (const TBomb& bomb : Bombs()) {
        SCOPED_TRACE(bomb.Name);
        const Bytes stream = bomb.Stream();
        if (bomb.Method != zmStored) {
            ASSERT_LT(stream.size(), BombBytes / 20);  // a bomb indeed
        }
        for (const uint32_t stated : {BombBytes, BombBytes - 1, uint32_t(1000)}) {
            DecoderRun run(stream, stated, bomb.Method == zmImploded ? ImplodeEncoder(false, false).Flags() : 0);
            const int result = RunDecoder(run.State, bomb.Method);
            EXPECT_LE(run.Sink.FData.size(), stated) << "stated " << stated;
            if (stated == BombBytes) {
                EXPECT_EQ(result, erOk);
                EXPECT_TRUE(run.Sink.FData == Bytes(BombBytes, 'a'));
            } else {
                EXPECT_EQ(result, erFormat) << "stated " << stated;
            }
        }
    }
}
