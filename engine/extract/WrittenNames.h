// A set of names that may answer "perhaps" for a name it never took but
// never "no" for one it took: a fixed bit array, three bits per name. The
// job asks it whether an earlier entry of the run may have written a name,
// and does the (then needed) look at the disk on "perhaps".
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace valbrix {

class TWrittenNameSet {
public:
    void Add(std::string_view name)
    {
        if (FBits.empty())
            FBits.assign(Words, 0);
        ForEachBit(name, [this](uint64_t bit) { FBits[bit / 64] |= uint64_t(1) << (bit % 64); });
    }
    bool MayContain(std::string_view name) const
    {
        if (FBits.empty())
            return false;
        bool all = true;
        ForEachBit(name, [&](uint64_t bit) { all = all && (FBits[bit / 64] >> (bit % 64) & 1); });
        return all;
    }

private:
    // 2^20 bits, 128 KB: below one "perhaps" in a hundred for 100,000 names;
    // beyond that the answers grow vaguer, never wrong.
    static constexpr uint64_t BitCount = uint64_t(1) << 20;
    static constexpr size_t Words = BitCount / 64;

    template <typename F>
    static void ForEachBit(std::string_view name, F&& f)
    {
        const uint64_t hash = std::hash<std::string_view>{}(name);
        const uint64_t step = (hash >> 32 | hash << 32) | 1;
        for (uint64_t i = 0; i < 3; ++i)
            f((hash + i * step) % BitCount);
    }

    std::vector<uint64_t> FBits;
};

}  // namespace valbrix
