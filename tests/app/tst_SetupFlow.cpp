// The setup flow without a main window: the setup command over the
// extractor, with scripted answers, a recording launcher and a recording
// view, in a private $TMPDIR: the offer declined, the setup program started
// from the top of the temporary folder and the whole tree removed
// afterwards, a missing Setup.exe, and names in another case.
#include <QTest>

#include <unistd.h>

#include "ConfigFolder.h"
#include "RunHarness.h"
#include "WorkflowFixture.h"
#include "app/workflows/SetupCommand.h"
#include "platform/PrivateFolders.h"
#include "platform/gui/ProcessStart.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

const QString Offer = "Es wurde Setup-Programm gefunden, möchten Sie die Installation der Software jetzt durchführen?";
const QString StartFailure = "Konnte Setup-Programm nicht öffnen!";

// Opens the archive as the window does and, when it carries a setup
// program, runs the setup command over every entry, as the window does.
bool RunSetup(TRunBench& run, const QString& archive)
{
    if (!run.Open(archive) || !run.Session.SetupFound())
        return false;
    TSetupCommand setup(run.Seams, run.Extractor);
    setup.Run(run.Session.Archive(), run.Session.SetupList(run.Listing), run.View);
    return true;
}

}  // namespace

class TestSetupFlow : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        qunsetenv("TMPDIR");  // the scratch folder itself is made under the usual one
        FDir = std::make_unique<TempDir>();
        fs::create_directories(FDir->Path() / "tmp");
        qputenv("TMPDIR", (FDir->Path() / "tmp").string().c_str());
        valbrix::test::UseConfigFolder(QString::fromStdString((FDir->Path() / "config").string()));
    }
    void cleanup() { FDir.reset(); }

    // Catches a "No" that still extracts or leaves a folder behind.
    void declined()
    {
        TRunBench run;
        run.Boxes.Answer(idNo);
        QVERIFY(RunSetup(run, WriteContentArchive(*FDir, "s.zip", {{"Setup.exe", "MZ"}})));
        QCOMPARE(run.Boxes.Asked.first().Text, Offer);
        QCOMPARE(run.Boxes.Asked.first().Caption, QString("Valbrix"));
        QVERIFY(run.Launcher.Started.empty());
        QCOMPARE(run.View.Started, 0);
        QVERIFY(Tree(FDir->Path() / "tmp").empty());
    }

    // Catches the setup program looked up with the case of the name, started
    // from somewhere other than the top of a private temporary folder or in
    // another working folder than the one that holds it (the last folder the
    // extraction entered, "data"), Valbrix itself left inside the deleted
    // temporary tree, files (subfolders too) left after OK, and a missing
    // Setup.exe (only in a subfolder, or only inside a longer name) not
    // reported or leaving files.
    void installRuns_data()
    {
        QTest::addColumn<QString>("setupName");
        QTest::addColumn<bool>("startable");
        QTest::newRow("Setup.exe at the top") << "Setup.exe" << true;
        QTest::newRow("upper case") << "SETUP.EXE" << true;
        QTest::newRow("only in a subfolder") << "install/setup.exe" << false;
        QTest::newRow("longer name") << "mysetup.exe" << false;
    }
    void installRuns()
    {
        QFETCH(QString, setupName);
        QFETCH(bool, startable);
        const fs::path startFolder = fs::current_path();
        TRunBench run;
        TMessageBoxScript& boxes = run.Boxes;
        TLauncherScript& launcher = run.Launcher;
        boxes.Answer(idYes);
        boxes.Answer(idOK);
        QVERIFY(RunSetup(run, WriteContentArchive(
            *FDir, "s.zip", {{"data/", ""}, {"data/lib.dll", "lib"}, {setupName.toStdString(), "MZ"}})));
        QVERIFY(run.View.Started > 0 && !run.View.Running);
        QCOMPARE(boxes.Asked.size(), 2);
        if (startable) {
            QCOMPARE(launcher.Started.size(), size_t(1));
            const fs::path started = launcher.Started[0][0];
            QCOMPARE(QString::fromStdString(started.filename().string()), setupName);
            const fs::path folder = started.parent_path();
            // Below this process's session folder, which the next start sweeps after a crash.
            QCOMPARE(folder.parent_path().parent_path(), FDir->Path() / "tmp");
            QVERIFY(folder.parent_path().filename().string().starts_with(platform::PrivateFolderPrefix()));
            QCOMPARE(launcher.StartedIn[0], folder.string());
            QCOMPARE(boxes.Asked[1].Caption, QString("Information"));
            QVERIFY(boxes.Asked[1].Text.startsWith("Klicken Sie nach erfolgreicher Installation"));
        } else {
            QVERIFY(launcher.Started.empty());
            QCOMPARE(boxes.Asked[1].Text, StartFailure);
        }
        QVERIFY(Tree(FDir->Path() / "tmp").empty());
        QCOMPARE(fs::current_path(), startFolder);
    }

    // Catches the real start ignoring the working folder (the program would
    // run wherever Valbrix happens to be), and a folder that cannot be
    // entered reported as a start.
    void realStartRunsInTheWorkingFolder()
    {
        const fs::path folder = FDir->Path() / "setup folder";
        fs::create_directories(folder);
        QVERIFY(platform::StartProcess({"/bin/sh", "-c", "pwd > here.txt"}, false, true, 2000, folder.string()));
        QTRY_VERIFY(fs::exists(folder / "here.txt") && fs::file_size(folder / "here.txt") > 0);
        QCOMPARE(ReadText(folder / "here.txt"), folder.string() + "\n");
        QVERIFY(!platform::StartProcess({"/bin/sh", "-c", "true"}, false, true, 2000, (folder / "missing").string()));
    }

    // Catches a file that cannot be removed stopping the clean-up, reported
    // more than once, or not at all.
    void undeletableFileReported()
    {
        // Made undeletable while the installer "runs": read-only folder for a
        // normal user, the immutable flag for root (who ignores permissions).
        // Where neither holds (no chattr, a file system without the flag, a
        // privileged user), the report's answer is never scripted and the case
        // is skipped; the lock is always lifted, so no undeletable file stays.
        struct Locker : TLauncherScript {
            TMessageBoxScript* Boxes = nullptr;
            fs::path Locked;
            bool IsLocked = false;
            ~Locker() override { Unlock(); }
            bool StartProgram(const std::vector<std::string>& argv, bool searchPath, bool waitForStart,
                              const std::string& workingFolder) override
            {
                Locked = fs::path(argv[0]).parent_path() / "data/lib.dll";
                IsLocked = Lock() && ResistsRemoval();
                if (IsLocked)
                    Boxes->Answer(idOK);  // the one report of the file left behind
                return TLauncherScript::StartProgram(argv, searchPath, waitForStart, workingFolder);
            }
            bool Lock() const
            {
                if (geteuid() == 0)
                    return RunCommand("chattr +i " + Quote(Locked.string()) + " 2>/dev/null").ExitCode == 0;
                std::error_code error;
                fs::permissions(Locked.parent_path(), fs::perms::owner_read | fs::perms::owner_exec, error);
                return !error;
            }
            // A rename needs the same rights as a removal but can be undone.
            bool ResistsRemoval() const
            {
                const fs::path probe = Locked.string() + ".probe";
                std::error_code error;
                fs::rename(Locked, probe, error);
                if (error)
                    return true;
                fs::rename(probe, Locked, error);
                return false;
            }
            void Unlock() const
            {
                if (Locked.empty())
                    return;
                if (geteuid() == 0 && fs::exists(Locked))
                    RunCommand("chattr -i " + Quote(Locked.string()) + " 2>/dev/null");
                std::error_code error;
                if (fs::exists(Locked.parent_path()))
                    fs::permissions(Locked.parent_path(), fs::perms::owner_all, error);
            }
        } launcher;
        TRunBench run;
        TMessageBoxScript& boxes = run.Boxes;
        run.Seams.Launcher = &launcher;
        launcher.Boxes = &boxes;
        boxes.Answer(idYes);
        boxes.Answer(idOK);
        const QString archive =
            WriteContentArchive(*FDir, "s.zip", {{"data/lib.dll", "lib"}, {"data/more.txt", "m"}, {"Setup.exe", "MZ"}});
        QVERIFY(RunSetup(run, archive));
        launcher.Unlock();
        if (!launcher.IsLocked)
            QSKIP("cannot make a file undeletable here (chattr +i or a read-only folder has no effect)");
        QCOMPARE(boxes.Asked.size(), 3);
        QCOMPARE(boxes.Asked[2].Text, "Konnte Datei " + QString::fromStdString(launcher.Locked.string()) +
                                          " nicht löschen. Sie müssen diese manuell löschen.");
        // The session folder, its folder, the subfolder, the one file.
        QCOMPARE(Tree(FDir->Path() / "tmp").size(), size_t(4));
    }

private:
    std::unique_ptr<TempDir> FDir;
};

QTEST_MAIN(TestSetupFlow)
#include "tst_SetupFlow.moc"
