// The INI text format of the profile functions; see IniCodec.h.
#include "IniCodec.h"

#include "platform/KeyFileLines.h"

namespace valbrix {

namespace {

constexpr size_t npos = std::string::npos;

using platform::TrimBlanks;

// The profile functions know ';' comments only.
constexpr std::string_view CommentMarks = ";";

// The section name of a header line "[name]", or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view raw)
{
    const platform::TKeyFileLine line = platform::ParseKeyFileLine(raw, CommentMarks);
    return line.Kind == platform::klGroup ? std::optional(line.Group) : std::nullopt;
}

// A "key=value" line; comments, lines without '=' and lines with an empty key
// are not keys (and so are never matched or rewritten).
std::optional<platform::TKeyFileLine> KeyLine(std::string_view raw)
{
    const platform::TKeyFileLine line = platform::ParseKeyFileLine(raw, CommentMarks);
    return line.Kind == platform::klEntry ? std::optional(line) : std::nullopt;
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
    for (std::string_view line : platform::KeyFileLines(bytes))
        FLines.emplace_back(line);
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
    if (TrimBlanks(key) != key || key.empty() || key.find('=') != npos || key.front() == ';' || key.front() == '[' ||
        section.find(']') != npos || TrimBlanks(section) != section)
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
        if (!platform::IsBlankLine(FLines[i]))
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
