// Entry names meant to deceive or break the list, in the window and in the
// boxes of the runs: control characters, direction overrides (U+202E makes
// "evil", U+202E, "txt.exe" read as "evilexe.txt"), invalid UTF-8 and names
// of 60,000 bytes, in an archive of 100,000 entries.
#include <QTest>

#include "MessageBoxScript.h"
#include "RunHarness.h"
#include "WorkflowFixture.h"
#include "app/texts/ListTexts.h"
#include "app/workflows/TestCommand.h"
#include "app/window/MainUnit.h"
#include "app/list/ZipListModel.h"

using namespace valbrix;
using namespace valbrix::test;

namespace {

// A character the list must never show as it is: it hides or reorders text.
bool Hidden(QChar ch)
{
    const char16_t c = ch.unicode();
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

class TestHostileNames : public QObject {
    Q_OBJECT
private slots:
    // Catches a control or direction character let through as it is (a
    // disguised name), one turned into nothing (two names that look
    // alike), and ordinary text altered.
    void visibleNameText()
    {
        QCOMPARE(VisibleNameText(QString::fromUtf8("evil\u202Etxt.exe")), QString("evil<U+202E>txt.exe"));
        QCOMPARE(VisibleNameText(QString::fromUtf8("a\u2066b\u2069\u200Fc")), QString("a<U+2066>b<U+2069><U+200F>c"));
        QCOMPARE(VisibleNameText(QString::fromUtf8("bell\a\ttab\x7F")), QString::fromUtf8("bell␇␉tab␡"));
        QCOMPARE(VisibleNameText(QString::fromUtf8("nul\u0085")), QString("nul<U+0085>"));
        QCOMPARE(VisibleNameText(QString(1, QChar(0))), QString::fromUtf8("␀"));
        QCOMPARE(VisibleNameText(QString::fromUtf8("Größe – 文書.txt")), QString::fromUtf8("Größe – 文書.txt"));
    }

    // Catches a list that shows hostile names raw, drops or merges rows of
    // such names, or stalls or crashes on 100,000 of them and on names far
    // beyond any file system's limit.
    void hundredThousandHostileEntries()
    {
        const std::string kinds[] = {
            "evil\xE2\x80\xAEtxt.exe",           // U+202E
            "bell\x07" "line\x0A" "esc\x1B.txt",  // C0 controls
            "bad\xFF\xFE\xC3utf8.txt",            // invalid UTF-8
            "dir\xE2\x80\xAE/inner\x01.txt",      // folder part too
            "plain.txt",
        };
        TempDir dir;
        CraftedZip zip;
        constexpr int Entries = 100000;
        for (int i = 0; i < Entries; ++i) {
            const std::string number = std::to_string(i);
            CraftedEntry entry = i % 20000 == 7 ? StoredEntry(std::string(60000, 'n') + number, Bytes{})
                                                : StoredEntry(number + kinds[i % 5], Bytes{});
            entry.Flags = 0x800;  // UTF-8 names
            zip.Add(entry);
        }
        WriteFile(dir / "names.zip", zip.Build());

        TMain window;
        window.SetCommandLine({});
        QVERIFY(window.OpenArchive(QString::fromStdString((dir / "names.zip").string())));
        QCOMPARE(window.Model->rowCount(), Entries);
        QStringList disguised;
        for (int row = 0; row < Entries; ++row)
            for (const int column : {int(lcName), int(lcFolder)}) {
                const QString text = window.Model->index(row, column).data().toString();
                if (std::any_of(text.begin(), text.end(), Hidden) && disguised.size() < 5)
                    disguised << text;
            }
        QVERIFY2(disguised.isEmpty(), qPrintable(disguised.join(" | ")));
        QStringList names;
        for (int row = 0; row < Entries; ++row)
            names << window.Model->index(row, lcName).data().toString();
        QVERIFY(names.contains("0evil<U+202E>txt.exe"));
        QVERIFY(names.contains(QString::fromUtf8("1bell␇line␊esc␛.txt")));
        QVERIFY(names.contains(QString::fromUtf8("inner␁.txt")));
        QCOMPARE(window.Model->index(names.indexOf(QString::fromUtf8("inner␁.txt")), lcFolder).data().toString(),
                 QString("3dir<U+202E>"));
    }

    // Catches a box that quotes a name as it stands, where a direction
    // override turns the sentence around it, or a control character breaks
    // its lines: the replace question, the failure box, the test summary's
    // list and the extraction summary's list must show what the list shows.
    void boxesShowNamesAsTheListDoes()
    {
        TempDir dir;
        qputenv("XDG_CONFIG_HOME", (dir / "config").string().c_str());
        const std::string evil = "evil\u202Etxt.exe", bad = "bad\x07\u2067.txt";
        CraftedZip zip;
        CraftedEntry whole = StoredEntry(evil, Bytes(10, 'e'));
        whole.Flags = 0x800;
        zip.Add(whole);
        CraftedEntry broken = StoredEntry(bad, Bytes(10, 'b'));
        broken.Flags = 0x800;
        broken.Crc32 ^= 1;  // a failure to report by name
        zip.Add(broken);
        WriteFile(dir / "names.zip", zip.Build());
        const std::filesystem::path out = dir / "out";
        std::filesystem::create_directories(out);
        WriteFile(out / evil, std::string("old"));

        TRunBench run;
        QVERIFY(run.Open(Q(dir / "names.zip")));
        TMessageBoxScript& boxes = run.Boxes;
        boxes.Answer(idNo);  // keep the old evil file (archive order: evil first)
        boxes.Answer(idOK);  // the failure box of bad
        boxes.Answer(idNo);  // the summary's offer to open the folder
        boxes.Answer(idOK);  // the test summary
        run.Extract(Q(out), eoWithFolders);
        RunTestCommand(run.Tester, run.Seams, run.Session.Archive(), run.All(), 2, run.View);
        QCOMPARE(boxes.Asked.size(), 4);
        const struct {
            int box;
            const char* shows;
            const char* fault;
        } cases[] = {
            {1, "bad\u2407<U+2067>.txt", "failure box"},
            {0, "evil<U+202E>txt.exe", "replace question"},
            {3, "bad\u2407<U+2067>.txt", "test summary's list"},
        };
        for (const auto& c : cases) {
            const TMessageBoxRequest& box = boxes.Asked[c.box];
            const QString said = box.Text + box.Details;
            QVERIFY2(said.contains(QString::fromUtf8(c.shows)), qPrintable(QString(c.fault) + ": " + said));
            QVERIFY2(std::none_of(said.begin(), said.end(), [](QChar ch) { return ch != '\n' && Hidden(ch); }),
                     c.fault);
        }
    }
};

QTEST_MAIN(TestHostileNames)
#include "tst_HostileNames.moc"
