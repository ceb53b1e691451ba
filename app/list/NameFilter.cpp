// The list's filter; see the header.
#include "app/list/NameFilter.h"

#include <algorithm>

#include <QChar>
#include <QList>

namespace valbrix {

namespace {

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// The code point at `at`, and where the next one starts. A byte that starts
// no valid sequence stands for itself, so a damaged name still moves on.
char32_t NextCodePoint(std::string_view text, size_t at, size_t& next)
{
    const auto lead = uint8_t(text[at]);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || at + length > text.size()) {
        next = at + 1;
        return lead;
    }
    char32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto trail = uint8_t(text[at + i]);
        if ((trail & 0xC0) != 0x80) {
            next = at + 1;
            return lead;
        }
        code = (code << 6) | (trail & 0x3F);
    }
    next = at + length;
    return code;
}

char32_t Folded(char32_t code)
{
    return QChar::toCaseFolded(code);
}

}  // namespace

TNameFilter::TNameFilter(const QString& text) : FText(text)
{
    FPattern = text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
    FWholePath = text.contains(QLatin1Char('/'));
    FAscii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (FAscii)
        for (QChar c : text)
            FAsciiLower += AsciiLower(char(c.unicode()));
    for (char32_t code : text.toUcs4())
        FFolded += Folded(code);
}

bool TNameFilter::Matches(std::string_view fullName, std::string_view fileName) const
{
    if (FText.isEmpty())
        return true;
    if (!FPattern)
        return ContainsText(FWholePath ? fullName : fileName);
    if (!FWholePath)
        return FitsPattern(fileName);
    // A pattern with folders may start at any folder of the name, so
    // "docs/*.txt" also finds "project/docs/a.txt".
    for (size_t at = 0; at < fullName.size(); ++at)
        if ((at == 0 || fullName[at - 1] == '/') && FitsPattern(fullName.substr(at)))
            return true;
    return false;
}

bool TNameFilter::ContainsText(std::string_view name) const
{
    if (!FAscii)
        return QString::fromUtf8(name.data(), qsizetype(name.size())).contains(FText, Qt::CaseInsensitive);
    const auto at = std::search(name.begin(), name.end(), FAsciiLower.begin(), FAsciiLower.end(),
                                [](char byte, char text) { return AsciiLower(byte) == text; });
    return at != name.end();
}

// The usual matching with one remembered star: on a mismatch the last '*'
// takes one more character. Linear in practice, quadratic at worst in the
// name's length (259 bytes at most).
bool TNameFilter::FitsPattern(std::string_view name) const
{
    size_t pattern = 0, at = 0;
    size_t starPattern = std::u32string::npos, starAt = 0;
    while (at < name.size()) {
        size_t next = 0;
        const char32_t code = NextCodePoint(name, at, next);
        if (pattern < FFolded.size() && FFolded[pattern] == U'*') {
            starPattern = pattern++;
            starAt = at;
        } else if (pattern < FFolded.size() && (FFolded[pattern] == U'?' || FFolded[pattern] == Folded(code))) {
            ++pattern;
            at = next;
        } else if (starPattern != std::u32string::npos) {
            pattern = starPattern + 1;
            NextCodePoint(name, starAt, starAt);
            at = starAt;
        } else {
            return false;
        }
    }
    while (pattern < FFolded.size() && FFolded[pattern] == U'*')
        ++pattern;
    return pattern == FFolded.size();
}

}  // namespace valbrix
