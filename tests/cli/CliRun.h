// valbrix-cli run as the program itself, the way a script runs it: exit
// status, standard output and standard error apart. Standard input is
// /dev/null unless the arguments redirect it again, so nothing waits for a
// password at a terminal. Exit statuses are compared by the CLI's own names.
#pragma once

#include <filesystem>
#include <string>

#include "cli/Commands.h"
#include "support/TestFiles.h"

namespace valbrix::test {

using cli::ExitCannotOpen;
using cli::ExitEntryFailed;
using cli::ExitInterrupted;
using cli::ExitOk;
using cli::ExitUsage;

struct CliRun {
    int ExitCode = -1;
    std::string Output;  // stdout
    std::string Errors;  // stderr
};

// `arguments` are quoted already and may carry redirections; `folder` is
// the current folder of the run (empty: the test's own).
inline CliRun RunCli(const std::string& arguments, const std::filesystem::path& folder = {})
{
    TempDir scratch;
    const std::filesystem::path errors = scratch / "stderr.txt";
    const std::string into = folder.empty() ? std::string() : "cd " + Quote(folder.string()) + " && ";
    const CommandResult result =
        RunCommand(into + Quote(VALBRIX_CLI) + " </dev/null " + arguments + " 2>" + Quote(errors.string()));
    const Bytes errorBytes = ReadFile(errors);
    return {result.ExitCode, result.Output, std::string(errorBytes.begin(), errorBytes.end())};
}

}  // namespace valbrix::test
