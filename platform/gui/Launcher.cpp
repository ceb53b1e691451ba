// The desktop's launcher: QDesktopServices for addresses, posix_spawn for programs.
#include "Launcher.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "ProcessStart.h"

namespace valbrix::platform {

namespace {

class TDesktopLauncher : public TLauncher {
public:
    bool OpenUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
    bool StartProgram(const std::vector<std::string>& argv, bool searchPath, bool waitForStart,
                      const std::string& workingFolder) override
    {
        return StartProcess(argv, searchPath, waitForStart, 500, workingFolder);
    }
};

}  // namespace

TLauncher& DesktopLauncher()
{
    static TDesktopLauncher launcher;
    return launcher;
}

bool ExploreFolder(TLauncher& launcher, const QString& folder)
{
    return launcher.OpenUrl(QUrl::fromLocalFile(folder));
}

}  // namespace valbrix::platform
