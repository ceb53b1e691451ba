// The order of names in the window's list: the locale's collation,
// case-sensitive, equal names in the order given. A collator call costs a
// microsecond, a sort of a million names millions of them, so the order is
// found in three steps: equal byte strings are merged first (a source tree
// repeats "index.html" or "Makefile" thousands of times, folders repeat for
// every file in them), the distinct strings are sorted, and the items take
// the rank of their string. Names of printable ASCII are compared without
// the collator, by per-character weights that are read off the collator
// itself when the locale is built; a locale whose collation has rules that
// such weights cannot express (letter pairs sorted as one letter, as in
// Czech "ch" or Danish "aa") gets no such weights and every comparison goes
// through the collator's sort keys, kept only while sorting.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include <QCollator>
#include <QLocale>

namespace valbrix {

class TNameCollation {
public:
    explicit TNameCollation(const QLocale& locale);

    // < 0, 0 or > 0 as a sorts before, with or after b (UTF-8 texts).
    int Compare(std::string_view a, std::string_view b) const;
    // True when names of printable ASCII are compared without the collator.
    bool HasAsciiWeights() const { return FAsciiWeights; }

    // For count items whose texts text(i) gives: a rank per item, in the
    // collation's order, equal for texts that collate equal.
    std::vector<uint32_t> Ranks(size_t count, const std::function<std::string_view(uint32_t)>& text) const;
    // The items 0..count-1 in the order of their texts; equal texts keep
    // the order of their items.
    std::vector<uint32_t> Order(size_t count, const std::function<std::string_view(uint32_t)>& text) const;
    // Which of the two ways Ranks takes: for tests that hold one against the other.
    void SetAsciiWeightsUsed(bool used) { FAsciiWeights = FAsciiWeights && used; }

private:
    bool DeriveAsciiWeights();
    bool IsWeighted(std::string_view text) const;
    int CompareWeighted(std::string_view a, std::string_view b) const;
    using TWeightPrefix = std::array<uint64_t, 2>;
    TWeightPrefix WeightPrefix(std::string_view text) const;
    std::vector<uint32_t> SortWeighted(const std::vector<std::string_view>& texts, std::vector<uint32_t> items) const;
    std::vector<uint32_t> SortDistinct(const std::vector<std::string_view>& texts) const;

    QCollator FCollator;
    bool FAsciiWeights = false;
    // Per character of printable ASCII: the weight that decides first (equal
    // for a letter's two cases), and the one that decides between equal
    // first weights (the case). 0 where no weight was derived.
    std::array<uint8_t, 128> FPrimary{};
    std::array<uint8_t, 128> FCase{};
};

}  // namespace valbrix
