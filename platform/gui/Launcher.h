// The one seam through which the program starts other programs and hands
// addresses to the desktop: a web site, a mailto: address, a folder to show
// in the file manager. Callers are given the launcher to use: the desktop's
// own, or a test's stand-in, so no test ever starts a browser or an installer.
// Nothing here shows anything; a start or hand-over that fails is false.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QObject;
class QString;
class QUrl;

namespace valbrix::platform {

class TLauncher {
public:
    virtual ~TLauncher() = default;
    // Hands a web address, a mailto: address or a file:// URL to the desktop.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Hands a local file or folder to the desktop's opener. The opener tells
    // only later, by its exit, that no program is set up for the type: then
    // `noProgram` runs on this thread, if `context` still lives. False when
    // nothing could be handed over. By default an OpenUrl that never says.
    virtual bool OpenLocal(const QString& path, QObject* context, std::function<void()> noProgram);
    // Starts a program without a shell, with StartProcess's rules (PATH
    // lookup when searchPath, ".exe" through wine, brief wait when asked),
    // in workingFolder (empty: the program's own current folder).
    virtual bool StartProgram(const std::vector<std::string>& argv, bool searchPath, bool waitForStart,
                              const std::string& workingFolder = std::string()) = 0;
};

// The desktop's own launcher. Holds no state.
TLauncher& DesktopLauncher();

// Shows a local folder in the desktop's file manager (the "explore" verb).
bool ExploreFolder(TLauncher& launcher, const QString& folder);

// The opener's exit codes that mean "no program for this type": the
// generic opener's "no method available" and a desktop opener's failure.
bool MeansNoProgram(int openerExitCode);

}  // namespace valbrix::platform
