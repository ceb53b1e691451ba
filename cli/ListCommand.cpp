// Placeholder until the list command lands.
#include "cli/Commands.h"

namespace valbrix::cli {
int RunListCommand(const std::vector<std::string>&) { return ExitCannotOpen; }
}  // namespace valbrix::cli
