// Extraction without the main window, as the file manager starts it: where
// "Hier entpacken" puts the entries, what the batch says and returns, and
// the extraction command's own ends, driven through a scripted view.
#include <QTest>

#include "MessageBoxScript.h"
#include "RunHarness.h"
#include "WorkflowFixture.h"
#include "app/batch/BatchExtract.h"
#include "app/batch/ExtractHere.h"
#include "app/workflows/ArchiveSession.h"
#include "app/workflows/ExtractCommand.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

TEntryTable TableOf(const QStringList& names)
{
    TEntryTable table;
    for (const QString& name : names) {
        TZipEntry entry;
        entry.FileName = name.toStdString();
        table.Append(entry);
    }
    return table;
}

}  // namespace

class TestBatchExtract : public QObject {
    Q_OBJECT

private slots:
    void init() { FDir = std::make_unique<TempDir>(); }
    void cleanup() { FDir.reset(); }

    void extractHereFolder_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("expected");
        // Catches a second "a/a/" level for an archive that holds its own folder.
        QTest::newRow("one top folder") << QStringList{"a/", "a/x.txt", "a/b/y.txt"} << QStringList{} << "/d";
        QTest::newRow("one file") << QStringList{"x.txt"} << QStringList{} << "/d";
        // Catches top-level files spilled among the archive's neighbours.
        QTest::newRow("files at the top") << QStringList{"x.txt", "y.txt"} << QStringList{} << "/d/pack";
        QTest::newRow("a file beside the folder") << QStringList{"a/x.txt", "y.txt"} << QStringList{} << "/d/pack";
        QTest::newRow("two top folders") << QStringList{"a/x", "b/y"} << QStringList{} << "/d/pack";
        // Catches "ab/" taken for the same folder as "a/".
        QTest::newRow("prefix is no folder") << QStringList{"a/x", "ab/y"} << QStringList{} << "/d/pack";
        // Catches an existing folder filled or replaced instead of a new one.
        QTest::newRow("name taken") << QStringList{"x", "y"} << QStringList{"/d/pack"} << "/d/pack (2)";
        QTest::newRow("two names taken") << QStringList{"x", "y"} << QStringList{"/d/pack", "/d/pack (2)"}
                                         << "/d/pack (3)";
    }
    void extractHereFolder()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        const TEntryTable table = TableOf(names);
        QCOMPARE(ExtractHereFolder("/d/pack.zip", table, [&](const QString& path) { return taken.contains(path); }),
                 expected);
    }

    // Catches a batch that asks, summarises a clean run, writes beside the
    // archive what belongs in its own folder, or misses the exit status.
    void batchRuns_data()
    {
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("boxes");
        QTest::newRow("clean run, no box") << true << "pack/a.txt,pack/b/c.txt" << BatchOk << 0;
        QTest::newRow("no archive: one box, status 2") << false << "" << BatchCannotOpen << 1;
    }
    void batchRuns()
    {
        QFETCH(bool, valid);
        QFETCH(QString, tree);
        QFETCH(int, status);
        QFETCH(int, boxes);
        const fs::path in = FDir->Path() / "in";
        fs::create_directories(in);
        TempDir scratch;
        QString archive;
        if (valid) {
            archive = WriteContentArchive(scratch, "pack.zip", {{"a.txt", "A"}, {"b/c.txt", "C"}});
        } else {
            WriteFile(scratch / "pack.zip", Bytes{'n', 'o'});
            archive = Q(scratch / "pack.zip");
        }
        fs::copy_file(archive.toStdString(), in / "pack.zip");
        TBatchExtract batch;
        TMessageBoxScript script(batch.Seams().Boxes);
        for (int i = 0; i < boxes; ++i)
            script.Answer(idOK);
        QCOMPARE(batch.Run({btHere, {}, {Q(in / "pack.zip")}}), status);
        QCOMPARE(script.Asked.size(), boxes);
        std::vector<std::string> expected{"pack.zip"};
        for (const QString& item : tree.split(',', Qt::SkipEmptyParts)) {
            const QString folder = item.section('/', 0, -2);
            for (QString part = folder; !part.isEmpty(); part = part.section('/', 0, -2))
                expected.push_back(part.toStdString() + "/");
            expected.push_back(item.toStdString());
        }
        std::sort(expected.begin(), expected.end());
        expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
        QCOMPARE(Tree(in), expected);
    }

    // Catches a failed entry reported as success: one box, status 1.
    void failedEntryTold()
    {
        CraftedZip zip;
        CraftedEntry bad = StoredEntry("x/bad.txt", Bytes{'b', 'a', 'd'});
        bad.Crc32 ^= 1;
        bad.LocalCrc32 = bad.Crc32;
        zip.Add(bad);
        zip.Add(StoredEntry("x/good.txt", Bytes{'o', 'k'}));
        WriteFile(FDir->Path() / "p.zip", zip.Build());
        TBatchExtract batch;
        TMessageBoxScript script(batch.Seams().Boxes);
        script.Answer(idOK);  // the run's failure question: go on
        script.Answer(idOK);  // the summary
        const int status = batch.Run({btFolder, Q(FDir->Path() / "out"), {Q(FDir->Path() / "p.zip")}});
        QCOMPARE(status, BatchEntryFailed);
        QVERIFY(fs::exists(FDir->Path() / "out/x/good.txt"));
        QVERIFY(!fs::exists(FDir->Path() / "out/x/bad.txt"));
    }

    // Catches a target that passed the check but could not be opened by the
    // job ending as "0 files extracted" without a cause.
    void targetGoneAfterCheck()
    {
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(*FDir, "p.zip", {{"a.txt", "A"}})));
        TMessageBoxScript& script = run.Boxes;
        script.Answer(idOK);
        const fs::path target = FDir->Path() / "out";
        TRecordingView& view = run.View;
        view.AtStart = [&] { fs::remove(target); };
        QCOMPARE(run.Extract(Q(target), eoWithFolders).End, xeFolderRefused);
        QCOMPARE(script.Asked.size(), 1);
        QVERIFY(script.Asked[0].Text.startsWith("Fehler beim Festlegen des Ordners"));
        QVERIFY2(script.Asked[0].Text.contains("existiert nicht") || script.Asked[0].Text.contains("Systemfehler"),
                 qPrintable(script.Asked[0].Text));
        QVERIFY(!view.Running);  // the bar is gone before the box
    }

private:
    std::unique_ptr<TempDir> FDir;
};

QTEST_MAIN(TestBatchExtract)
#include "tst_BatchExtract.moc"
