// Entry selections; see the header.
#include "engine/extract/EntrySelection.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "engine/SizeSum.h"
#include "engine/extract/TargetPath.h"

namespace valbrix {

namespace {

// A '[...]' set at `pattern[at]` (just past '['): whether `byte` is in it,
// and where the set ends. A set without its ']' is no set: '[' stands for itself.
bool MatchesSet(std::string_view pattern, size_t& at, unsigned char byte, bool& isSet)
{
    size_t i = at;
    const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated)
        ++i;
    bool found = false;
    for (bool first = true; i < pattern.size() && (first || pattern[i] != ']'); first = false) {
        unsigned char low = static_cast<unsigned char>(pattern[i]);
        if (low == '\\' && i + 1 < pattern.size())
            low = static_cast<unsigned char>(pattern[++i]);
        unsigned char high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            high = static_cast<unsigned char>(pattern[i + 2]);
            i += 2;
        }
        found = found || (byte >= low && byte <= high);
        ++i;
    }
    isSet = i < pattern.size();
    if (isSet)
        at = i + 1;
    return isSet && found != negated;
}

bool HasWildcard(std::string_view text)
{
    return text.find_first_of("*?[") != std::string_view::npos;
}

std::string_view WithoutTrailingSlashes(std::string_view name)
{
    while (name.size() > 1 && name.back() == '/')
        name.remove_suffix(1);
    return name;
}

}  // namespace

