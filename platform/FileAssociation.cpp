// The ZIP association's text transforms and its two files. Desktop entries
// and mimeapps.list are read line by line; a line is only ever replaced when
// it is a default of ours to set, so foreign groups, comments and odd lines
// survive a rewrite byte for byte.
#include "FileAssociation.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "KeyFileLines.h"
#include "WholeFile.h"
#include "XdgFolders.h"

namespace valbrix::platform {

namespace {

constexpr std::string_view DefaultsGroup = "Default Applications";
constexpr std::string_view DesktopEntryGroup = "Desktop Entry";
// Desktop entries and mimeapps.list know '#' comments only.
constexpr std::string_view CommentMarks = "#";

TKeyFileLine Parse(std::string_view line)
{
    return ParseKeyFileLine(line, CommentMarks);
}

// The value of `key` in the first line of group `group` that sets it; the
// names compare exactly, as the desktop's rules say.
std::string_view GroupValue(std::string_view text, std::string_view group, std::string_view key)
{
    bool inGroup = false;
    for (std::string_view raw : KeyFileLines(text)) {
        const TKeyFileLine line = Parse(raw);
        if (line.Kind == klGroup)
            inGroup = line.Group == group;
        else if (inGroup && line.Kind == klEntry && line.Key == key)
            return TrimBlanks(line.Value);
    }
    return {};
}

// Undoes the escapes every desktop entry string value may carry.
std::string UnescapeValue(std::string_view value)
{
    std::string plain;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            plain += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's': plain += ' '; break;
        case 'n': plain += '\n'; break;
        case 't': plain += '\t'; break;
        case 'r': plain += '\r'; break;
        case '\\': plain += '\\'; break;
        default: plain += '\\'; plain += value[i]; break;
        }
    }
    return plain;
}

bool EqualWithoutCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

// Settings files are small; anything larger is not one we may rewrite.
constexpr uint64_t MaxKeyFileBytes = 16 * 1024 * 1024;

std::string ReadableText(const std::string& path)
{
    return ReadWholeFile(path, MaxKeyFileBytes).Bytes;
}

bool WriteKeyFile(const std::string& path, const std::string& text)
{
    CreateFolderPath(path.substr(0, path.rfind('/')));
    return ReplaceWholeFile(path, text) == 0;
}

}  // namespace

