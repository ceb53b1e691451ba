// Usage, help and version texts; see the header.
#include "cli/Usage.h"

#include "Version.h"
#include "cli/Commands.h"
#include "cli/Messages.h"

namespace valbrix::cli {

namespace {

const char* const OverviewText =
    "Usage: valbrix-cli COMMAND [OPTIONS] ARCHIVE [NAME...]\n"
    "\n"
    "Commands:\n"
    "  list      the archive's entries, one line each\n"
    "  extract   entries into a folder, or to standard output\n"
    "  test      decode entries and check their CRC-32, writing nothing\n"
    "  comment   the archive comment, escaped as names are, line breaks kept\n"
    "\n"
    "'valbrix-cli COMMAND --help' tells more about each. Options may stand before or\n"
    "after the archive and the names; '--' ends the options. ARCHIVE '-' reads the\n"
    "archive from standard input.\n"
    "\n"
    "Names are printed with control characters, backslash and bytes that are not\n"
    "UTF-8 escaped: \\t, \\n, \\\\ and \\xHH (one per byte), so each entry stays on one\n"
    "line; a NAME may be given in that escaped form.\n"
    "\n"
    "Exit status:\n"
    "  0    success\n"
    "  1    an entry failed or was refused, a NAME matched nothing, or two entries\n"
    "       of one run would land on the same file\n"
    "  2    the archive cannot be opened, or it is damaged (list, extract and test\n"
    "       still handle the entries that could be read, from the local headers\n"
    "       when the directory is lost; a part of a split set may be missing), the\n"
    "       target folder or password file cannot be used, or the command line is wrong\n"
    "  130  interrupted by Ctrl+C (extract: SIGTERM too); no partial file is left\n";

const char* const ListHelp =
    "Usage: valbrix-cli list [-v] ARCHIVE\n"
    "\n"
    "One line per directory entry, tab-separated: method number, compressed size,\n"
    "uncompressed size, CRC-32 (8 hex digits), modification time (YYYY-MM-DD\n"
    "HH:MM:SS, as stored), MS-DOS attributes (2 hex digits), name. This format is\n"
    "kept stable for scripts.\n"
    "\n"
    "  -v, --verbose   for people: a header, method names, '*' for encrypted\n"
    "                  entries, times in the local time zone, and a totals line\n";

const char* const ExtractHelp =
    "Usage: valbrix-cli extract [OPTIONS] ARCHIVE [NAME...]\n"
    "\n"
    "Extracts every entry, or those selected by NAME, below FOLDER. Nothing is\n"
    "written outside FOLDER. A NAME is matched against the whole path in the\n"
    "archive and may hold the wildcards *, ? and [...] (quote them for the\n"
    "shell); a folder's name selects everything below it.\n"
    "\n"
    "  -d FOLDER            target folder (default: the current folder)\n"
    "      --flat           drop the archive's folders\n"
    "      --overwrite      replace existing files (otherwise they are kept)\n"
    "  -x PATTERN           leave out entries that match (repeatable)\n"
    "  -p, --stdout         write the entries' bytes to standard output, nothing else\n"
    "  -j N                 N entries at once (1 to 256; default: one per\n"
    "                       processor); what is written and reported is the same\n"
    "  -q, --quiet          report failures only\n"
    "  -v, --verbose        one line per kept file instead of one summed-up line\n"
    "      --password-file FILE\n"
    "                       password for encrypted entries: the first line of FILE\n"
    "                       ('-': standard input); without it a terminal on\n"
    "                       standard input is asked, without echo\n"
    "  -h, --help           this text\n"
    "\n"
    "Two entries of one run that land on the same file (--flat, or a name twice in\n"
    "the archive): the later one is not written and fails. There is no option for\n"
    "the password itself: other users could read it from the process list.\n"
    "On a terminal, stderr shows progress and a closing summary.\n";

const char* const TestHelp =
    "Usage: valbrix-cli test [OPTIONS] ARCHIVE [NAME...]\n"
    "\n"
    "Decodes every entry, or those selected by NAME (as for extract), and checks\n"
    "its CRC-32 without writing files; prints the counts on standard output.\n"
    "\n"
    "  -x PATTERN           leave out entries that match (repeatable)\n"
    "  -q, --quiet          report failures only\n"
    "      --password-file FILE\n"
    "                       password for encrypted entries (see extract --help)\n"
    "  -h, --help           this text\n";

const char* const CommentHelp =
    "Usage: valbrix-cli comment ARCHIVE\n"
    "\n"
    "Prints the archive comment, escaped as names are but with its line breaks\n"
    "kept; prints nothing when there is none.\n"
    "\n"
    "  -h, --help           this text\n";

const char* CommandHelp(const std::string& command)
{
    if (command == "comment")
        return CommentHelp;
    if (command == "list")
        return ListHelp;
    if (command == "extract")
        return ExtractHelp;
    if (command == "test")
        return TestHelp;
    return OverviewText;
}

}  // namespace

void PrintUsage(std::FILE* to)
{
    std::fputs(OverviewText, to);
}

void PrintVersion()
{
    std::printf("valbrix-cli %s\n", VALBRIX_FILE_VERSION);
}

int UsageError(const std::string& command, const std::string& reason)
{
    PrintError(command + ": " + reason + " (try 'valbrix-cli " + command + " --help')");
    return ExitUsage;
}

bool ParseCommand(const std::string& command, const std::vector<std::string>& args,
                  const std::vector<TOption>& options, TCommandLine& line, int& exitStatus)
{
    const std::string error = line.Parse(args, options);
    if (!error.empty()) {
        exitStatus = UsageError(command, error);
        return false;
    }
    if (line.HelpAsked() || line.VersionAsked()) {
        if (line.HelpAsked())
            std::fputs(CommandHelp(command), stdout);
        else
            PrintVersion();
        exitStatus = ExitOk;
        return false;
    }
    return true;
}

}  // namespace valbrix::cli
