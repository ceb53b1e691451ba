// "Archiv testen" without a main window: the test command over the tester,
// with scripted message boxes and a recording view: one summary for every
// failure, a part of the archive told as a part, and a stop in the middle
// of a test and of an extraction that leaves no partial file.
#include <algorithm>

#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "RunHarness.h"
#include "WorkflowFixture.h"
#include "app/workflows/TestCommand.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

// The file entries (the rows a window would show) whose names contain `part`.
TTableEntries FileEntries(const TRunBench& run, const std::string& part = "")
{
    TTableEntries entries{run.Listing.Table, {}};
    for (uint32_t i = 0; i < run.Listing.Table->Size(); ++i) {
        const std::string_view name = run.Listing.Table->Name(i);
        if (!name.ends_with('/') && name.find(part) != std::string_view::npos)
            entries.Indices.push_back(i);
    }
    return entries;
}

// "Abbrechen" as soon as the run dispatches its first events.
void CancelOnceRunning(TRecordingView& view)
{
    view.AtStart = [&view] { QTimer::singleShot(0, [&view] { view.Cancel(); }); };
}

}  // namespace

class TestArchiveTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        FDir = std::make_unique<TempDir>();
        qputenv("XDG_CONFIG_HOME", (FDir->Path() / "config").string().c_str());
    }
    void cleanup() { FDir.reset(); }

    // Catches a box per failed entry, a failure missing from the summary or
    // without its reason, folder entries counted, a part of the archive
    // passed off as all of it ("1 Datei(en) geprüft" of 3), a test that
    // writes anything, and a bar still showing under the summary.
    void oneSummaryForEveryFailure_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<int>("failures");
        QTest::newRow("every file") << "" << "Es wurden 3 Datei(en) geprüft, davon 2 fehlerhaft (Liste unten)." << 2;
        QTest::newRow("one of three") << "good" << "Es wurden 1 von 3 Datei(en) geprüft, alle ohne Fehler." << 0;
    }
    void oneSummaryForEveryFailure()
    {
        QFETCH(QString, part);
        QFETCH(QString, summary);
        QFETCH(int, failures);
        TRunBench run;
        QVERIFY(run.Open(WriteTestArchive(*FDir)));
        run.Boxes.OnAsk = [&run](const TMessageBoxRequest&) { QVERIFY(!run.View.Running); };
        run.Boxes.Answer(idOK);
        const TTableEntries entries = FileEntries(run, part.toStdString());
        RunTestCommand(run.Tester, run.Seams, run.Session.Archive(), entries, int(FileEntries(run).size()), run.View);
        QCOMPARE(run.Boxes.Asked.size(), 1);
        QCOMPARE(run.Boxes.Asked[0].Text, summary);
        const QStringList details = run.Boxes.Asked[0].Details.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(details.size(), failures);
        for (const QString& line : details)
            QVERIFY2(line.contains("bad") && line.contains("Prüfsumme (CRC)"), qPrintable(line));
        QCOMPARE(Tree(FDir->Path()), (std::vector<std::string>{"t.zip"}));  // a test writes nothing
    }

    // The run decodes in the archive's order; the summary keeps the list's.
    // Catches failures listed in the order decoded, and a failure put at
    // another entry's place in the list.
    void failuresInListOrder_data()
    {
        QTest::addColumn<bool>("reversed");
        QTest::newRow("list as the archive") << false;
        QTest::newRow("list against the archive") << true;
    }
    void failuresInListOrder()
    {
        QFETCH(bool, reversed);
        TRunBench run;
        QVERIFY(run.Open(WriteTestArchive(*FDir)));
        run.Boxes.Answer(idOK);
        TTableEntries entries = FileEntries(run);
        if (reversed)
            std::reverse(entries.Indices.begin(), entries.Indices.end());
        RunTestCommand(run.Tester, run.Seams, run.Session.Archive(), entries, int(entries.size()), run.View);
        QCOMPARE(run.Boxes.Asked.size(), 1);
        const QStringList details = run.Boxes.Asked[0].Details.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(details.size(), 2);
        QVERIFY2(details[reversed ? 0 : 1].startsWith("docs/bad2.txt: "), qPrintable(details.join('|')));
        QVERIFY2(details[reversed ? 1 : 0].startsWith("bad1.txt: "), qPrintable(details.join('|')));
    }

    // Catches an "Abbrechen" that does not stop a test or an extraction,
    // a stop that leaves a partial file, and a summary that hides the stop,
    // does not say how far the test got, or miscounts the files that stand
    // whole.
    void cancelStopsTheRun()
    {
        TRunBench run;
        QVERIFY(run.Open(WriteLargeArchive(*FDir)));
        CancelOnceRunning(run.View);
        run.Boxes.Answer(idOK);
        RunTestCommand(run.Tester, run.Seams, run.Session.Archive(), FileEntries(run), 4, run.View);
        QCOMPARE(run.Boxes.Asked.size(), 1);
        // How far it got: a stop in the first entry has tested none of the four.
        QVERIFY2(run.Boxes.Asked[0].Text.contains(
                     QRegularExpression("\nDie Prüfung wurde nach [0-4] von 4 Datei\\(en\\) abgebrochen\\.$")),
                 qPrintable(run.Boxes.Asked[0].Text));
        QVERIFY(!run.View.Running);  // gone with the bar

        const fs::path out = FDir->Path() / "out";
        fs::create_directories(out);
        run.Boxes.Answer(idNo);  // the end's offer
        run.Extract(Q(out));
        QCOMPARE(run.Boxes.Asked.size(), 2);
        QVERIFY2(run.Boxes.Asked[1].Text.contains("Das Entpacken wurde abgebrochen."), qPrintable(run.Boxes.Asked[1].Text));
        // Whatever was written is whole and counted; on a busy machine the
        // workers may have finished every entry before the stop arrived.
        const std::vector<std::string> written = Tree(out);
        for (const std::string& name : written)
            QCOMPARE(fs::file_size(out / name), uintmax_t(16 << 20));
        QVERIFY2(run.Boxes.Asked[1].Text.startsWith(QString("Es wurden %1 Datei(en) extrahiert").arg(written.size())),
                 qPrintable(run.Boxes.Asked[1].Text));
    }

private:
    std::unique_ptr<TempDir> FDir;
};

QTEST_MAIN(TestArchiveTest)
#include "tst_ArchiveTest.moc"
