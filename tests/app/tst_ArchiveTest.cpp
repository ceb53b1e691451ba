// "Archiv testen" and the "Abbrechen" beside the progress bar, in the real
// main window offscreen, with scripted message boxes: one summary for every
// failure, marked rows only, and a stop in the middle of a test and of an
// extraction that leaves no partial file.
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "MessageBoxScript.h"
#include "WorkflowFixture.h"
#include "app/list/ZipListModel.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

QString WriteTestArchive(const TempDir& dir)
{
    CraftedZip zip;
    zip.Add(StoredEntry("docs/", {}));
    zip.Add(StoredEntry("docs/good.txt", Bytes(100, 'g')));
    for (const char* name : {"bad1.txt", "docs/bad2.txt"}) {
        CraftedEntry bad = StoredEntry(name, Bytes(100, 'b'));
        bad.Crc32 ^= 0x1234;  // data that no longer matches its checksum
        zip.Add(bad);
    }
    WriteFile(dir / "t.zip", zip.Build());
    return QString::fromStdString((dir / "t.zip").string());
}

// Entries large enough that the run dispatches events within each.
QString WriteLargeArchive(const TempDir& dir)
{
    CraftedZip zip;
    for (int i = 0; i < 4; ++i)
        zip.Add(StoredEntry("big" + std::to_string(i) + ".bin", Bytes(16 << 20, char('a' + i))));
    WriteFile(dir / "large.zip", zip.Build());
    return QString::fromStdString((dir / "large.zip").string());
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
    // without its reason, folder entries counted, unmarked rows tested while
    // some are marked, a part of the archive passed off as all of it ("1
    // Datei(en) geprüft" of 3), a test that writes anything, and a progress
    // bar or "Abbrechen" still showing under the summary.
    void oneSummaryForEveryFailure()
    {
        TMain w;
        w.SetCommandLine({});
        w.show();
        QVERIFY(w.OpenArchive(WriteTestArchive(*FDir)));
        TMessageBoxScript boxes(w.Seams().Boxes);
        boxes.OnAsk = [&w](const TMessageBoxRequest&) {
            QVERIFY(w.findChildren<QProgressBar*>().isEmpty());
            QVERIFY(!w.CancelRunBtn);
        };
        w.Keineauswhlen1Click();  // nothing marked: every row is tested
        boxes.Answer(idOK);
        boxes.Answer(idOK);
        w.Archivtesten1->trigger();
        QCOMPARE(boxes.Asked.size(), 1);
        QCOMPARE(boxes.Asked[0].Text, QString("Es wurden 3 Datei(en) geprüft, davon 2 fehlerhaft (Liste unten)."));
        const QStringList details = boxes.Asked[0].Details.split('\n');
        QCOMPARE(details.size(), 2);
        for (const QString& line : details)
            QVERIFY2(line.contains("bad") && line.contains("Prüfsumme (CRC)"), qPrintable(line));

        w.LV->selectionModel()->clearSelection();
        for (int row = 0; row < w.Model->rowCount(); ++row)
            if (w.Model->CellText(row, lcName) == "good.txt")
                w.LV->selectionModel()->select(w.Model->index(row, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
        w.Archivtesten1->trigger();
        QCOMPARE(boxes.Asked.size(), 2);
        QCOMPARE(boxes.Asked[1].Text, QString("Es wurden 1 von 3 Datei(en) geprüft, alle ohne Fehler."));
        QVERIFY(!fs::exists(FDir->Path() / "docs"));  // a test writes nothing
    }

    // Catches an "Abbrechen" that does not stop a test or an extraction,
    // a stop that leaves a partial file, and a summary that hides the stop,
    // does not say how far the test got, or miscounts the files that stand
    // whole.
    void cancelStopsTheRun()
    {
        TMain w;
        w.SetCommandLine({});
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));  // Escape is a shortcut of the active window
        QVERIFY(w.OpenArchive(WriteLargeArchive(*FDir)));
        TMessageBoxScript boxes(w.Seams().Boxes);
        boxes.Answer(idOK);
        QTimer::singleShot(0, &w, [&w] {
            QVERIFY(w.CancelRunBtn);
            w.CancelRunBtn->click();
        });
        w.Archivtesten1->trigger();
        QCOMPARE(boxes.Asked.size(), 1);
        // How far it got: a stop in the first entry has tested none of the four.
        QVERIFY2(boxes.Asked[0].Text.contains(QRegularExpression("\nDie Prüfung wurde nach [0-4] von 4 Datei\\(en\\) abgebrochen\\.$")),
                 qPrintable(boxes.Asked[0].Text));
        QVERIFY(!w.CancelRunBtn);  // gone with the bar

        const fs::path out = FDir->Path() / "out";
        fs::create_directories(out);
        DialogScript dialog(QString::fromStdString(out.string()));
        dialog.Install(w);
        boxes.Answer(idNo);  // the summary's offer to open the folder
        QTimer::singleShot(0, &w, [&w] {
            QVERIFY(w.CancelRunBtn);
            QTest::keyClick(&w, Qt::Key_Escape);
        });
        w.UnzipBtnClick();
        QCOMPARE(boxes.Asked.size(), 2);
        QVERIFY2(boxes.Asked[1].Text.contains("Das Entpacken wurde abgebrochen."), qPrintable(boxes.Asked[1].Text));
        // Whatever was written is whole and counted; on a busy machine the
        // workers may have finished every entry before the key arrived.
        const std::vector<std::string> written = Tree(out);
        for (const std::string& name : written)
            QCOMPARE(fs::file_size(out / name), uintmax_t(16 << 20));
        QVERIFY2(boxes.Asked[1].Text.startsWith(QString("Es wurden %1 Datei(en) extrahiert").arg(written.size())),
                 qPrintable(boxes.Asked[1].Text));
    }

private:
    std::unique_ptr<TempDir> FDir;
};

QTEST_MAIN(TestArchiveTest)
#include "tst_ArchiveTest.moc"
