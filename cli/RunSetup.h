// What extract and test do alike before their run: the selection from the
// names and -x patterns of the command line (names may be given in the
// escaped form that list prints), the report of names that select nothing,
// and where passwords come from.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Password.h"
#include "engine/extract/EntrySelection.h"

namespace valbrix::cli {

TNameFilter NameFilter(const std::vector<std::string>& names, const std::vector<std::string>& excluded);
// One line for each name asked for that selects nothing; false when there was one.
bool ReportNamesNotFound(const TArchiveSelection& selection);
// The password file when one is named (null and a line on stderr when it
// cannot be used), else the terminal when there is one. `usable` is false
// only for a password file that cannot be used.
std::unique_ptr<TCliPasswordProvider> PasswordProvider(const std::optional<std::string>& passwordFile, bool& usable);

}  // namespace valbrix::cli
