// The lines of a key file: the INI file as the profile functions read it,
// and the freedesktop desktop entries and mimeapps.list. Both are "[group]"
// headers and "key=value" entries between comments and odd lines; they
// differ in the comment mark and in how names compare, which the callers
// keep. Lines are only looked at, never changed, so a rewrite can keep every
// line it does not own byte for byte. Pure functions over string views.
#pragma once

#include <string_view>
#include <vector>

namespace valbrix::platform {

enum TKeyFileLineKind { klOther, klGroup, klEntry };

struct TKeyFileLine {
    TKeyFileLineKind Kind = klOther;
    std::string_view Group;  // klGroup: the name between '[' and the first ']', blanks around it dropped
    std::string_view Key;    // klEntry: the text before the first '=', blanks around it dropped; never empty
    std::string_view Value;  // klEntry: the text after the '=', leading blanks dropped, the rest verbatim
};

// Splits at '\n'; a text ending in '\n' has no empty last line.
std::vector<std::string_view> KeyFileLines(std::string_view text);

// Blanks and tabs dropped at both ends.
std::string_view TrimBlanks(std::string_view text);

// True for a line of nothing but blanks, tabs and a trailing '\r'.
bool IsBlankLine(std::string_view line);

// Reads one line (a trailing '\r' ignored). A line that starts, after
// blanks, with one of commentMarks is klOther, as is one without '=' or
// with an empty key.
TKeyFileLine ParseKeyFileLine(std::string_view line, std::string_view commentMarks);

}  // namespace valbrix::platform
