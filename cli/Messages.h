// valbrix-cli's lines on stderr. Every one starts with "valbrix-cli: ", so a
// script's log tells them from its own; an entry's line names the entry
// (escaped, see NameText.h) and says the reason in words, never a bare
// result code. Counts read in the singular or plural as they should.
#pragma once

#include <cstdint>
#include <string>

#include "engine/archive/ZipDirectory.h"

namespace valbrix::cli {

// One line on stderr, "valbrix-cli: " before the text; a line end is added.
void PrintError(const std::string& text);
// "valbrix-cli: NAME: REASON" for an entry, the name escaped.
void PrintEntryError(const std::string& entryName, const std::string& reason);
// Why an entry ended with `code` (ResultCodes.h); `systemError` is the
// errno value behind a failed output step (0: not known).
std::string ResultText(int code, const TZipEntry& entry, int systemError = 0);
// "1 file", "2 files": the count with the word in the right number.
std::string Counted(uint64_t count, const char* singular, const char* plural);

}  // namespace valbrix::cli