// Iterative, with one point to return to after the last '*': linear in
// practice and never exponential, whatever a hostile pattern holds.
bool MatchesWildcard(std::string_view pattern, std::string_view name)
{
    size_t p = 0, n = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        if (p < pattern.size()) {
            const unsigned char byte = static_cast<unsigned char>(name[n]);
            size_t next = p + 1;
            bool matched = false;
            if (pattern[p] == '?')
                matched = true;
            else if (pattern[p] == '[') {
                bool isSet = false;
                matched = MatchesSet(pattern, next, byte, isSet);
                if (!isSet)
                    matched = byte == '[';
            } else if (pattern[p] == '\\' && p + 1 < pattern.size()) {
                matched = static_cast<unsigned char>(pattern[p + 1]) == byte;
                next = p + 2;
            } else
                matched = static_cast<unsigned char>(pattern[p]) == byte;
            if (matched) {
                p = next;
                ++n;
                continue;
            }
        }
        if (starP == std::string_view::npos)
            return false;
        p = starP;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// Names and patterns, each told whether it selected something. Plain names
// are looked up by hash (the entry's own name and each folder above it), so
// a long list of names costs no more per entry than a short one.
class TArchiveSelection::TNameMatcher {
public:
    explicit TNameMatcher(const std::vector<std::string>& names)
    {
        for (size_t i = 0; i < names.size(); ++i) {
            FPlain[std::string(WithoutTrailingSlashes(names[i]))].push_back(i);
            if (HasWildcard(names[i]))
                FPatterns.emplace_back(i, names[i]);
        }
    }
    // Marks in `found` (when given) every name that selects the entry.
    bool Matches(const std::string& entryName, std::vector<bool>* found) const
    {
        bool any = false;
        auto note = [&](size_t index) {
            any = true;
            if (found)
                (*found)[index] = true;
        };
        const std::string_view whole = WithoutTrailingSlashes(entryName);
        for (size_t slash = whole.find('/'); !any || found; slash = whole.find('/', slash + 1)) {
            const auto hit = FPlain.find(std::string(whole.substr(0, slash)));
            if (hit != FPlain.end())
                for (size_t index : hit->second)
                    note(index);
            if (slash == std::string_view::npos)
                break;
        }
        for (const auto& [index, pattern] : FPatterns)
            if ((found || !any) && MatchesWildcard(pattern, entryName))
                note(index);
        return any;
    }
    bool Empty() const { return FPlain.empty(); }

private:
    std::unordered_map<std::string, std::vector<size_t>> FPlain;
    std::vector<std::pair<size_t, std::string>> FPatterns;  // index of the name asked for, the pattern
};

TArchiveSelection::TArchiveSelection(const TZipArchive& archive, const std::vector<std::string>& names)
    : TArchiveSelection(archive, TNameFilter{names, {}})
{
}

TArchiveSelection::TArchiveSelection(const TZipArchive& archive, const TNameFilter& filter, TClashCheck clashes)
    : FNames(filter.Names), FFound(filter.Names.size(), false), FCursor(archive)
{
    FIncluded = std::make_unique<TNameMatcher>(FNames);
    FExcluded = std::make_unique<TNameMatcher>(filter.Excluded);
    // Each file's target as a hash with its archive position, 16 bytes an
    // entry instead of a set of names (100 bytes and more an entry, most of
    // the run's memory with many tiny files); names are compared only where
    // hashes meet.
    std::vector<std::pair<uint64_t, uint64_t>> targets;
    uint64_t index = 0;
    // One walk ahead of the extraction for the totals and clashes; the entries themselves are not kept.
    archive.ForEachEntry([&](const TZipEntry& entry) {
        const uint64_t position = index++;
        if (!Selected(entry, true))
            return true;
        ++FCount;
        FTotalBytes = AddSizeSaturated(FTotalBytes, entry.UncompressedSize);
        if (clashes != ccNone && !IsFolderName(entry.FileName)) {
            const std::optional<std::string> target = ContainedName(entry.FileName, clashes == ccFlat);
            if (target && !target->empty())
                targets.emplace_back(std::hash<std::string>{}(*target), position);
        }
        return true;
    });
    FindClashes(archive, targets, clashes);
}

// The entries whose target an earlier entry of the run already has. Only
// when hashes meet is the archive walked again, comparing the names of
// just those entries; the counts are taken anew in that walk.
void TArchiveSelection::FindClashes(const TZipArchive& archive, std::vector<std::pair<uint64_t, uint64_t>>& targets,
                                    TClashCheck clashes)
{
    std::sort(targets.begin(), targets.end());
    std::vector<uint64_t> candidates;
    for (size_t i = 0; i < targets.size(); ++i)
        if ((i > 0 && targets[i].first == targets[i - 1].first) ||
            (i + 1 < targets.size() && targets[i].first == targets[i + 1].first))
            candidates.push_back(targets[i].second);
    if (candidates.empty())
        return;
    std::sort(candidates.begin(), candidates.end());
    std::unordered_set<std::string> seen;
    FCount = 0;
    FTotalBytes = 0;
    uint64_t index = 0;
    size_t next = 0;
    archive.ForEachEntry([&](const TZipEntry& entry) {
        const uint64_t position = index++;
        if (!Selected(entry, false))
            return true;
        if (next < candidates.size() && candidates[next] == position) {
            ++next;
            const std::optional<std::string> target = ContainedName(entry.FileName, clashes == ccFlat);
            if (!seen.insert(*target).second) {
                FClashIndex.push_back(position);
                FClashes.push_back({entry.FileName, *target});
                return true;
            }
        }
        ++FCount;
        FTotalBytes = AddSizeSaturated(FTotalBytes, entry.UncompressedSize);
        return true;
    });
}

TArchiveSelection::~TArchiveSelection() = default;

bool TArchiveSelection::Selected(const TZipEntry& entry, bool noteFound)
{
    if (!FIncluded->Empty() && !FIncluded->Matches(entry.FileName, noteFound ? &FFound : nullptr))
        return false;
    return FExcluded->Empty() || !FExcluded->Matches(entry.FileName, nullptr);
}

const TZipEntry* TArchiveSelection::Next()
{
    while (const TZipEntry* entry = FCursor.Next()) {
        const uint64_t position = FNextIndex++;
        if (FNextClash < FClashIndex.size() && FClashIndex[FNextClash] == position) {
            ++FNextClash;
            continue;
        }
        if (Selected(*entry, false))
            return entry;
    }
    return nullptr;
}

std::vector<std::string> TArchiveSelection::NamesNotFound() const
{
    std::vector<std::string> missing;
    for (size_t i = 0; i < FNames.size(); ++i)
        if (!FFound[i])
            missing.push_back(FNames[i]);
    return missing;
}

TListSelection::TListSelection(const std::vector<TZipEntry>& entries) : FEntries(entries)
{
    for (const TZipEntry& entry : entries)
        FTotalBytes = AddSizeSaturated(FTotalBytes, entry.UncompressedSize);
    FScattered = !std::is_sorted(entries.begin(), entries.end(), [](const TZipEntry& a, const TZipEntry& b) {
        return a.LocalHeaderOffset < b.LocalHeaderOffset;
    });
}

const TZipEntry* TListSelection::Next()
{
    return FNext < FEntries.size() ? &FEntries[FNext++] : nullptr;
}

TTableSelection::TTableSelection(const TTableEntries& entries) : FEntries(entries)
{
    for (uint32_t index : entries.Indices)
        FTotalBytes = AddSizeSaturated(FTotalBytes, entries.Table->Record(index).UncompressedSize);
    // The table holds the entries in the archive's order.
    FScattered = !std::is_sorted(entries.Indices.begin(), entries.Indices.end());
}

const TZipEntry* TTableSelection::Next()
{
    if (FNext >= FEntries.size())
        return nullptr;
    FCurrent = FEntries[FNext++];
    return &FCurrent;
}

}  // namespace valbrix
