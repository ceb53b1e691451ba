// The extraction command without a main window, driven through the workflow
// classes with scripted message boxes, a recording launcher and a recording
// view: where files land with and without folders, the replace question and
// its answers for the whole run, the checks of the target folder and their
// causes, refused and failed entries, the failure box that stops or
// collects, the causes of output failures, stopping and taking back, and
// progress within an entry; beside them the extraction dialog itself.
#include <algorithm>
#include <cerrno>

#include <QApplication>
#include <QCheckBox>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <unistd.h>

#include "ConfigFolder.h"
#include "FolderDialogScript.h"
#include "RunHarness.h"
#include "WorkflowFixture.h"
#include "app/dialogs/DirSelectUnit.h"
#include "app/dialogs/PasswordDialog.h"
#include "app/texts/ExtractTexts.h"
#include "app/workflows/RunQuestions.h"
#include "app/workflows/TargetFolder.h"
#include "controls/ToolEdit.h"
#include "engine/ResultCodes.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

const std::vector<Content> TwoFolders = {{"a/x.txt", "first x"}, {"b/x.txt", "second x"}, {"top.txt", "top"}};

// The options as the extraction dialog's two check boxes give them.
TExtractOptions Options(bool withFolders, bool overwrite)
{
    return TExtractOptions((withFolders ? eoWithFolders : 0) | (overwrite ? eoOverwrite : 0));
}

}  // namespace

