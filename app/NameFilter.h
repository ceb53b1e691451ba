// The list's filter: does an entry's file name contain the typed text, case
// ignored. Runs once per row on every keystroke, over the names' UTF-8 bytes
// as the entry table holds them, so it must not build a string per row.
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
    bool Matches(std::string_view utf8Name) const;

private:
    QString FText;
    // A text of ASCII only is matched byte by byte: an ASCII letter in UTF-8
    // is one byte that no multi-byte character contains.
    bool FAscii = false;
    std::string FAsciiLower;
};

}  // namespace valbrix
