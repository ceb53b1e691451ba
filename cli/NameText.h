// Names as valbrix-cli prints them. Entry names come from the archive and
// may hold anything: a tab or newline would break the tab-separated lines of
// `list`, and an escape sequence could rewrite the user's terminal. Control
// characters (C0, DEL, and C1 written as UTF-8), backslash and bytes that are
// not UTF-8 are printed as escapes: \t, \n, \\ and \xHH (two lower-case hex
// digits per byte). Bidirectional controls, which would make a terminal show
// the name's letters in another order, print as \u{202E} (at least four
// upper-case hex digits). Every other name prints exactly as it is.
#pragma once

#include <string>
#include <string_view>

namespace valbrix::cli {

// No byte of a name takes more than this many when escaped (\xHH; a
// bidirectional control's \u{XXXX} stands for two or three bytes).
constexpr size_t MaxEscapedBytesPerByte = 4;

// Writes the escaped name at out, which has room for
// MaxEscapedBytesPerByte * name.size() bytes; returns the end of what it wrote.
char* PutEscapedName(char* out, std::string_view name);
void AppendEscapedName(std::string& out, std::string_view name);
std::string EscapedName(std::string_view name);
// The name an escaped one stands for, so a name copied from `list` can be
// given back; a backslash that starts none of the escapes stays as typed.
std::string UnescapedName(std::string_view text);

}  // namespace valbrix::cli
