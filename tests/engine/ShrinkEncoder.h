// A test-only encoder for method 1 (LZW with 9- to 13-bit codes), so tests can
// make shrunk streams that real archives do not hold: a table that fills up to
// code 8192, partial clears at chosen moments, 13-bit codes, KwKwK codes. It
// also writes raw codes and controls, so a test can spell a damaged stream.
//
// The code table is kept as a trie (parent code, byte) -> code with its own
// ordered free set, written independently of the decoder. It defines codes at
// the moment the decoder does (when the next code is read), so KwKwK codes
// come out exactly where a decoder must handle them. Partial clears free the
// codes below the lowest free code that none of those codes names as prefix.
// The table is full once code 8191 is defined.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "support/BitWriter.h"
#include "support/TestFiles.h"

namespace valbrix::test {

struct ShrinkOptions {
    size_t ClearEveryCodes = 0;  // emit a partial clear after this many codes (0 = never)
    int ClearWhenFull = -1;      // emit a partial clear once the table has been full for
                                 // this many codes (0 = at once, -1 = never)
};

struct ShrinkStats {
    int MaxCodeSize = 9;
    int PartialClears = 0;
    int KwKwKCodes = 0;     // codes emitted in the same step that defines them
    bool TableFilled = false;
    int LargestCode = 0;
};

class ShrinkEncoder {
public:
    static constexpr int FirstFree = 257;
    static constexpr int LastCode = 8191;  // the largest 13-bit code

    ShrinkEncoder() : FDefined(LastCode + 1, false), FParent(LastCode + 1, 0), FSuffix(LastCode + 1, 0)
    {
        for (int code = FirstFree; code <= LastCode; ++code)
            FFree.insert(code);
    }

    // Compresses data in one go; the encoder is spent afterwards.
    Bytes Encode(const Bytes& data, const ShrinkOptions& options = {})
    {
        size_t pos = 0;
        size_t emitted = 0;
        int previous = -1;
        int codesWhileFull = 0;
        while (pos < data.size()) {
            if (previous >= 0 && FFree.empty() && options.ClearWhenFull >= 0 &&
                codesWhileFull++ == options.ClearWhenFull) {
                PartialClear();
                codesWhileFull = 0;
            }
            int defined = -1;
            if (previous >= 0)
                defined = Define(previous, data[pos]);
            int code = data[pos];
            size_t length = 1;
            for (; pos + length < data.size(); ++length) {
                auto child = FChildren.find(Key(code, data[pos + length]));
                if (child == FChildren.end())
                    break;
                code = child->second;
            }
            if (code == defined)
                ++FStats.KwKwKCodes;
            PutCode(code);
            previous = code;
            pos += length;
            if (options.ClearEveryCodes && ++emitted % options.ClearEveryCodes == 0 && pos < data.size())
                PartialClear();
        }
        return FBits.Data();
    }

    // Writes one code at the current width, widening first when it does not fit.
    void PutCode(int code)
    {
        while (code > int((1u << FCodeSize) - 1))
            Widen();
        FBits.Put(uint32_t(code), unsigned(FCodeSize));
        FStats.LargestCode = std::max(FStats.LargestCode, code);
    }
    // Writes the control 256,1 and widens the codes (also past 13, for bad streams).
    void Widen()
    {
        PutControl(1);
        ++FCodeSize;
        FStats.MaxCodeSize = std::max(FStats.MaxCodeSize, FCodeSize);
    }
    // Writes the control 256,2 and frees the leaf codes as a decoder must.
    void PartialClear()
    {
        PutControl(2);
        ++FStats.PartialClears;
        const int last = std::min(Head() - 1, LastCode);
        std::vector<bool> named(LastCode + 1, false);
        for (int code = FirstFree; code <= last; ++code)
            if (FDefined[code] && FParent[code] >= FirstFree && FParent[code] <= last)
                named[FParent[code]] = true;
        for (int code = FirstFree; code <= last; ++code) {
            if (!FDefined[code] || named[code])
                continue;
            auto entry = FChildren.find(Key(FParent[code], FSuffix[code]));
            if (entry != FChildren.end() && entry->second == code)
                FChildren.erase(entry);
            FDefined[code] = false;
            FFree.insert(code);
        }
    }
    void PutControl(int value)
    {
        FBits.Put(256, unsigned(FCodeSize));
        FBits.Put(uint32_t(value), unsigned(FCodeSize));
    }
    void PutRaw(uint32_t value, unsigned bits) { FBits.Put(value, bits); }

    int CodeSize() const { return FCodeSize; }
    const ShrinkStats& Stats() const { return FStats; }
    const Bytes& Data() const { return FBits.Data(); }

private:
    static uint32_t Key(int parent, uint8_t byte) { return uint32_t(parent) << 8 | byte; }
    int Head() const { return FFree.empty() ? LastCode + 1 : *FFree.begin(); }

    // Defines the lowest free code as parent + byte; returns it, or -1 when full.
    int Define(int parent, uint8_t byte)
    {
        if (FFree.empty())
            return -1;
        const int code = *FFree.begin();
        FFree.erase(FFree.begin());
        FDefined[code] = true;
        FParent[code] = parent;
        FSuffix[code] = byte;
        FChildren[Key(parent, byte)] = code;
        if (FFree.empty())
            FStats.TableFilled = true;
        return code;
    }

    BitWriter FBits;
    int FCodeSize = 9;
    std::vector<bool> FDefined;
    std::vector<int> FParent;
    std::vector<uint8_t> FSuffix;
    std::set<int> FFree;
    std::map<uint32_t, int> FChildren;
    ShrinkStats FStats;
};

}  // namespace valbrix::test
