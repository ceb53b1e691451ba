// The main window's side of its runs, offscreen, with a scripted dialog and
// scripted message boxes: the extraction dialog's prefill and the
// remembered folder, an INI file that cannot be written, the progress bar
// over the status panel with its "Abbrechen" and Escape, the marked rows a
// test takes, the commands locked and the question asked when the window
// closes during a run, and the setup offer on opening. What the runs do
// themselves is tested on the workflow classes without a window.
#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "ConfigFolder.h"
#include "LauncherScript.h"
#include "MessageBoxScript.h"
#include "WorkflowFixture.h"
#include "app/list/ZipListModel.h"
#include "app/texts/ExtractTexts.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

class TestWindowRuns : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void init()
    {
        FDir = std::make_unique<TempDir>();
        valbrix::test::UseConfigFolder(Q(FDir->Path() / "config"));
    }
    void cleanup() { FDir.reset(); }

    // Catches a cancelled dialog that writes files or the remembered folder,
    // a dialog not prefilled with the archive's folder at first and the last
    // folder later (also after a restart), check boxes that remember their
    // last state, and a refused folder not remembered.
    void cancelAndRememberedFolder()
    {
        const QString archive = WriteContentArchive(*FDir, "a.zip", {{"top.txt", "top"}});
        const fs::path out = FDir->Path() / "out";
        {
            TMain w;
            QVERIFY(w.OpenArchive(archive));
            DialogScript dialog(Q(out), true, true, false);
            dialog.Install(w);
            TMessageBoxScript boxes(w.Seams().Boxes);
            w.UnzipBtnClick();
            QCOMPARE(dialog.ShownFolder, Q(FDir->Path()));
            QVERIFY(!fs::exists(out));
            QCOMPARE(w.ReadLastFolder(), QString());

            dialog.Accept = true;
            dialog.WithFolders = dialog.Overwrite = false;
            boxes.Answer(idNo);
            w.UnzipBtnClick();
            QVERIFY(fs::exists(out / "top.txt"));
            dialog.Accept = false;
            w.UnzipBtnClick();
            QCOMPARE(dialog.ShownFolder, Q(out));
            QVERIFY(dialog.ShownWithFolders && dialog.ShownOverwrite);

            // A folder the check refuses is remembered all the same.
            dialog.Folder = "relative";
            dialog.Accept = true;
            boxes.Answer(idOK);
            w.UnzipBtnClick();
            QCOMPARE(w.ReadLastFolder(), QString("relative"));
            dialog.Folder = Q(out);
            dialog.Overwrite = true;
            boxes.Answer(idNo);  // summary
            w.UnzipBtnClick();
        }
        TMain restarted;
        QVERIFY(restarted.OpenArchive(archive));
        DialogScript dialog(QString(), true, true, false);
        dialog.Install(restarted);
        restarted.UnzipBtnClick();
        QCOMPARE(dialog.ShownFolder, Q(out));
    }

    // Catches an INI file that cannot be written giving a message at every
    // access (or the meaningless "Bitte Dateiname angeben."), a message that
    // names neither the file nor the cause, and an extraction that stops
    // because its folder could not be remembered.
    void iniFileNotWritableToldOnce()
    {
        const QString archive = WriteContentArchive(*FDir, "a.zip", {{"top.txt", "top"}});
        fs::create_directories(FDir->Path() / "config/valbrix/valbrix.ini");  // a folder where the file belongs
        TMain w;
        QVERIFY(w.OpenArchive(archive));
        const fs::path out = FDir->Path() / "out";
        DialogScript dialog(Q(out));
        dialog.Install(w);
        TMessageBoxScript boxes(w.Seams().Boxes);
        boxes.Answer(idOK);  // the INI file's one message
        boxes.Answer(idNo);  // summary
        boxes.Answer(idNo);  // summary of the second run
        w.UnzipBtnClick();
        w.UnzipBtnClick();
        QVERIFY(fs::exists(out / "top.txt"));
        QCOMPARE(boxes.Asked.size(), 3);
        const QString text = boxes.Asked.first().Text;
        QVERIFY2(text.contains(Q(FDir->Path() / "config/valbrix/valbrix.ini")), qPrintable(text));
        QVERIFY2(text.contains("steht ein Ordner"), qPrintable(text));
        for (const TMessageBoxRequest& asked : boxes.Asked)
            QVERIFY(!asked.Text.contains("Bitte Dateiname angeben."));
    }

    // Catches a progress bar with a gap beside its "Abbrechen" through which
    // the status text shows, a bar or button still there under the offer to
    // take back, and the window left busy after the take-back.
    void runBarCoversTheStatusPanel()
    {
        CraftedZip zip;
        zip.Add(StoredEntry("a/one.txt", Bytes(10, 'a')));
        CraftedEntry bad = StoredEntry("bad.txt", Bytes(10, 'b'));
        bad.Crc32 ^= 1;  // its failure box stops the run
        zip.Add(bad);
        zip.Add(StoredEntry("c.txt", Bytes(10, 'c')));
        WriteFile(FDir->Path() / "a.zip", zip.Build());
        const fs::path target = FDir->Path() / "new";
        TMain w;
        w.SetCommandLine({});
        w.show();
        QVERIFY(w.OpenArchive(Q(FDir->Path() / "a.zip")));
        DialogScript dialog(Q(target));
        dialog.Install(w);
        TMessageBoxScript boxes(w.Seams().Boxes);
        boxes.OnAsk = [&w, &boxes](const TMessageBoxRequest&) {
            auto* bar = w.findChild<QProgressBar*>();
            if (boxes.Asked.size() > 1) {
                QVERIFY(!bar && !w.CancelRunBtn);  // the run is over
                return;
            }
            QVERIFY(bar && w.CancelRunBtn);
            const QRect panel(w.StatusPanel0->mapTo(w.statusBar(), QPoint(0, 0)), w.StatusPanel0->size());
            QVERIFY(bar->geometry().left() <= panel.left());
            QCOMPARE(bar->geometry().right() + 1, w.CancelRunBtn->geometry().left());
            QVERIFY(w.CancelRunBtn->geometry().right() >= panel.right());
        };
        boxes.Answer(idCancel);  // bad.txt's failure box
        boxes.Answer(idYes);     // take it back
        w.UnzipBtnClick();
        QCOMPARE(boxes.Asked.size(), 2);
        QCOMPARE(boxes.Asked[1].Caption, QString("Entpacken abgebrochen"));
        QVERIFY(!w.Extracting());
    }

    // Catches commands that could clear the list or start a second
    // extraction while one runs, closing meanwhile without asking, a "Ja"
    // that leaves a partial file, shows the summary or crashes, and a "Nein"
    // that stops the run or closes the window all the same.
    void closeDuringExtraction_data()
    {
        QTest::addColumn<int>("closeAnswer");
        QTest::newRow("Ja: stop and close") << int(idYes);
        QTest::newRow("Nein: go on") << int(idNo);
    }
    void closeDuringExtraction()
    {
        QFETCH(int, closeAnswer);
        TMain w;
        w.show();
        QVERIFY(w.OpenArchive(WriteContentArchive(*FDir, "a.zip", {{"a.txt", "new a"}, {"b.txt", "new b"}})));
        const fs::path out = FDir->Path() / "out";
        fs::create_directories(out);
        WriteFile(out / "a.txt", std::string("old a"));
        DialogScript dialog(Q(out), true, false);
        dialog.Install(w);
        // Asked while the loop runs: look at the commands, then close the window.
        struct Closer : TMessageBoxPresenter {
            TMain* Window;
            int CloseAnswer;
            QList<bool> Enabled;
            QStringList Asked;
            int Present(const TMessageBoxRequest& request) override
            {
                Asked << request.Text;
                if (request.Text == "Das Entpacken läuft noch. Abbrechen und Valbrix beenden?")
                    return CloseAnswer;
                if (request.Caption != "Datei vorhanden")
                    return idNo;
                Enabled = {Window->ffnen1->isEnabled(), Window->OpenBtn->isEnabled(), Window->Schlieen1->isEnabled(),
                           Window->UnzipBtn->isEnabled(), Window->ZipArchiventpacken1->isEnabled()};
                Window->close();
                return idYes;
            }
        } closer;
        closer.Window = &w;
        w.Seams().Boxes = &closer;
        closer.CloseAnswer = closeAnswer;
        w.UnzipBtnClick();
        QCOMPARE(closer.Enabled, QList<bool>(5, false));
        QCOMPARE(closer.Asked[1], QString("Das Entpacken läuft noch. Abbrechen und Valbrix beenden?"));
        QVERIFY(w.isVisible());  // deferred, not closed under the loop
        if (closeAnswer == idYes) {
            QCOMPARE(closer.Asked.size(), 2);  // no summary
            QTRY_VERIFY(!w.isVisible());
            QCOMPARE(ReadText(out / "a.txt"), std::string("old a"));
            // No temporary or partial file left; b.txt, which needed no
            // question, may have been written whole by a worker meanwhile.
            const std::vector<std::string> left = Tree(out);
            QVERIFY(left == std::vector<std::string>{"a.txt"} ||
                    (left == std::vector<std::string>{"a.txt", "b.txt"} && ReadText(out / "b.txt") == "new b"));
        } else {
            QCOMPARE(closer.Asked.size(), 3);
            QCOMPARE(closer.Asked[2], SummaryText(2));
            QCOMPARE(ReadText(out / "b.txt"), std::string("new b"));
            QTest::qWait(20);
            QVERIFY(w.isVisible());
        }
    }

    // Catches unmarked rows tested while some are marked, no row tested
    // when none is marked, and a progress bar or "Abbrechen" still showing
    // under the summary.
    void testTakesTheMarkedRows()
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

        w.LV->selectionModel()->clearSelection();
        for (int row = 0; row < w.Model->rowCount(); ++row)
            if (w.Model->CellText(row, lcName) == "good.txt")
                w.LV->selectionModel()->select(w.Model->index(row, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
        w.Archivtesten1->trigger();
        QCOMPARE(boxes.Asked.size(), 2);
        QCOMPARE(boxes.Asked[1].Text, QString("Es wurden 1 von 3 Datei(en) geprüft, alle ohne Fehler."));
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

    // Catches an archive with a setup program opened without the offer, and
    // a declined offer that leaves the list empty.
    void setupOfferedOnOpening()
    {
        qputenv("TMPDIR", FDir->Path().c_str());
        TMain w;
        TMessageBoxScript boxes(w.Seams().Boxes);
        TLauncherScript launcher(w.Seams().Launcher);
        boxes.Answer(idNo);
        QVERIFY(w.OpenArchive(WriteContentArchive(*FDir, "s.zip", {{"Setup.exe", "MZ"}})));
        qunsetenv("TMPDIR");
        QCOMPARE(boxes.Asked.size(), 1);
        QVERIFY(boxes.Asked.first().Text.startsWith("Es wurde Setup-Programm gefunden"));
        QVERIFY(launcher.Started.empty());
        QCOMPARE(w.Model->rowCount(), 1);
    }

private:
    std::unique_ptr<TempDir> FDir;
};

QTEST_MAIN(TestWindowRuns)
#include "tst_WindowRuns.moc"
