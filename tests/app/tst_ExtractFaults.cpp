// The extraction command meeting real faults, without a main window: a disk that fills up in the
// middle of an entry, a read-only file system, the target folder removed
// while the run goes on, the archive cut short or replaced on disk after it
// was listed, and the program killed in the middle of a large entry. Each
// time every failure is worded in German, no existing file is lost and
// nothing partial or temporary is left in the target folder.
#include <QApplication>
#include <QProcess>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "ConfigFolder.h"
#include "RunHarness.h"
#include "WorkflowFixture.h"
#include "app/texts/ExtractTexts.h"
#include "app/dialogs/MessageBox.h"
#include "engine/ResultCodes.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

int Run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str());
}

// A small tmpfs over a folder, unmounted on every way out.
struct TSmallDisk {
    std::string Point;
    bool Mount(const fs::path& folder, const char* size)
    {
        fs::create_directories(folder);
        if (Run("mount -t tmpfs -o size=" + std::string(size) + " tmpfs '" + folder.string() + "'") != 0)
            return false;
        Point = folder.string();
        return true;
    }
    ~TSmallDisk()
    {
        if (!Point.empty())
            Run("umount -l '" + Point + "'");
    }
};

// Answers every box as a user who wants to go on would: "Ja" to the replace
// question, "OK" to a failure (the run goes on), "Nein" to opening the folder
// at the end; a hook may act on the file system before a box is answered.
class TGoingOnPresenter : public TMessageBoxPresenter {
public:
    explicit TGoingOnPresenter(TMessageBoxPresenter*& seam) { seam = this; }
    int Present(const TMessageBoxRequest& request) override
    {
        Asked.append(request);
        if (BeforeAnswer)
            BeforeAnswer(request);
        if (request.Caption == QStringLiteral("Datei vorhanden"))
            return idYes;
        if (!request.CheckBoxText.isEmpty())
            return FailureAnswer;
        return idNo;
    }
    // The failure boxes' texts, in order.
    QStringList Failures() const
    {
        QStringList texts;
        for (const TMessageBoxRequest& request : Asked)
            if (!request.CheckBoxText.isEmpty())
                texts << request.Text;
        return texts;
    }
    QList<TMessageBoxRequest> Asked;
    std::function<void(const TMessageBoxRequest&)> BeforeAnswer;
    int FailureAnswer = idOK;

private:
};

// A failure box's second line is its German cause; none may be empty or
// the generic "unknown" text.
bool HasGermanCause(const QString& text)
{
    const QStringList lines = text.split('\n');
    return lines.size() >= 2 && lines[0].startsWith(QStringLiteral("Fehler beim Auspacken nach ")) &&
           !lines.last().trimmed().isEmpty();
}

// Waits until the process has a file open in `folder` with more than a
// megabyte written to it: the entry is being written. False after a minute.
bool WaitForOutputInProgress(qint64 pid, const fs::path& folder)
{
    const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (int round = 0; round < 30000; ++round) {
        std::error_code error;
        for (const auto& item : fs::directory_iterator(fds, error)) {
            const fs::path target = fs::read_symlink(item.path(), error);
            if (error || target.string().rfind(folder.string() + "/", 0) != 0)
                continue;
            const QStringList info = QString::fromStdString(
                ReadText(fs::path("/proc/" + std::to_string(pid) + "/fdinfo") / item.path().filename())).split('\n');
            if (!info.isEmpty() && info.first().startsWith("pos:") && info.first().mid(4).trimmed().toLongLong() > (1 << 20))
                return true;
        }
        usleep(2000);
    }
    return false;
}

// The child of the kill test: extracts the archive into the folder named in
// VALBRIX_KILLED_RUN ("archive\nfolder") with the extraction command, until killed.
int RunKilledChild(int argc, char** argv, const QString& job)
{
    QApplication application(argc, argv);
    const QStringList parts = job.split('\n');
    UseConfigFolder(parts[1] + QStringLiteral("/../config"));
    TRunBench run;
    if (!run.Open(parts[0]))
        return 2;
    TGoingOnPresenter boxes(run.Seams.Boxes);
    run.Extract(parts[1]);
    return 0;
}

}  // namespace

class TestExtractFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void init()
    {
        FStartFolder = fs::current_path();
        FDir = std::make_unique<TempDir>();
        UseConfigFolder(Q(FDir->Path() / "config"));
    }
    void cleanup()
    {
        fs::current_path(FStartFolder);  // the run enters the target folder
        FDir.reset();
    }

    // Catches a full disk told per entry instead of in one box for the run,
    // an entry written after the one that met it, and the existing file
    // lost to the entry that could not be written (or a partial file left).
    void diskFillsUpInTheMiddleOfAnEntry()
    {
        const fs::path out = FDir->Path() / "out";
        TSmallDisk disk;
        if (!disk.Mount(out, "1m"))
            QSKIP("cannot mount a file system here");
        WriteFile(out / "big.bin", std::string("old contents"));
        CraftedZip zip;
        zip.Add(StoredEntry("big.bin", RandomData(2 << 20, 3)));
        zip.Add(StoredEntry("small.txt", Bytes{'s', 'm', 'a', 'l', 'l'}));
        WriteFile(FDir->Path() / "a.zip", zip.Build());
        TRunBench run;
        QVERIFY(run.Open(Q(FDir->Path() / "a.zip")));
        TGoingOnPresenter boxes(run.Seams.Boxes);
        run.Extract(Q(out), eoWithFolders | eoOverwrite);
        QCOMPARE(boxes.Failures(), QStringList());
        QCOMPARE(boxes.Asked.size(), 1);  // the dialog's overwrite setting asks no replace question
        QCOMPARE(boxes.Asked.last().Text, DiskFullText(0, 2));
        QVERIFY(boxes.Asked.last().Text.startsWith(QStringLiteral("Auf dem Ziellaufwerk ist kein Platz mehr: ")));
        QCOMPARE(ReadText(out / "big.bin"), std::string("old contents"));
        QCOMPARE(Tree(out), std::vector<std::string>{"big.bin"});
    }

    // Catches a read-only file system met at the first entry instead of at
    // the folder check, or told as missing rights alone. (The permission
    // case of the folder check cannot fail for the administrator, who runs
    // CI here; a read-only mount refuses everyone.)
    void readOnlyFileSystem()
    {
        const fs::path out = FDir->Path() / "out";
        TSmallDisk disk;
        if (!disk.Mount(out, "1m"))
            QSKIP("cannot mount a file system here");
        WriteFile(out / "a.txt", std::string("old a"));
        QCOMPARE(Run("mount -o remount,ro '" + out.string() + "'"), 0);
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(*FDir, "a.zip", {{"a.txt", "new a"}, {"b.txt", "b"}})));
        TGoingOnPresenter boxes(run.Seams.Boxes);
        run.Extract(Q(out), eoWithFolders | eoOverwrite);
        QCOMPARE(boxes.Asked.size(), 1);
        QCOMPARE(boxes.Asked.first().Text, QStringLiteral("Fehler beim Festlegen des Ordners: ") + QuotedName(Q(out)) +
                                               QStringLiteral("\nKeine Schreibberechtigung im Zielordner. "
                                                              "Der Datenträger ist schreibgeschützt."));
        QCOMPARE(Tree(out), std::vector<std::string>{"a.txt"});
        QCOMPARE(ReadText(out / "a.txt"), std::string("old a"));
    }

    // Catches a run that crashes, makes the folder again somewhere, or
    // blames missing rights when its target folder is removed under it
    // (the run holds the folder, so what is removed stays removed), and a
    // file put in its place touched.
    void targetFolderRemovedDuringTheRun_data()
    {
        QTest::addColumn<bool>("fileInItsPlace");
        QTest::newRow("removed") << false;
        QTest::newRow("a file in its place") << true;
    }
    void targetFolderRemovedDuringTheRun()
    {
        QFETCH(bool, fileInItsPlace);
        const fs::path out = FDir->Path() / "out";
        fs::create_directories(out);
        WriteFile(out / "a.txt", std::string("old a"));
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(*FDir, "a.zip", {{"a.txt", "new a"}, {"b.txt", "b"}})));
        TGoingOnPresenter boxes(run.Seams.Boxes);
        // The replace question for a.txt comes after the folder check and
        // before a.txt is written: the folder goes there.
        boxes.BeforeAnswer = [&](const TMessageBoxRequest& request) {
            if (request.Caption != QStringLiteral("Datei vorhanden"))
                return;
            // A worker may be writing b.txt meanwhile: the removal can meet a
            // file that appeared after its listing, so it repeats until the
            // folder is gone (no new file can appear in a removed folder).
            std::error_code ec;
            for (int attempt = 0; attempt < 1000 && fs::exists(out); ++attempt)
                fs::remove_all(out, ec);
            QVERIFY(!fs::exists(out));
            if (fileInItsPlace)
                WriteFile(out, std::string("not a folder"));
        };
        run.Extract(Q(out), eoWithFolders);
        // a.txt fails; b.txt too, unless a worker wrote it before the folder went.
        const QStringList failures = boxes.Failures();
        QVERIFY(!failures.isEmpty());
        QCOMPARE(failures.first(), ExtractFailureText(Q(out / "a.txt"), erOutput, ENOENT));
        for (const QString& text : failures)
            QVERIFY2(text.endsWith(QStringLiteral("\nDer Zielordner ist nicht mehr vorhanden.")), qPrintable(text));
        std::vector<std::string> left;
        for (const std::string& name : Tree(FDir->Path()))
            if (name.rfind("config/", 0) != 0)
                left.push_back(name);
        const std::vector<std::string> expected =
            fileInItsPlace ? std::vector<std::string>{"a.zip", "out"} : std::vector<std::string>{"a.zip"};
        QCOMPARE(left, expected);
        if (fileInItsPlace)
            QCOMPARE(ReadText(out), std::string("not a folder"));
    }

    // Catches an archive changed on disk after it was listed: a crash, a
    // failure without a German cause, a file left with contents the archive
    // does not hold (the old listing's sizes applied to new data), or a
    // partial file of an entry that ends early.
    void archiveChangedAfterListing_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<std::vector<std::string>>("written");  // each with the new archive's contents
        QTest::addColumn<int>("failures");
        QTest::newRow("cut short") << "cut short" << std::vector<std::string>{"a.txt"} << 2;
        QTest::newRow("replaced by another archive") << "replaced" << std::vector<std::string>{"a.txt"} << 2;
        QTest::newRow("replaced by noise") << "noise" << std::vector<std::string>{} << 3;
        // The run reads the archive it opened: removed, it is still there for it.
        QTest::newRow("removed") << "removed" << std::vector<std::string>{"a.txt", "b.bin", "c.txt"} << 0;
    }
    void archiveChangedAfterListing()
    {
        QFETCH(QString, change);
        QFETCH(std::vector<std::string>, written);
        QFETCH(int, failures);
        const fs::path out = FDir->Path() / "out";
        fs::create_directories(out);
        const fs::path archive = FDir->Path() / "a.zip";
        CraftedZip zip;
        zip.Add(StoredEntry("a.txt", Bytes{'a', 'a'}));
        zip.Add(StoredEntry("b.bin", RandomData(200000, 3)));
        zip.Add(StoredEntry("c.txt", Bytes{'c', 'c', 'c'}));
        WriteFile(archive, zip.Build());
        TRunBench run;
        QVERIFY(run.Open(Q(archive)));
        // What each name holds in the archive on disk when it is extracted.
        std::map<std::string, Bytes> now = {{"a.txt", {'a', 'a'}}, {"b.bin", RandomData(200000, 3)}, {"c.txt", {'c', 'c', 'c'}}};
        if (change == "cut short") {
            fs::resize_file(archive, 100000);
        } else if (change == "replaced") {
            // Other sizes at the same names: the listing's offsets and sizes no longer fit.
            now = {{"a.txt", {'A', 'A', 'A', 'A'}}, {"b.bin", RandomData(100000, 4)}, {"c.txt", {'C'}}};
            CraftedZip other;
            for (const auto& [name, bytes] : now)
                other.Add(StoredEntry(name, bytes));
            WriteFile(archive, other.Build());
        } else if (change == "noise") {
            WriteFile(archive, RandomData(fs::file_size(archive), 9));
        } else {
            fs::remove(archive);
        }
        TGoingOnPresenter boxes(run.Seams.Boxes);
        run.Extract(Q(out), eoWithFolders | eoOverwrite);
        const QStringList texts = boxes.Failures();
        QCOMPARE(texts.size(), failures);
        for (const QString& text : texts)
            QVERIFY2(HasGermanCause(text), qPrintable(text));
        QCOMPARE(Tree(out), written);
        for (const std::string& name : written)
            QVERIFY2(ReadFile(out / name) == now[name], name.c_str());
    }

    // Catches a partial file or a temporary file left in the target folder
    // when the program is killed (SIGKILL: nothing of its own runs) while a
    // large entry is being written.
    void killedInTheMiddleOfALargeEntry()
    {
        if (!HaveTool("python3")) {
            if (RunningUnderCi())
                QFAIL("python3 is not installed (CI must run every case)");
            QSKIP("python3 is not installed; case skipped");
        }
        const fs::path out = FDir->Path() / "out";
        fs::create_directories(out);
        const fs::path archive = FDir->Path() / "big.zip";
        // 256 MB of zeros, deflated to a quarter megabyte: long to write, quick to make.
        QCOMPARE(Run("python3 -c \"import zipfile,sys\n"
                     "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                     "  with z.open('big.bin', 'w', force_zip64=True) as w:\n"
                     "    block = bytes(1 << 20)\n"
                     "    for _ in range(256): w.write(block)\n\" '" + archive.string() + "'"), 0);
        WriteFile(out / "kept.txt", std::string("kept"));

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VALBRIX_KILLED_RUN"), Q(archive) + QLatin1Char('\n') + Q(out));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        const bool midEntry = WaitForOutputInProgress(child.processId(), out);
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QVERIFY2(midEntry, "the child never had its output file open with data written");
        QCOMPARE(Tree(out), std::vector<std::string>{"kept.txt"});
        QCOMPARE(ReadText(out / "kept.txt"), std::string("kept"));
    }

private:
    fs::path FStartFolder;
    std::unique_ptr<TempDir> FDir;
};

int main(int argc, char** argv)
{
    if (const char* job = std::getenv("VALBRIX_KILLED_RUN"))
        return RunKilledChild(argc, argv, QString::fromLocal8Bit(job));
    QApplication application(argc, argv);
    QTEST_DISABLE_KEYPAD_NAVIGATION
    TestExtractFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_ExtractFaults.moc"
