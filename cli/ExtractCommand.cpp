// Placeholder until the extract and test commands land.
#include "cli/Commands.h"

namespace valbrix::cli {
int RunExtractCommand(const std::vector<std::string>&) { return ExitCannotOpen; }
int RunTestCommand(const std::vector<std::string>&) { return ExitCannotOpen; }
}  // namespace valbrix::cli
