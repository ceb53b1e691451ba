// Reading the window program's command line; see the header. A wrong
// extraction call is refused with a sentence instead of opening the window
// on a file named "--extract-to".
#include "app/batch/CommandLine.h"

#include <string_view>

#include "Version.h"

namespace valbrix {

namespace {

bool IsHelp(std::string_view parameter)
{
    return parameter == "--help" || parameter == "-h";
}

// "-" alone is a name (as for most tools), not an option.
bool LooksLikeOption(std::string_view parameter)
{
    return parameter.size() > 1 && parameter[0] == '-';
}

TCommandLine Refused(std::string error)
{
    TCommandLine line;
    line.Mode = TCommandLine::cmError;
    line.Error = std::move(error);
    return line;
}

// The archives after a mode option (and the folder of --extract-to when it
// was not joined with '='); "--" ends the options, so an archive may be
// named "-x.zip".
TCommandLine ExtractionLine(TCommandLine::TMode mode, std::string_view option, bool wantsFolder,
                            const std::vector<std::string>& rest)
{
    TCommandLine line;
    line.Mode = mode;
    bool optionsEnded = false;
    bool folderTaken = !wantsFolder;
    for (const std::string& parameter : rest) {
        if (!optionsEnded && parameter == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && IsHelp(parameter)) {
            line = {};
            line.Mode = TCommandLine::cmHelp;
            return line;
        } else if (!folderTaken) {
            line.Folder = parameter;  // taken as it stands, as any option's value
            folderTaken = true;
        } else if (!optionsEnded && LooksLikeOption(parameter)) {
            return Refused("Unbekannte Option „" + parameter + "“ nach " + std::string(option) +
                           " (ein Archiv, dessen Name mit - beginnt, steht nach --).");
        } else {
            line.Archives.push_back(parameter);
        }
    }
    if (wantsFolder && line.Folder.empty())
        return Refused("Bei " + std::string(option) + " fehlt der Zielordner.");
    if (line.Archives.empty())
        return Refused("Bei " + std::string(option) + " fehlt das Archiv.");
    return line;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& parameters)
{
    TCommandLine line;
    if (parameters.empty())
        return line;
    const std::string_view first = parameters.front();
    const std::vector<std::string> rest(parameters.begin() + 1, parameters.end());
    if (IsHelp(first)) {
        line.Mode = TCommandLine::cmHelp;
    } else if (first == "--version") {
        line.Mode = TCommandLine::cmVersion;
    } else if (first == "--extract-here") {
        line = ExtractionLine(TCommandLine::cmExtractHere, first, false, rest);
    } else if (first == "--extract-ask") {
        line = ExtractionLine(TCommandLine::cmExtractAsk, first, false, rest);
    } else if (first == "--extract-to") {
        line = ExtractionLine(TCommandLine::cmExtractTo, first, true, rest);
    } else if (first.starts_with("--extract-to=")) {
        std::vector<std::string> joined{std::string(first.substr(first.find('=') + 1))};
        joined.insert(joined.end(), rest.begin(), rest.end());
        line = ExtractionLine(TCommandLine::cmExtractTo, "--extract-to", true, joined);
    } else if (first.starts_with("--extract")) {
        // A misspelt mode would otherwise open the window on a file of that name.
        line = Refused("Unbekannte Option „" + std::string(first) + "“.");
    } else if (first == "--") {
        line.Archives = rest;
    } else {
        line.Archives = parameters;
    }
    return line;
}

TCommandLine ParseCommandLine(int argc, const char* const* argv)
{
    std::vector<std::string> parameters;
    for (int index = 1; index < argc; ++index)
        parameters.emplace_back(argv[index]);
    return ParseCommandLine(parameters);
}

std::string UsageText()
{
    return "Aufruf: valbrix [ARCHIV]\n"
           "        valbrix --extract-here ARCHIV...\n"
           "        valbrix --extract-to ORDNER ARCHIV...\n"
           "        valbrix --extract-ask ARCHIV...\n"
           "\n"
           "Ohne Option öffnet Valbrix das ARCHIV im Hauptfenster.\n"
           "\n"
           "  --extract-here ARCHIV...   jedes Archiv neben sich entpacken: in seinen\n"
           "                             Ordner, wenn alle Einträge unter einem Ordner\n"
           "                             des Archivs liegen, sonst in einen neuen Ordner\n"
           "                             mit dem Namen des Archivs\n"
           "  --extract-to ORDNER ARCHIV...\n"
           "                             die Archive in den ORDNER entpacken\n"
           "  --extract-ask ARCHIV...    nach dem Zielordner fragen, dann entpacken\n"
           "  -h, --help                 diesen Text zeigen\n"
           "      --version              die Version zeigen\n"
           "  --                         Ende der Optionen (für Namen, die mit - beginnen)\n"
           "\n"
           "Beim Entpacken erscheint kein Hauptfenster, nur ein Fortschrittsfenster je\n"
           "Archiv, und eine Zusammenfassung nur, wenn etwas misslang.\n"
           "\n"
           "Rückgabewert (wie bei valbrix-cli):\n"
           "  0  alles entpackt\n"
           "  1  ein Eintrag misslang oder wurde abgelehnt\n"
           "  2  ein Archiv lässt sich nicht öffnen oder ist beschädigt, der Zielordner\n"
           "     ist nicht nutzbar, oder der Aufruf ist falsch\n"
           "  130  abgebrochen (\u201EAbbrechen\u201C, oder kein Zielordner gewählt)\n";
}

std::string VersionText()
{
    return std::string("valbrix ") + VALBRIX_FILE_VERSION + "\n";
}

}  // namespace valbrix
