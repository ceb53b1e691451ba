// valbrix-cli: the archive engine from the command line, for scripts, tests
// and benchmarks.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace {

const char* const UsageText =
    "Usage: valbrix-cli COMMAND [OPTIONS] ARCHIVE [NAME...]\n"
    "\n"
    "Commands:\n"
    "  list ARCHIVE\n"
    "      One line per directory entry, tab-separated: method, compressed size,\n"
    "      uncompressed size, CRC-32 (8 hex digits), modification time\n"
    "      (YYYY-MM-DD HH:MM:SS, as stored), MS-DOS attributes (2 hex digits), name.\n"
    "  extract [-d FOLDER] [--flat] [--overwrite] [-j N] [--password-file FILE] ARCHIVE [NAME...]\n"
    "      Extracts all entries, or those named, below FOLDER (default: the current\n"
    "      folder). --flat drops the archive's folders; --overwrite replaces existing\n"
    "      files, which are otherwise kept and reported. Nothing is written outside FOLDER.\n"
    "      -j N runs N entries at once (default: one per processor; -j 1 one after\n"
    "      the other); what is written and reported is the same for every N.\n"
    "  test [--password-file FILE] ARCHIVE\n"
    "      Decodes every entry and checks its CRC-32 without writing files.\n"
    "  comment ARCHIVE\n"
    "      Prints the archive comment, escaped as names are, line breaks kept.\n"
    "\n"
    "Encrypted entries (traditional ZIP encryption and AES) take their password from\n"
    "the first line of FILE (without its line end). Without --password-file, a terminal\n"
    "on standard input is asked, without echo; with neither, encrypted entries fail\n"
    "(code 7). There is no option for the password itself: other users could read it\n"
    "from the process list. A password that does not fit, or data changed since it was\n"
    "encrypted, fails that entry (code 8); strong encryption and encrypted directories\n"
    "are not supported (code 9).\n"
    "\n"
    "Names are printed with control characters, backslash and bytes that are not\n"
    "UTF-8 escaped: \\t, \\n, \\\\ and \\xHH (one per byte), so each entry stays on one line.\n"
    "\n"
    "Exit status: 0 success, 1 an entry failed or was refused, 2 the archive cannot be opened,\n"
    "it is damaged (list, extract and test still handle the entries that could be read,\n"
    "from the local headers when the directory is lost; test counts the damage as a\n"
    "failure), or the command line is wrong;\n"
    "130 extract was interrupted (Ctrl+C), and no partial file was left.\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace valbrix::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(UsageText, args.empty() ? stderr : stdout);
        return args.empty() ? ExitCannotOpen : ExitOk;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "list")
        return RunListCommand(args);
    if (command == "extract")
        return RunExtractCommand(args);
    if (command == "test")
        return RunTestCommand(args);
    if (command == "comment")
        return RunCommentCommand(args);
    std::fprintf(stderr, "valbrix-cli: unknown command '%s' (try --help)\n", command.c_str());
    return ExitCannotOpen;
}
