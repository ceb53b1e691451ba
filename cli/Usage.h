// What valbrix-cli says about itself: the overall usage, each command's
// help, the version, and the line for a command line that does not fit.
// Each command parses its words through ParseCommand, so -h/--help,
// --version and a wrong option are handled alike everywhere.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Arguments.h"

namespace valbrix::cli {

void PrintUsage(std::FILE* to);
void PrintVersion();
// "valbrix-cli: COMMAND: REASON" and a pointer to the command's help;
// returns the exit status for a wrong command line.
int UsageError(const std::string& command, const std::string& reason);
// Parses `args` for `command`. False when the command is done already:
// help or the version was printed, or the line was wrong (said on stderr);
// `exitStatus` then holds the status to return.
bool ParseCommand(const std::string& command, const std::vector<std::string>& args,
                  const std::vector<TOption>& options, TCommandLine& line, int& exitStatus);

}  // namespace valbrix::cli
