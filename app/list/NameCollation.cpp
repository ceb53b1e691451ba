// The list's name order; see the header.
#include "app/list/NameCollation.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <random>
#include <string>

#include <QCollatorSortKey>

namespace valbrix {

namespace {

constexpr char FirstPrintable = 0x20;
constexpr char LastPrintable = 0x7E;
// Characters whose weights pack into one 64-bit word: 9 of 7 bits each
// (printable ASCII has 95 characters, so weights stay below 128). Two words
// hold the whole of most file names ("setup_123456.txt").
constexpr int WordCharacters = 9;
constexpr int WeightBits = 7;
// Random probe strings that hold the derived weights against the collator.
constexpr int RandomProbes = 400;

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QLocale CollationLocale(const QLocale& locale)
{
    // The "C" locale collates by code point, which would put every capital
    // before every small letter and umlauts after 'z'; take a real collation then.
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

std::vector<std::string> ProbeStrings()
{
    std::vector<std::string> probes;
    // Every pair of letters: a pair the locale sorts as one letter moves
    // away from where single-letter weights would put it.
    const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (char first : letters)
        for (char second : letters)
            probes.push_back({first, second});
    std::minstd_rand random(20261207);
    std::uniform_int_distribution<int> length(1, 6), character(FirstPrintable, LastPrintable);
    for (int i = 0; i < RandomProbes; ++i) {
        std::string probe(size_t(length(random)), ' ');
        for (char& c : probe)
            c = char(character(random));
        probes.push_back(probe);
    }
    std::sort(probes.begin(), probes.end());
    probes.erase(std::unique(probes.begin(), probes.end()), probes.end());
    return probes;
}

}  // namespace

TNameCollation::TNameCollation(const QLocale& locale) : FCollator(CollationLocale(locale))
{
    FCollator.setCaseSensitivity(Qt::CaseSensitive);
    FAsciiWeights = DeriveAsciiWeights();
    if (!FAsciiWeights) {
        FPrimary.fill(0);
        FCase.fill(0);
    }
}

bool TNameCollation::DeriveAsciiWeights()
{
    std::vector<char> characters;
    for (char c = FirstPrintable; c <= LastPrintable; ++c)
        characters.push_back(c);
    const QString base = QStringLiteral("a");
    for (char c : characters)
        if (FCollator.compare(base + QLatin1Char(c), base) == 0)
            return false;  // ignored by the collation: no weight stands for that

    // Case-blind order gives the first weight: a letter's two cases share it.
    QCollator blind(FCollator.locale());
    blind.setCaseSensitivity(Qt::CaseInsensitive);
    const auto single = [](char c) { return QString(QLatin1Char(c)); };
    std::stable_sort(characters.begin(), characters.end(),
                     [&](char a, char b) { return blind.compare(single(a), single(b)) < 0; });
    uint8_t weight = 0;
    for (size_t i = 0; i < characters.size(); ++i) {
        if (i == 0 || blind.compare(single(characters[i - 1]), single(characters[i])) != 0)
            ++weight;
        FPrimary[size_t(characters[i])] = weight;
    }
    // Only a letter's two cases may share a first weight; anything else
    // (two letters told apart by accent-like rules) cannot be told by case alone.
    for (size_t i = 0; i + 1 < characters.size(); ++i) {
        const char a = characters[i], b = characters[i + 1];
        if (FPrimary[size_t(a)] != FPrimary[size_t(b)])
            continue;
        const bool casePair = a != b && (a | 0x20) == (b | 0x20) && (a | 0x20) >= 'a' && (a | 0x20) <= 'z';
        const bool threeShare = i + 2 < characters.size() && FPrimary[size_t(characters[i + 2])] == FPrimary[size_t(a)];
        const int order = FCollator.compare(single(a), single(b));
        if (!casePair || threeShare || order == 0)
            return false;
        FCase[size_t(order < 0 ? b : a)] = 1;
    }

    // The weights must give exactly the collator's order on the probes.
    std::vector<std::string> probes = ProbeStrings();
    std::sort(probes.begin(), probes.end(),
              [&](const std::string& a, const std::string& b) { return CompareWeighted(a, b) < 0; });
    for (size_t i = 0; i + 1 < probes.size(); ++i)
        if (CompareWeighted(probes[i], probes[i + 1]) >= 0 ||
            FCollator.compare(Text(probes[i]), Text(probes[i + 1])) >= 0)
            return false;
    return true;
}

bool TNameCollation::IsWeighted(std::string_view text) const
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= FirstPrintable && c <= LastPrintable; });
}

int TNameCollation::CompareWeighted(std::string_view a, std::string_view b) const
{
    // All first weights before any case weight, as the collator compares levels.
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const int difference = int(FPrimary[uint8_t(a[i])]) - int(FPrimary[uint8_t(b[i])]);
        if (difference != 0)
            return difference;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < common; ++i) {
        const int difference = int(FCase[uint8_t(a[i])]) - int(FCase[uint8_t(b[i])]);
        if (difference != 0)
            return difference;
    }
    return 0;
}

TNameCollation::TWeightPrefix TNameCollation::WeightPrefix(std::string_view text) const
{
    // 0 stands for "no more characters", so a shorter text sorts first.
    TWeightPrefix prefix{};
    for (size_t word = 0; word < prefix.size(); ++word)
        for (size_t i = word * WordCharacters; i < (word + 1) * WordCharacters; ++i)
            prefix[word] = (prefix[word] << WeightBits) | (i < text.size() ? FPrimary[uint8_t(text[i])] : 0);
    return prefix;
}

