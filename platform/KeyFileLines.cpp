// Key-file lines; see KeyFileLines.h.
#include "KeyFileLines.h"

namespace valbrix::platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view WithoutCr(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

}  // namespace

std::vector<std::string_view> KeyFileLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsBlankLine(std::string_view line)
{
    return TrimBlanks(WithoutCr(line)).empty();
}

TKeyFileLine ParseKeyFileLine(std::string_view line, std::string_view commentMarks)
{
    line = WithoutCr(line);
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || commentMarks.find(trimmed.front()) != std::string_view::npos)
        return {};
    if (trimmed.front() == '[') {
        const size_t close = trimmed.find(']');
        if (close != std::string_view::npos)
            return {klGroup, TrimBlanks(trimmed.substr(1, close - 1)), {}, {}};
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return {};
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    if (key.empty())
        return {};
    std::string_view value = line.substr(equals + 1);
    while (!value.empty() && IsBlank(value.front()))
        value.remove_prefix(1);
    return {klEntry, {}, key, value};
}

}  // namespace valbrix::platform
