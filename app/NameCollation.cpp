// The list's name order; see the header.
#include "NameCollation.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <string>

#include <QCollatorSortKey>

namespace valbrix {

namespace {

constexpr char FirstPrintable = 0x20;
constexpr char LastPrintable = 0x7E;
// Characters whose weights pack into one 64-bit prefix: 9 of 7 bits each
// (printable ASCII has 95 characters, so weights stay below 128).
constexpr int PrefixCharacters = 9;
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

uint64_t TNameCollation::WeightPrefix(std::string_view text) const
{
    // 0 stands for "no more characters", so a shorter text sorts first.
    uint64_t prefix = 0;
    for (int i = 0; i < PrefixCharacters; ++i)
        prefix = (prefix << WeightBits) | (size_t(i) < text.size() ? FPrimary[uint8_t(text[size_t(i)])] : 0);
    return prefix;
}

int TNameCollation::Compare(std::string_view a, std::string_view b) const
{
    if (FAsciiWeights && IsWeighted(a) && IsWeighted(b))
        return CompareWeighted(a, b);
    return FCollator.compare(Text(a), Text(b));
}

std::vector<uint32_t> TNameCollation::SortDistinct(const std::vector<std::string_view>& texts) const
{
    std::vector<uint32_t> ranks(texts.size());
    if (FAsciiWeights && std::all_of(texts.begin(), texts.end(), [&](std::string_view t) { return IsWeighted(t); })) {
        // Distinct texts of printable ASCII never compare equal by weight.
        struct TKeyed {
            uint64_t Prefix;
            uint32_t Item;
        };
        std::vector<TKeyed> keyed(texts.size());
        for (uint32_t i = 0; i < texts.size(); ++i)
            keyed[i] = {WeightPrefix(texts[i]), i};
        std::sort(keyed.begin(), keyed.end(), [&](const TKeyed& a, const TKeyed& b) {
            return a.Prefix != b.Prefix ? a.Prefix < b.Prefix : CompareWeighted(texts[a.Item], texts[b.Item]) < 0;
        });
        for (uint32_t i = 0; i < keyed.size(); ++i)
            ranks[keyed[i].Item] = i;
        return ranks;
    }
    // Sort keys once per distinct text; they go when the sort is done.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(texts.size());
    for (std::string_view text : texts)
        keys.push_back(FCollator.sortKey(Text(text)));
    std::vector<uint32_t> order(texts.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const int c = keys[a].compare(keys[b]);
        return c != 0 ? c < 0 : a < b;
    });
    uint32_t rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[order[i - 1]].compare(keys[order[i]]) != 0)
            ++rank;
        ranks[order[i]] = rank;
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