int TNameCollation::Compare(std::string_view a, std::string_view b) const
{
    if (FAsciiWeights && IsWeighted(a) && IsWeighted(b))
        return CompareWeighted(a, b);
    return FCollator.compare(Text(a), Text(b));
}

std::vector<uint32_t> TNameCollation::SortWeighted(const std::vector<std::string_view>& texts,
                                                  std::vector<uint32_t> items) const
{
    // The weight prefix settles most comparisons in one integer compare.
    std::vector<TWeightPrefix> prefixes(texts.size());
    for (uint32_t item : items)
        prefixes[item] = WeightPrefix(texts[item]);
    std::sort(items.begin(), items.end(), [&](uint32_t a, uint32_t b) {
        return prefixes[a] != prefixes[b] ? prefixes[a] < prefixes[b] : CompareWeighted(texts[a], texts[b]) < 0;
    });
    return items;
}

std::vector<uint32_t> TNameCollation::SortDistinct(const std::vector<std::string_view>& texts) const
{
    // Names of printable ASCII are sorted by weight; the others (umlauts,
    // other scripts) by the collator's sort keys, and then merged in by the
    // same keys. The weights give the collator's order, so the merge sees
    // one consistent order; keys of weighted names are made only where the
    // merge looks, a few per merged name.
    std::vector<uint32_t> weighted, others;
    std::vector<bool> isWeighted(texts.size());
    for (uint32_t i = 0; i < texts.size(); ++i) {
        isWeighted[i] = FAsciiWeights && IsWeighted(texts[i]);
        (isWeighted[i] ? weighted : others).push_back(i);
    }
    weighted = SortWeighted(texts, std::move(weighted));
    std::vector<uint32_t> ranks(texts.size());
    if (others.empty()) {
        // Distinct names of printable ASCII never collate equal: no keys at all.
        for (uint32_t i = 0; i < weighted.size(); ++i)
            ranks[weighted[i]] = i;
        return ranks;
    }

    std::vector<std::optional<QCollatorSortKey>> keys(texts.size());
    const auto key = [&](uint32_t item) -> const QCollatorSortKey& {
        if (!keys[item])
            keys[item] = FCollator.sortKey(Text(texts[item]));
        return *keys[item];
    };
    for (uint32_t item : others)
        key(item);
    std::sort(others.begin(), others.end(), [&](uint32_t a, uint32_t b) { return key(a).compare(key(b)) < 0; });

    // Runs of merged names often fall between the same two weighted names
    // (all "Ü…" names of a folder after its "s…" names), so each search
    // gallops from where the last one ended.
    std::vector<uint32_t> merged;
    merged.reserve(texts.size());
    size_t next = 0;
    for (uint32_t other : others) {
        const auto before = [&](size_t position) { return key(weighted[position]).compare(key(other)) < 0; };
        size_t bound = 1;
        while (next + bound <= weighted.size() && before(next + bound - 1))
            bound *= 2;
        size_t low = next + bound / 2, high = std::min(next + bound - 1, weighted.size());
        while (low < high) {
            const size_t middle = low + (high - low) / 2;
            if (before(middle))
                low = middle + 1;
            else
                high = middle;
        }
        merged.insert(merged.end(), weighted.begin() + ptrdiff_t(next), weighted.begin() + ptrdiff_t(low));
        merged.push_back(other);
        next = low;
    }
    merged.insert(merged.end(), weighted.begin() + ptrdiff_t(next), weighted.end());

    // Distinct names of printable ASCII never collate equal; any pair with
    // another name may (ignorable characters), and then shares its rank.
    uint32_t rank = 0;
    for (size_t i = 0; i < merged.size(); ++i) {
        if (i > 0) {
            const uint32_t a = merged[i - 1], b = merged[i];
            if ((isWeighted[a] && isWeighted[b]) || key(a).compare(key(b)) != 0)
                ++rank;
        }
        ranks[merged[i]] = rank;
    }
    return ranks;
}

std::vector<uint32_t> TNameCollation::Ranks(size_t count,
                                            const std::function<std::string_view(uint32_t)>& text) const
{
    // Equal byte strings first become one distinct text (open addressing,
    // at most half full); each item keeps the number of its text.
    std::vector<uint32_t> ranks(count);
    std::vector<std::string_view> distinct;
    {
        size_t capacity = 16;
        while (capacity < count * 2)
            capacity <<= 1;
        std::vector<uint32_t> buckets(capacity, 0);  // number of the distinct text + 1; 0: free
        const std::hash<std::string_view> hash;
        for (uint32_t i = 0; i < count; ++i) {
            const std::string_view t = text(i);
            size_t slot = hash(t) & (capacity - 1);
            while (buckets[slot] != 0 && distinct[buckets[slot] - 1] != t)
                slot = (slot + 1) & (capacity - 1);
            if (buckets[slot] == 0) {
                distinct.push_back(t);
                buckets[slot] = uint32_t(distinct.size());
            }
            ranks[i] = buckets[slot] - 1;
        }
    }
    const std::vector<uint32_t> distinctRanks = SortDistinct(distinct);
    for (uint32_t& rank : ranks)
        rank = distinctRanks[rank];
    return ranks;
}

std::vector<uint32_t> TNameCollation::Order(size_t count,
                                            const std::function<std::string_view(uint32_t)>& text) const
{
    // Counting sort by rank: linear, and items of one rank keep their order.
    const std::vector<uint32_t> ranks = Ranks(count, text);
    std::vector<uint32_t> start(count + 1, 0);
    for (uint32_t rank : ranks)
        ++start[rank + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<uint32_t> order(count);
    for (uint32_t i = 0; i < count; ++i)
        order[start[ranks[i]]++] = i;
    return order;
}

}  // namespace valbrix
