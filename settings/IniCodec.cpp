// The INI text format of the profile functions; see IniCodec.h.
#include "IniCodec.h"

namespace valbrix {

namespace {

constexpr size_t npos = std::string::npos;

std::string_view WithoutCr(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The section name of a header line "[name]" (blanks around the name
// ignored), or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view raw)
{
    std::string_view line = Trim(WithoutCr(raw));
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const size_t close = line.find(']');
    if (close == npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct TKeyLine {
    std::string_view Key;
    std::string_view Value;
};

// A "key=value" line; comments, lines without '=' and lines with an empty key
// are not keys (and so are never matched or rewritten).
std::optional<TKeyLine> KeyLine(std::string_view raw)
{
    std::string_view line = WithoutCr(raw);
    std::string_view start = Trim(line);
    if (start.empty() || start.front() == ';')
        return std::nullopt;
    const size_t equals = line.find('=');
    if (equals == npos)
        return std::nullopt;
    std::string_view key = Trim(line.substr(0, equals));
    if (key.empty())
        return std::nullopt;
    std::string_view value = line.substr(equals + 1);
    while (!value.empty() && IsBlank(value.front()))
        value.remove_prefix(1);
    return TKeyLine{key, value};
}

}  // namespace

bool SameIniName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

TIniDocument::TIniDocument(std::string_view bytes)
{
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == npos)
            end = bytes.size();
        FLines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    FCrlf = !FLines.empty() && !FLines.front().empty() && FLines.front().back() == '\r';
    // A last line without its line break gets one in the file's style when written.
    if (FCrlf && !bytes.empty() && bytes.back() != '\n' && FLines.back().back() != '\r')
        FLines.back() += '\r';
}

size_t TIniDocument::FindSectionBody(std::string_view section) const
{
    for (size_t i = 0; i < FLines.size(); ++i) {
        const auto name = SectionName(FLines[i]);
        if (name && SameIniName(*name, section))
            return i + 1;
    }
    return npos;
}

std::optional<std::string> TIniDocument::GetValue(std::string_view section, std::string_view key) const
{
    size_t i = FindSectionBody(section);
    if (i == npos)
        return std::nullopt;
    for (; i < FLines.size() && !SectionName(FLines[i]); ++i) {
        const auto line = KeyLine(FLines[i]);
        if (line && SameIniName(line->Key, key))
            return std::string(line->Value);
    }
    return std::nullopt;
}

bool TIniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    // A line break in any of them would plant further lines in the file.
    for (std::string_view text : {section, key, value})
        if (text.find_first_of("\r\n") != npos)
            return false;
    if (Trim(key).empty() || key.find('=') != npos || Trim(key).front() == ';' || Trim(key).front() == '[' ||
        Trim(key) != key || section.find(']') != npos || Trim(section) != section)
        return false;
    const std::string cr = FCrlf ? "\r" : "";
    std::string newLine = std::string(key) + "=" + std::string(value) + cr;

    size_t i = FindSectionBody(section);
    if (i == npos) {
        FLines.push_back("[" + std::string(section) + "]" + cr);
        FLines.push_back(std::move(newLine));
        return true;
    }
    size_t insertAt = i;  // after the section's last non-blank line
    for (; i < FLines.size() && !SectionName(FLines[i]); ++i) {
        const auto line = KeyLine(FLines[i]);
        if (line && SameIniName(line->Key, key)) {
            FLines[i] = std::string(line->Key) + "=" + std::string(value) + cr;
            return true;
        }
        if (!Trim(WithoutCr(FLines[i])).empty())
            insertAt = i + 1;
    }
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(newLine));
    return true;
}

std::string TIniDocument::Text() const
{
    std::string text;
    size_t size = 0;
    for (const std::string& line : FLines)
        size += line.size() + 2;
    text.reserve(size);
    for (const std::string& line : FLines) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace valbrix
