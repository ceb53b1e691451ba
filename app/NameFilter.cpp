// The list's filter; see the header.
#include "NameFilter.h"

#include <algorithm>

namespace valbrix {

namespace {

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

TNameFilter::TNameFilter(const QString& text) : FText(text)
{
    FAscii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (FAscii)
        for (QChar c : text)
            FAsciiLower += AsciiLower(char(c.unicode()));
}

bool TNameFilter::Matches(std::string_view utf8Name) const
{
    if (FText.isEmpty())
        return true;
    if (!FAscii)
        return QString::fromUtf8(utf8Name.data(), qsizetype(utf8Name.size())).contains(FText, Qt::CaseInsensitive);
    const auto at = std::search(utf8Name.begin(), utf8Name.end(), FAsciiLower.begin(), FAsciiLower.end(),
                                [](char name, char text) { return AsciiLower(name) == text; });
    return at != utf8Name.end();
}

}  // namespace valbrix
