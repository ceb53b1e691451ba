// The list's filter: does an entry match the typed text, case ignored
// (umlauts too). Plain text is looked for anywhere in the file name; '*'
// and '?' make it a pattern the whole name must fit, as file managers read
// it; a '/' in the text makes the folders part of what is matched, so
// "docs/" finds the files below any folder "docs". Runs once per row on
// every keystroke, over the names' UTF-8 bytes as the entry table holds
// them, so it must not build a string per row.
#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace valbrix {

class TNameFilter {
public:
    TNameFilter() = default;
    explicit TNameFilter(const QString& text);

    bool IsEmpty() const { return FText.isEmpty(); }
    const QString& Text() const { return FText; }
    // `fullName` is the entry's name with its folders, `fileName` its last part.
    bool Matches(std::string_view fullName, std::string_view fileName) const;

private:
    bool ContainsText(std::string_view name) const;
    bool FitsPattern(std::string_view name) const;

    QString FText;
    bool FPattern = false;    // holds '*' or '?'
    bool FWholePath = false;  // holds '/'
    // A text of ASCII only is matched byte by byte: an ASCII letter in UTF-8
    // is one byte that no multi-byte character contains.
    bool FAscii = false;
    std::string FAsciiLower;
    std::u32string FFolded;   // the pattern, case-folded code points
};

}  // namespace valbrix
