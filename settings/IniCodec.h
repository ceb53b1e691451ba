// The INI text format as the Windows profile functions read and write it,
// over an in-memory copy of the file: section and key names are compared
// without regard to (ASCII) case, values are taken verbatim after the '='
// (only the blanks right after it are skipped; nothing is unescaped), and the
// first of several equal sections or keys wins. Every line that is not the
// key being written -- comments, other sections, lines without '=', binary
// garbage -- is kept byte for byte, so a damaged file never loses more than
// the one value written into it. Pure standard C++, no file access.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace valbrix {

class TIniDocument {
public:
    TIniDocument() = default;
    // Splits the bytes into lines at '\n'; a '\r' before it stays part of the
    // stored line (and is ignored when the line is interpreted). Never fails.
    explicit TIniDocument(std::string_view bytes);

    // The value of key in section, or nothing when either is missing.
    std::optional<std::string> GetValue(std::string_view section, std::string_view key) const;

    // Replaces the value of an existing key (keeping the key's spelling) or
    // adds "key=value" at the end of the section, adding the section at the
    // end of the file when it is missing. False (nothing changed) for names
    // and values that would not read back as written: an empty or blank key,
    // a key with '=', a section with ']', or any line break.
    bool SetValue(std::string_view section, std::string_view key, std::string_view value);

    // The whole file; every line ends with a line break, CRLF when the file
    // read in used CRLF on its first line.
    std::string Text() const;

    size_t LineCount() const { return FLines.size(); }

private:
    // Index of the first line of the first matching section's body, or npos.
    size_t FindSectionBody(std::string_view section) const;

    std::vector<std::string> FLines;  // raw lines without '\n', a '\r' kept
    bool FCrlf = false;               // new lines end with CRLF
};

// Case-insensitive (ASCII) equality, as the profile functions compare names.
bool SameIniName(std::string_view a, std::string_view b);

}  // namespace valbrix
