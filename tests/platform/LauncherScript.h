// A recording stand-in for the launcher: every address handed to the desktop
// and every program start is kept, and nothing is started. Starts succeed
// unless the test says otherwise. Given a window's seam, it stands in there
// until it ends (the seam's owner must outlive it).
#pragma once

#include <string>
#include <vector>

#include <QList>
#include <QString>
#include <QUrl>

#include "platform/gui/Launcher.h"

namespace valbrix::test {

class TLauncherScript : public platform::TLauncher {
public:
    TLauncherScript() = default;
    explicit TLauncherScript(platform::TLauncher*& seam) : FSeam(&seam) { seam = this; }
    ~TLauncherScript() override
    {
        if (FSeam && *FSeam == this)
            *FSeam = &platform::DesktopLauncher();
    }
    TLauncherScript(const TLauncherScript&) = delete;
    TLauncherScript& operator=(const TLauncherScript&) = delete;

    bool OpenUrl(const QUrl& url) override
    {
        Opened.append(url);
        return OpenSucceeds;
    }
    // Recorded with the opened addresses; `NoProgram` answers as a desktop
    // without a program for the type does.
    bool OpenLocal(const QString& path, QObject* /*context*/, std::function<void()> noProgram) override
    {
        Opened.append(QUrl::fromLocalFile(path));
        if (OpenSucceeds && NoProgram && noProgram)
            noProgram();
        return OpenSucceeds;
    }
    bool StartProgram(const std::vector<std::string>& argv, bool /*searchPath*/, bool /*waitForStart*/,
                      const std::string& workingFolder) override
    {
        Started.push_back(argv);
        StartedIn.push_back(workingFolder);
        return StartSucceeds;
    }

    QList<QUrl> Opened;
    std::vector<std::vector<std::string>> Started;
    std::vector<std::string> StartedIn;  // the working folder of each start ("" for ours)
    bool OpenSucceeds = true;
    bool NoProgram = false;  // opened files and folders find no program
    bool StartSucceeds = true;

private:
    platform::TLauncher** FSeam = nullptr;
};

}  // namespace valbrix::test
