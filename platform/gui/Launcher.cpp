// The desktop's launcher: QDesktopServices for addresses, posix_spawn for
// programs, the freedesktop opener (xdg-open) for local files and folders,
// watched to its exit, since only that tells that no program was found.
#include "Launcher.h"

#include <QDesktopServices>
#include <QFile>
#include <QPointer>
#include <QProcess>
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
    bool OpenLocal(const QString& path, QObject* context, std::function<void()> noProgram) override
    {
        const std::string opener = FindOnPath("xdg-open");
        if (opener.empty())
            return TLauncher::OpenLocal(path, context, std::move(noProgram));
        // Not owned by any window: the opener may run as long as the program
        // it starts, and deleting a running QProcess would kill it.
        auto* process = new QProcess;
        process->setProgram(QFile::decodeName(QByteArray::fromStdString(opener)));
        process->setArguments({path});
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());  // its complaint is told in a box instead
        QObject::connect(process, &QProcess::finished, process,
                         [process, receiver = QPointer<QObject>(context), tell = std::move(noProgram)](
                             int exitCode, QProcess::ExitStatus status) {
                             process->deleteLater();
                             if (status == QProcess::NormalExit && MeansNoProgram(exitCode) && receiver && tell)
                                 tell();
                         });
        QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                process->deleteLater();
        });
        process->start();
        return process->waitForStarted(2000);
    }
};

}  // namespace

TLauncher& DesktopLauncher()
{
    static TDesktopLauncher launcher;
    return launcher;
}

bool TLauncher::OpenLocal(const QString& path, QObject* /*context*/, std::function<void()> /*noProgram*/)
{
    return OpenUrl(QUrl::fromLocalFile(path));
}

bool ExploreFolder(TLauncher& launcher, const QString& folder)
{
    return launcher.OpenUrl(QUrl::fromLocalFile(folder));
}

bool MeansNoProgram(int openerExitCode)
{
    // 3: "a required tool could not be found" (the generic opener's "no
    // method available"); 4: "the action failed", which desktop openers
    // answer when no application is registered for the type.
    return openerExitCode == 3 || openerExitCode == 4;
}

}  // namespace valbrix::platform