std::string QuoteExecArgument(std::string_view argument)
{
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quote = argument.empty() || argument.find_first_of(reserved) != std::string_view::npos;
    std::string quoted;
    if (quote)
        quoted += '"';
    for (char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';  // a lone '%' would start a field code
    }
    if (quote)
        quoted += '"';
    // The value escapes come last: readers undo them before the quoting.
    std::string escaped;
    for (char c : quoted) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\n': escaped += "\\n"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

std::string ExecProgram(std::string_view execValue)
{
    const std::string command = UnescapeValue(TrimBlanks(execValue));
    std::string program;
    size_t i = 0;
    if (!command.empty() && command[0] == '"') {
        for (i = 1; i < command.size() && command[i] != '"'; ++i) {
            if (command[i] == '\\' && i + 1 < command.size())
                ++i;
            program += command[i];
        }
        if (i == command.size())
            return {};  // no closing quote
    } else {
        for (; i < command.size() && command[i] != ' ' && command[i] != '\t'; ++i)
            program += command[i];
    }
    std::string unpercented;
    for (size_t k = 0; k < program.size(); ++k) {
        unpercented += program[k];
        if (program[k] == '%' && k + 1 < program.size() && program[k + 1] == '%')
            ++k;
    }
    return unpercented;
}

std::string DesktopEntryText(std::string_view programPath)
{
    std::string mimeTypes;
    for (std::string_view type : AssociationMimeTypes)
        (mimeTypes += type) += ';';
    std::ostringstream text;
    text << "[" << DesktopEntryGroup << "]\n"
         << "Type=Application\n"
         << "Name=Valbrix\n"
         << "GenericName=ZIP-Archivprogramm\n"
         << "Comment=ZIP-Archive öffnen und auspacken\n"
         << "Exec=" << QuoteExecArgument(programPath) << " %f\n"
         << "Icon=valbrix\n"
         << "Terminal=false\n"
         << "MimeType=" << mimeTypes << "\n"
         << "Categories=Utility;Archiving;Compression;\n"
         << "Actions=ExtractHere;ExtractTo;\n";
    // This entry hides the installed one of the same name, so it carries the
    // file manager's extraction actions too, or associating drops them.
    const std::string program = QuoteExecArgument(programPath);
    text << "\n[Desktop Action ExtractHere]\n"
         << "Name=Hier entpacken\n"
         << "Exec=" << program << " --extract-here %F\n"
         << "\n[Desktop Action ExtractTo]\n"
         << "Name=Entpacken nach …\n"
         << "Exec=" << program << " --extract-ask %F\n";
    return text.str();
}

std::string DesktopEntryValue(std::string_view desktopText, std::string_view key)
{
    return DesktopGroupValue(desktopText, DesktopEntryGroup, key);
}

std::string DesktopGroupValue(std::string_view desktopText, std::string_view group, std::string_view key)
{
    return std::string(GroupValue(desktopText, group, key));
}

std::string DefaultApplication(std::string_view mimeappsText, std::string_view mimeType)
{
    std::string_view ids = GroupValue(mimeappsText, DefaultsGroup, mimeType);
    while (!ids.empty()) {
        const size_t end = ids.find(';');
        const std::string_view id = TrimBlanks(ids.substr(0, end));
        if (!id.empty())
            return std::string(id);
        ids.remove_prefix(end == std::string_view::npos ? ids.size() : end + 1);
    }
    return {};
}

std::string WithDefaultApplication(std::string_view mimeappsText, std::string_view desktopId,
                                   const std::array<std::string_view, 2>& mimeTypes)
{
    const auto ourLine = [&](std::string_view type) { return std::string(type) + "=" + std::string(desktopId); };
    std::vector<std::string> lines;
    std::vector<bool> typeSet(mimeTypes.size(), false);
    bool inGroup = false, inFirstGroup = false;
    size_t insertAt = std::string::npos;  // after the last non-blank line of the first defaults group
    for (std::string_view line : KeyFileLines(mimeappsText)) {
        const TKeyFileLine parsed = Parse(line);
        if (parsed.Kind == klGroup) {
            inGroup = parsed.Group == DefaultsGroup;
            inFirstGroup = inGroup && insertAt == std::string::npos;
            lines.emplace_back(line);
            if (inFirstGroup)
                insertAt = lines.size();
            continue;
        }
        const bool ours = inGroup && parsed.Kind == klEntry;
        const auto type = ours ? std::ranges::find(mimeTypes, parsed.Key) : mimeTypes.end();
        if (type != mimeTypes.end()) {
            typeSet[size_t(type - mimeTypes.begin())] = true;
            lines.push_back(ourLine(*type));
        } else {
            lines.emplace_back(line);
        }
        if (inFirstGroup && !IsBlankLine(line))
            insertAt = lines.size();
    }
    std::vector<std::string> missing;
    for (size_t i = 0; i < mimeTypes.size(); ++i)
        if (!typeSet[i])
            missing.push_back(ourLine(mimeTypes[i]));
    if (insertAt == std::string::npos) {
        if (!lines.empty() && !IsBlankLine(lines.back()))
            lines.emplace_back();
        lines.emplace_back("[" + std::string(DefaultsGroup) + "]");
        insertAt = lines.size();
    }
    lines.insert(lines.begin() + std::ptrdiff_t(insertAt), missing.begin(), missing.end());

    std::string text;
    for (const std::string& line : lines)
        (text += line) += '\n';
    return text;
}

bool IsAssociationOurs(std::string_view mimeappsText, std::string_view desktopText, std::string_view programPath)
{
    for (std::string_view type : AssociationMimeTypes)
        if (DefaultApplication(mimeappsText, type) != AssociationDesktopId)
            return false;
    return EqualWithoutCase(ExecProgram(DesktopEntryValue(desktopText, "Exec")), programPath);
}

std::string TXdgFolders::DesktopEntryPath() const
{
    return DataHome + "/applications/" + std::string(AssociationDesktopId);
}

std::string TXdgFolders::MimeappsPath() const
{
    return ConfigHome + "/mimeapps.list";
}

TXdgFolders UserXdgFolders()
{
    return {XdgDataHome(), XdgConfigHome()};
}

bool AssociationIsOurs(const TXdgFolders& folders, std::string_view programPath)
{
    return IsAssociationOurs(ReadableText(folders.MimeappsPath()), ReadableText(folders.DesktopEntryPath()),
                             programPath);
}

TAssociationResult WriteAssociation(const TXdgFolders& folders, std::string_view programPath)
{
    TAssociationResult result;
    result.DesktopEntryWritten = WriteKeyFile(folders.DesktopEntryPath(), DesktopEntryText(programPath));
    const std::string mimeappsPath = folders.MimeappsPath();
    const TWholeFile mimeapps = ReadWholeFile(mimeappsPath, MaxKeyFileBytes);
    if (mimeapps.ErrorCode != 0 && !mimeapps.Missing()) {
        result.MimeappsReadError = mimeapps.ErrorCode;
        return result;
    }
    result.DefaultWritten =
        WriteKeyFile(mimeappsPath, WithDefaultApplication(mimeapps.Bytes, AssociationDesktopId));
    return result;
}

}  // namespace valbrix::platform