class TestExtractWorkflow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        FStartFolder = fs::current_path();
    }
    void init()
    {
        FDir = std::make_unique<TempDir>();
        valbrix::test::UseConfigFolder(Q(FDir->Path() / "config"));
    }
    void cleanup()
    {
        fs::current_path(FStartFolder);  // some tests move it on purpose
        FDir.reset();
    }

    // Catches folders kept or dropped against the option, the second x.txt
    // not meeting the replace question without folders, a "No" that still
    // replaces, a wrong count in the summary, and "Yes" not opening the folder.
    void foldersAndReplaceQuestion_data()
    {
        QTest::addColumn<bool>("withFolders");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<int>("replaceAnswer");  // 0: no question expected
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QString>("xText");
        QTest::addColumn<int>("count");
        QTest::newRow("with folders") << true << false << 0 << QStringList{"a/", "a/x.txt", "b/", "b/x.txt", "top.txt"}
                                      << "" << 3;
        QTest::newRow("flat, overwrite") << false << true << 0 << QStringList{"top.txt", "x.txt"} << "second x" << 3;
        QTest::newRow("flat, answered No") << false << false << int(idNo) << QStringList{"top.txt", "x.txt"}
                                           << "first x" << 2;
        QTest::newRow("flat, answered Yes") << false << false << int(idYes) << QStringList{"top.txt", "x.txt"}
                                            << "second x" << 3;
    }
    void foldersAndReplaceQuestion()
    {
        QFETCH(bool, withFolders);
        QFETCH(bool, overwrite);
        QFETCH(int, replaceAnswer);
        QFETCH(QStringList, tree);
        QFETCH(QString, xText);
        QFETCH(int, count);
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(*FDir, "a.zip", TwoFolders)));
        const fs::path out = FDir->Path() / "out";
        TMessageBoxScript& boxes = run.Boxes;
        if (replaceAnswer)
            boxes.Answer(replaceAnswer);
        boxes.Answer(idYes);
        run.Extract(Q(out), Options(withFolders, overwrite));

        QStringList files;
        for (const std::string& name : Tree(out))
            files << QString::fromStdString(name);
        QCOMPARE(files, tree);
        if (!xText.isEmpty())
            QCOMPARE(QString::fromStdString(ReadText(out / "x.txt")), xText);
        QCOMPARE(boxes.Asked.size(), replaceAnswer ? 2 : 1);
        if (replaceAnswer) {
            QCOMPARE(boxes.Asked.first().Caption, QString("Datei vorhanden"));
            QVERIFY(boxes.Asked.first().Text.startsWith("Die Datei " + QuotedName(Q(out / "x.txt")) +
                                                        " existiert bereits.\n\nMöchten Sie die existierende Datei \n"));
        }
        QCOMPARE(boxes.Asked.last().Caption, QString("Entpacken beendet"));
        QCOMPARE(boxes.Asked.last().Text, SummaryText(count));
        QCOMPARE(run.Launcher.Opened, QList<QUrl>{QUrl::fromLocalFile(Q(out))});
        QVERIFY(run.View.Started > 0 && !run.View.Running);  // the bar came and is gone at the end
        QVERIFY(!run.View.Percents.isEmpty());
    }

    // Catches a read-only file that blocks its replacement, and a replaced
    // file that keeps the old contents.
    void readOnlyFileReplaced()
    {
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(*FDir, "a.zip", {{"top.txt", "new contents"}})));
        const fs::path out = FDir->Path() / "out";
        fs::create_directories(out);
        WriteFile(out / "top.txt", std::string("old"));
        fs::permissions(out / "top.txt", fs::perms::owner_read | fs::perms::group_read);
        TMessageBoxScript& boxes = run.Boxes;
        boxes.Answer(idYes);  // replace
        boxes.Answer(idNo);   // summary
        run.Extract(Q(out), eoWithFolders);
        QCOMPARE(ReadText(out / "top.txt"), std::string("new contents"));
        QCOMPARE(boxes.Asked.last().Text, SummaryText(1));
    }

    // Catches quotes kept in the folder, a folder reached through a symbolic
    // link or typed with a doubled '/' refused (spelling compared instead of
    // identity), and relative texts or a missing parent accepted.
    void targetFolderChecks_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("cause");  // a piece of the message's second line
        QTest::newRow("quoted") << "\"%1/out\"" << true << "";
        QTest::newRow("doubled slash") << "%1//out/" << true << "";
        QTest::newRow("symbolic link") << "%1/link" << true << "";
        QTest::newRow("home folder") << "~/out" << true << "";
        QTest::newRow("relative") << "out" << false << "beginnend mit /";
        QTest::newRow("missing parent") << "%1/missing/out" << false << "%1/missing existiert nicht";
        QTest::newRow("a file in the way") << "%1/file" << false << "bereits eine Datei";
        if (geteuid() != 0) {  // root writes anywhere
            QTest::newRow("read-only folder") << "%1/locked" << false << "Keine Schreibberechtigung im Zielordner.";
            QTest::newRow("in a read-only folder") << "%1/locked/new" << false << "den Ordner in %1/locked anzulegen";
        }
    }
    void targetFolderChecks()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QString, cause);
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(*FDir, "a.zip", {{"top.txt", "top"}})));
        fs::create_directories(FDir->Path() / "out");
        fs::create_directory_symlink(FDir->Path() / "out", FDir->Path() / "link");
        WriteFile(FDir->Path() / "file", std::string("x"));
        fs::create_directories(FDir->Path() / "locked");
        fs::permissions(FDir->Path() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", FDir->Path().c_str());
        const QString folder = typed.contains("%1") ? typed.arg(Q(FDir->Path())) : typed;
        fs::current_path(FDir->Path());  // a relative text would land here
        TMessageBoxScript& boxes = run.Boxes;
        boxes.Answer(accepted ? idNo : idOK);
        const TExtractResult result = run.Extract(folder);
        QCOMPARE(result.End, accepted ? xeDone : xeFolderRefused);
        qputenv("HOME", home);
        fs::permissions(FDir->Path() / "locked", fs::perms::owner_all);
        QCOMPARE(fs::exists(FDir->Path() / "out/top.txt"), accepted);
        if (!accepted) {
            const QString typedFolder = CleanFolderText(folder);
            QCOMPARE(boxes.Asked.first().Caption, QString("Fehler beim Entpacken"));
            const QStringList lines = boxes.Asked.first().Text.split('\n');
            QCOMPARE(lines.size(), 2);
            QCOMPARE(lines[0], "Fehler beim Festlegen des Ordners: " + QuotedName(typedFolder));
            const QString expected = cause.contains("%1") ? cause.arg(Q(FDir->Path())) : cause;
            QVERIFY2(lines[1].contains(expected), qPrintable(lines[1]));
            QVERIFY(!fs::exists(FDir->Path() / "missing"));
        }
        QCOMPARE(fs::current_path(), FDir->Path());  // never left inside the target
    }

    // Catches an entry escaping through "..", the refusal ending the run, a
    // failed entry counted, failure messages without a German reason, and a
    // stored entry whose sizes disagree (3/4, 4/3) extracted because the
    // bytes copied match their CRC.
    void refusedAndFailedEntries()
    {
        CraftedZip zip;
        zip.Add(StoredEntry("../evil.txt", Bytes(10, 'e')));
        CraftedEntry bad = StoredEntry("bad.txt", Bytes(10, 'b'));
        bad.Crc32 ^= 1;
        zip.Add(bad);
        zip.Add(StoredEntry("good.txt", Bytes(10, 'g')));
        CraftedEntry longer = StoredEntry("odd-long.txt", Bytes{'a', 'b', 'c'});
        longer.UncompressedSize = 4;
        CraftedEntry shorter = StoredEntry("odd-short.txt", Bytes{'a', 'b', 'c', 'd'});
        shorter.UncompressedSize = 3;
        zip.Add(longer);
        zip.Add(shorter);
        WriteFile(FDir->Path() / "a.zip", zip.Build());
        TRunBench run;
        QVERIFY(run.Open(Q(FDir->Path() / "a.zip")));
        const fs::path out = FDir->Path() / "deep/out";
        fs::create_directories(FDir->Path() / "deep");
        TMessageBoxScript& boxes = run.Boxes;
        for (int failure = 0; failure < 4; ++failure)
            boxes.Answer(idOK);
        boxes.Answer(idNo);
        run.Extract(Q(out));
        QCOMPARE(Tree(FDir->Path() / "deep"), (std::vector<std::string>{"out/", "out/good.txt"}));
        QCOMPARE(boxes.Asked.size(), 5);
        // In archive order: evil.txt, bad.txt, good.txt, odd-long.txt, odd-short.txt.
        QVERIFY(boxes.Asked[0].Text.startsWith("Fehler beim Auspacken nach " + QuotedName(Q(out) + "/../evil.txt") + "!\n"));
        QCOMPARE(boxes.Asked[1].Text, ExtractFailureText(Q(out / "bad.txt"), erCrc));
        QVERIFY(boxes.Asked[1].Text.endsWith("\nDie Prüfsumme (CRC) stimmt nicht: die Daten sind beschädigt."));
        QCOMPARE(boxes.Asked[1].Caption, QString("Fehler"));
        QCOMPARE(boxes.Asked[2].Text, ExtractFailureText(Q(out / "odd-long.txt"), erFormat));
        QCOMPARE(boxes.Asked[3].Text, ExtractFailureText(Q(out / "odd-short.txt"), erFormat));
        QCOMPARE(boxes.Asked[4].Text, SummaryText(1));
    }

    // Catches an answer for all files that still asks again or is forgotten
    // at the next file, "Abbrechen" that goes on with the next entry, a
    // question without the five buttons, and Escape meaning anything but
    // "Nein".
    void replaceQuestionForTheRun_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("kept");  // per file a, b, c: 'o' old contents, 'n' new
        QTest::addColumn<bool>("stopped");
        QTest::newRow("Ja, alle") << QList<int>{idYesToAll} << "nnn" << false;
        QTest::newRow("Nein, alle") << QList<int>{idNoToAll} << "ooo" << false;
        QTest::newRow("Nein, then Ja, alle") << QList<int>{idNo, idYesToAll} << "onn" << false;
        QTest::newRow("Ja, then Abbrechen") << QList<int>{idYes, idCancel} << "noo" << true;
    }
    void replaceQuestionForTheRun()
    {
        QFETCH(QList<int>, answers);
        QFETCH(QString, kept);
        QFETCH(bool, stopped);
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(*FDir, "a.zip", {{"a", "new"}, {"b", "new"}, {"c", "new"}})));
        const fs::path out = FDir->Path() / "out";
        fs::create_directories(out);
        for (const char* name : {"a", "b", "c"})
            WriteFile(out / name, std::string("old"));
        TMessageBoxScript& boxes = run.Boxes;
        for (int answer : answers)
            boxes.Answer(answer);
        boxes.Answer(idNo);  // summary
        run.Extract(Q(out), eoWithFolders);
        QString contents;
        for (const char* name : {"a", "b", "c"})
            contents += ReadText(out / name) == "new" ? 'n' : 'o';
        QCOMPARE(contents, kept);
        QCOMPARE(boxes.Asked.size(), answers.size() + 1);
        const TMessageBoxRequest& question = boxes.Asked.first();
        QStringList buttons;
        for (const TBoxButton& button : question.Buttons)
            buttons << button.Text;
        QCOMPARE(buttons, (QStringList{"&Ja", "Ja, a&lle", "&Nein", "N&ein, alle", "&Abbrechen"}));
        QCOMPARE(question.EscapeAnswer, int(idNo));
        QCOMPARE(boxes.Asked.last().Text, SummaryText(int(kept.count('n')), stopped, 0));
    }

    // Catches a stopped run that cannot be taken back, one that deletes a
    // file or folder that stood there before (replaced or not), one that
    // leaves a folder it made, and "Nein" that deletes anything.
    void stoppedRunOffersToTakeBack_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Ja: what the run created goes") << int(idYes);
        QTest::newRow("Nein: everything stays") << int(idNo);
    }
    void stoppedRunOffersToTakeBack()
    {
        QFETCH(int, answer);
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(
            *FDir, "a.zip",
            {{"a/one.txt", "new"}, {"keep.txt", "new"}, {"stop.txt", "new"}, {"c/d/three.txt", "new"}})));
        const fs::path out = FDir->Path() / "out";
        fs::create_directories(out / "a");
        WriteFile(out / "a" / "mine.txt", std::string("mine"));
        WriteFile(out / "keep.txt", std::string("old"));
        WriteFile(out / "stop.txt", std::string("old"));
        TMessageBoxScript& boxes = run.Boxes;
        boxes.Answer(idYes);     // replace keep.txt
        boxes.Answer(idCancel);  // stop at stop.txt
        boxes.Answer(answer);
        QCOMPARE(run.Extract(Q(out), eoWithFolders).End, xeStopped);
        QCOMPARE(boxes.Asked.size(), 3);
        const TMessageBoxRequest& offer = boxes.Asked[2];
        QCOMPARE(offer.Caption, QString("Entpacken abgebrochen"));
        // Workers may have written c/d/three.txt before the stop: then it is counted.
        const bool threeWritten = answer == idNo ? fs::exists(out / "c" / "d" / "three.txt") : offer.Text == StoppedSummaryText(3, 0, 0, 1);
        QCOMPARE(offer.Text, StoppedSummaryText(threeWritten ? 3 : 2, 0, 0, 1));
        // keep.txt was replaced: its old content is gone, and the offer says so by name.
        QCOMPARE(offer.Details, Q(out / "keep.txt") + ": ersetzt, alter Inhalt nicht wiederherstellbar");
        QCOMPARE(ReadText(out / "keep.txt"), std::string("new"));
        QCOMPARE(ReadText(out / "stop.txt"), std::string("old"));
        QCOMPARE(ReadText(out / "a" / "mine.txt"), std::string("mine"));
        if (answer == idYes) {
            QCOMPARE(Tree(out), (std::vector<std::string>{"a/", "a/mine.txt", "keep.txt", "stop.txt"}));
            QVERIFY(!fs::exists(out / "c"));
        } else {
            QCOMPARE(ReadText(out / "a" / "one.txt"), std::string("new"));
        }
    }

    // Catches a take-back that leaves the empty target folder the run itself
    // made (or removes one that stood there before), and a bar still there
    // under the offer.
    void takeBackRemovesTheFolderItMade_data()
    {
        QTest::addColumn<bool>("folderMade");
        QTest::newRow("made by the run: goes") << true;
        QTest::newRow("there before: stays") << false;
    }
    void takeBackRemovesTheFolderItMade()
    {
        QFETCH(bool, folderMade);
        CraftedZip zip;
        zip.Add(StoredEntry("a/one.txt", Bytes(10, 'a')));
        CraftedEntry bad = StoredEntry("bad.txt", Bytes(10, 'b'));
        bad.Crc32 ^= 1;  // its failure box stops the run
        zip.Add(bad);
        zip.Add(StoredEntry("c.txt", Bytes(10, 'c')));
        WriteFile(FDir->Path() / "a.zip", zip.Build());
        const fs::path target = FDir->Path() / "new";
        if (!folderMade)
            fs::create_directories(target);
        TRunBench run;
        QVERIFY(run.Open(Q(FDir->Path() / "a.zip")));
        TMessageBoxScript& boxes = run.Boxes;
        QList<bool> runningAtBox;
        boxes.OnAsk = [&](const TMessageBoxRequest&) { runningAtBox << run.View.Running; };
        boxes.Answer(idCancel);  // bad.txt's failure box
        boxes.Answer(idYes);     // take it back
        QCOMPARE(run.Extract(Q(target)).End, xeStopped);
        QCOMPARE(boxes.Asked.size(), 2);
        QCOMPARE(boxes.Asked[1].Caption, QString("Entpacken abgebrochen"));
        QCOMPARE(runningAtBox, (QList<bool>{true, false}));  // the failure box during the run, the offer after
        QCOMPARE(fs::exists(target), !folderMade);
        if (!folderMade)
            QCOMPARE(Tree(target), std::vector<std::string>{});
        QVERIFY(!run.Extractor.Running() && !run.Command.TakingBack());
    }

    // Catches a button or check box of the replace question, the failure box
    // or the password dialog without an Alt letter, or two sharing one (Alt
    // then only walks between them).
    void everyButtonHasItsOwnAltLetter()
    {
        TMessageBoxScript boxes;
        boxes.Answer(idNo);
        boxes.Answer(idOK);
        TRunQuestions run(boxes);
        run.AskReplace("/tmp/a", 1, QDateTime(), 1, 0);
        run.ReportFailure("/tmp/b", erCrc);
        const auto boxTexts = [](const TMessageBoxRequest& request) {
            std::unique_ptr<QMessageBox> box(BuildMessageBox(request, nullptr));
            QStringList texts;
            for (QAbstractButton* button : box->buttons())
                texts << button->text();
            if (box->checkBox())
                texts << box->checkBox()->text();
            return texts;
        };
        TPasswordDialog password("a.txt", false);
        QStringList passwordTexts;
        for (QAbstractButton* button : password.findChildren<QAbstractButton*>())
            passwordTexts << button->text();
        const struct {
            QStringList texts;
            const char* box;
        } cases[] = {
            {boxTexts(boxes.Asked[0]), "replace question"},
            {boxTexts(boxes.Asked[1]), "failure box"},
            {passwordTexts, "password dialog"},
        };
        for (const auto& c : cases) {
            QStringList keys;
            for (const QString& text : c.texts)
                keys << QKeySequence::mnemonic(text).toString();
            QVERIFY2(!keys.contains(QString()), qPrintable(QString(c.box) + ": " + c.texts.join(", ")));
            QVERIFY2(QSet<QString>(keys.begin(), keys.end()).size() == keys.size(), c.box);
        }
    }

    // Catches a failure box that cannot end the run (Abbrechen going on
    // with the next of 1,000 failures), a tick that does not silence the
    // rest, collected failures missing from the summary or without their
    // reason, and Escape stopping the run.
    void failureBoxStopsOrCollects_data()
    {
        QTest::addColumn<int>("firstAnswer");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<int>("failureBoxes");
        QTest::addColumn<int>("collected");
        QTest::newRow("Abbrechen") << int(idCancel) << false << 1 << 0;
        QTest::newRow("OK, later failures at the end") << int(idOK) << true << 1 << 999;
    }
    void failureBoxStopsOrCollects()
    {
        QFETCH(int, firstAnswer);
        QFETCH(bool, ticked);
        QFETCH(int, failureBoxes);
        QFETCH(int, collected);
        CraftedZip zip;
        for (int i = 0; i < 1000; ++i) {
            CraftedEntry bad = StoredEntry(QString::asprintf("f%04d.txt", i).toStdString(), Bytes(10, 'b'));
            bad.Crc32 ^= 1;
            zip.Add(bad);
        }
        WriteFile(FDir->Path() / "a.zip", zip.Build());
        TRunBench run;
        QVERIFY(run.Open(Q(FDir->Path() / "a.zip")));
        const fs::path out = FDir->Path() / "out";
        TMessageBoxScript& boxes = run.Boxes;
        ticked ? boxes.AnswerTicked(firstAnswer) : boxes.Answer(firstAnswer);
        boxes.Answer(idNo);  // summary
        run.Extract(Q(out));
        QCOMPARE(boxes.Asked.size(), failureBoxes + 1);
        const TMessageBoxRequest& failure = boxes.Asked.first();
        QCOMPARE(failure.CheckBoxText, QString("&Weitere Fehler erst am Ende anzeigen"));
        QCOMPARE(failure.EscapeAnswer, int(idOK));
        QCOMPARE(failure.Buttons.size(), size_t(2));
        QCOMPARE(failure.Buttons[1].Text, QString("&Abbrechen"));
        const TMessageBoxRequest& summary = boxes.Asked.last();
        QCOMPARE(summary.Text, SummaryText(0, firstAnswer == idCancel, collected));
        const QStringList lines = summary.Details.isEmpty() ? QStringList() : summary.Details.split('\n');
        QCOMPARE(lines.size(), collected);
        if (collected) {
            QCOMPARE(lines.first(), Q(out / "f0001.txt") + ": " + ResultText(erCrc));
            QCOMPARE(lines.last(), Q(out / "f0999.txt") + ": " + ResultText(erCrc));
        }
    }

    // Catches the four causes of a failed output step reading alike (a full
    // disk told as missing rights), a cause lost between the driver and the
    // box, and the failure box losing its first line (what failed, and where).
    void outputFailureReasons()
    {
        QStringList reasons;
        for (int error : {ENOSPC, EACCES, EROFS, ENAMETOOLONG}) {
            TMessageBoxScript boxes;
            TRunQuestions run(boxes);
            boxes.Answer(idOK);
            QVERIFY(run.ReportFailure("/ziel/a.txt", erOutput, error));
            const QStringList lines = boxes.Asked.first().Text.split('\n');
            QCOMPARE(lines.first(), QString::fromUtf8("Fehler beim Auspacken nach \u201E/ziel/a.txt\u201C!"));
            reasons << lines.last();
        }
        QCOMPARE(reasons[0], QString("Der Datenträger ist voll."));
        QVERIFY(reasons[1].startsWith("Keine Schreibberechtigung im Zielordner."));
        QVERIFY(reasons[2].startsWith("Keine Schreibberechtigung im Zielordner."));
        QCOMPARE(QSet<QString>(reasons.begin(), reasons.end()).size(), 4);
        QVERIFY(!ResultText(erEncrypted).contains("Komprimierungsmethode"));
        QVERIFY(ResultText(erEncrypted).contains("verschlüsselt"));

        // A real cause through the real driver: a name longer than the file system allows.
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(*FDir, "a.zip", {{std::string(300, 'n'), "x"}})));
        TMessageBoxScript& boxes = run.Boxes;
        boxes.Answer(idOK);
        boxes.Answer(idNo);
        run.Extract(Q(FDir->Path() / "out"));
        QVERIFY2(boxes.Asked.first().Text.endsWith("\nDer Name ist für das Dateisystem zu lang."),
                 qPrintable(boxes.Asked.first().Text));
    }

    // Catches the archive's path resolved against a folder the extraction
    // moved into (started as `valbrix a.zip` from the archive's folder, every
    // entry failed with "Das Archiv kann nicht gelesen werden"), and the
    // extraction moving the process's current directory at all.
    void relativeArchivePath()
    {
        const fs::path out = FDir->Path() / "elsewhere";
        WriteContentArchive(*FDir, "a.zip", {{"blob.bin", "blob"}, {"sub/inner.txt", "inner"}});
        fs::current_path(FDir->Path());
        TRunBench run;
        QVERIFY(run.Open("a.zip"));
        TMessageBoxScript& boxes = run.Boxes;
        boxes.Answer(idNo);  // summary
        run.Extract(Q(out));
        QCOMPARE(boxes.Asked.size(), 1);
        QCOMPARE(boxes.Asked.first().Text, SummaryText(2));
        QCOMPARE(ReadText(out / "blob.bin"), std::string("blob"));
        QCOMPARE(ReadText(out / "sub/inner.txt"), std::string("inner"));
        QCOMPARE(fs::current_path(), FDir->Path());
    }

    // Catches a bar that moves only between entries (one large entry would
    // jump from 0 to 100), and a bar that does not reach 100 at the end.
    void progressWithinAnEntry()
    {
        const std::string big(3 * 1024 * 1024, 'z');
        TRunBench run;
        QVERIFY(run.Open(WriteContentArchive(*FDir, "a.zip", {{"big.txt", big}})));
        fs::create_directories(FDir->Path() / "out");
        QList<int> moves;
        QCOMPARE(run.Extractor.ExtractEntries(run.Session.Archive(), eoWithFolders, Q(FDir->Path() / "out"),
                                              [&moves](int percent) { moves << percent; }, run.All()),
                 1);
        QVERIFY(!moves.isEmpty());
        QCOMPARE(moves.last(), 100);
        QVERIFY(std::any_of(moves.begin(), moves.end(), [](int percent) { return percent > 0 && percent < 100; }));
    }

    // Catches Enter closing the dialog from the field or a check box instead
    // of walking on, Escape not cancelling, quotes surviving the field's
    // focus loss, and the dialog starting with an option unticked.
    void dialogKeys()
    {
        TDirSelectDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString("Markierte Datei(en) extrahieren"));
        QVERIFY(dialog.WithFolders() && dialog.Overwrite());
        dialog.SetFolderText("\"/tmp/x\"");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.DirEdit->setFocus();
        QVERIFY(!dialog.testAttribute(Qt::WA_KeyboardFocusChange));
        QTest::keyClick(dialog.DirEdit, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.WithFoldersChkBox));
        // Without it the style draws no focus frame, and a Space unticks a box unseen.
        QVERIFY(dialog.testAttribute(Qt::WA_KeyboardFocusChange));
        QCOMPARE(dialog.FolderText(), QString("/tmp/x"));
        QTest::keyClick(dialog.WithFoldersChkBox, Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.OverwriteChkBox));
        QTest::keyClick(dialog.OverwriteChkBox, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.OKBtn));
        QVERIFY(dialog.isVisible());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    // Catches a folder field whose button or Alt+Down opens no folder dialog
    // (or one elsewhere than at the field's folder), a choice that does not
    // reach the field or keeps its quotes, and a cancelled dialog that still
    // changes the field.
    void dialogBrowses()
    {
        const fs::path base = FDir->Path();
        fs::create_directories(base / "\"Ziel\"");
        const struct {
            bool ByKey;
            QString Chosen;  // "" cancels
            QString Text;
        } cases[] = {
            {false, Q(base / "\"Ziel\""), Q(base / "Ziel")},
            {true, Q(base / "\"Ziel\""), Q(base / "Ziel")},
            {true, QString(), Q(base)},
        };
        for (const auto& c : cases) {
            TDirSelectDlg dialog;
            dialog.SetFolderText(Q(base));
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            TFolderDialogScript script(dialog.DirEdit->FolderDialogRunner);
            c.Chosen.isEmpty() ? script.Cancel() : script.Choose(c.Chosen);
            if (c.ByKey)
                QTest::keyClick(dialog.DirEdit, Qt::Key_Down, Qt::AltModifier);
            else
                QTest::mouseClick(dialog.DirEdit->Button, Qt::LeftButton);
            QCOMPARE(script.Runs.size(), 1);
            QCOMPARE(script.Runs[0].StartFolder, Q(base));
            QCOMPARE(script.Runs[0].Title, QString("Ordner wählen"));
            QCOMPARE(dialog.FolderText(), c.Text);
            QVERIFY(dialog.isVisible());
        }
    }

    // Catches a result code without its own German reason (it would read
    // "Unbekannter Fehler"), a refused method whose failure does not name
    // it, a decodable method's failure blamed on the method, and the replace
    // question losing its line breaks, sizes or times.
    void texts()
    {
        for (int code = erBusy; code <= erLinkInvalid; ++code)
            QVERIFY2(!ResultText(code).startsWith("Unbekannt"), qPrintable(QString::number(code)));
        QVERIFY(!ResultText(erMemoryLimit).startsWith("Unbekannt"));
        QCOMPARE(ResultText(erLinkOutside), QString("Der Verweis zeigt aus dem Zielordner hinaus."));
        QVERIFY(ResultText(erOutput, ELOOP).contains("Verweis"));  // a path through a link, not "Systemfehler 40"
        QVERIFY(ResultText(erOutput, EOPNOTSUPP).contains("Verweise"));
        QCOMPARE(ExtractFailureText("/t/a.txt", erUnsupported, 0, 98),
                 QString::fromUtf8("Fehler beim Auspacken nach \u201E/t/a.txt\u201C!\nKomprimierungsverfahren PPMd wird nicht unterstützt."));
        QCOMPARE(ExtractFailureText("/t/a.txt", erUnsupported, 0, 14), ExtractFailureText("/t/a.txt", erUnsupported));
        QCOMPARE(ExtractFailureText("/t/a.txt", erCrc, 0, 98), ExtractFailureText("/t/a.txt", erCrc));
        const QDateTime existing(QDate(2024, 1, 2), QTime(3, 4, 5, 600));
        const uint32_t dosMidnight = (uint32_t((2025 - 1980) << 9 | 4 << 5 | 15) << 16);
        QCOMPARE(ReplaceQuestionText("/t/a.txt", 1500, existing, 20000000, dosMidnight),
                 QString::fromUtf8("Die Datei \u201E/t/a.txt\u201C existiert bereits.\n\nMöchten Sie die existierende Datei \n"
                         "1.500 Byte\n02.01.2024 03:04:04\n\nmit dieser ersetzen?\n19 MByte\n15.04.2025\n"));
    }

private:
    std::unique_ptr<TempDir> FDir;
    fs::path FStartFolder;
};

QTEST_MAIN(TestExtractWorkflow)
#include "tst_ExtractWorkflow.moc"
