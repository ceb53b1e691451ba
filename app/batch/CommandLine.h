// The window program's command line: the help and version requests, the
// extraction modes a file manager starts ("Hier entpacken", "Entpacken
// nach …") and, for anything else, the parameters the main window opens as
// an archive. Read from argv before QApplication exists, so `--help` works
// without a display; plain bytes in, plain bytes out, no Qt.
#pragma once

#include <string>
#include <vector>

namespace valbrix {

struct TCommandLine {
    enum TMode { cmWindow, cmHelp, cmVersion, cmExtractHere, cmExtractTo, cmExtractAsk, cmError };
    TMode Mode = cmWindow;
    std::string Folder;                 // the target of --extract-to
    std::vector<std::string> Archives;  // an extraction mode's archives; in cmWindow the parameters as given
    std::string Error;                  // one German sentence for cmError
};

// The exit status of a command line that cannot be read, as valbrix-cli's.
inline constexpr int UsageExitStatus = 2;

// The parameters after the program's name. A mode option counts only as the
// first parameter, so the window's parameters keep their meaning (an archive
// path split at blanks is joined again there); options the toolkit reads
// (-style, -platform) reach the window untouched.
TCommandLine ParseCommandLine(const std::vector<std::string>& parameters);
TCommandLine ParseCommandLine(int argc, const char* const* argv);

// The German usage text for `valbrix --help` and after a wrong command line.
std::string UsageText();
// "valbrix" and the four-field version, one line.
std::string VersionText();

}  // namespace valbrix
