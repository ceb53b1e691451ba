// valbrix-cli: the archive engine from the command line, for scripts, tests
// and benchmarks.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Messages.h"
#include "cli/Usage.h"

int main(int argc, char** argv)
{
    using namespace valbrix::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintUsage(stderr);
        return ExitUsage;
    }
    const std::string command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        PrintUsage(stdout);
        return ExitOk;
    }
    if (command == "--version") {
        PrintVersion();
        return ExitOk;
    }
    args.erase(args.begin());
    if (command == "list")
        return RunListCommand(args);
    if (command == "extract")
        return RunExtractCommand(args);
    if (command == "test")
        return RunTestCommand(args);
    if (command == "comment")
        return RunCommentCommand(args);
    PrintError("unknown command '" + command + "' (try 'valbrix-cli --help')");
    return ExitUsage;
}
