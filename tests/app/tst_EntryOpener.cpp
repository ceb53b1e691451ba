// Opening one entry and dragging marked rows out of the real main window,
// offscreen, with scripted boxes and a recording launcher, in a private
// $TMPDIR: the launcher gets the right file with the right contents, the
// private folders go when the archive is closed or the window ends, refused
// and damaged rows say why and hand nothing over, and a drag offers the
// marked entries with their folders without taking its own drop as files.
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

#include <sys/stat.h>

#include "ArchiveMaker.h"
#include "ConfigFolder.h"
#include "LauncherScript.h"
#include "MessageBoxScript.h"
#include "WorkflowFixture.h"
#include "app/texts/OpenTexts.h"
#include "app/list/ZipListModel.h"
#include "platform/PrivateFolders.h"

using namespace valbrix;
using namespace valbrix::test;
namespace fs = std::filesystem;

namespace {

int RowNamed(const TMain& window, const QString& name)
{
    for (int row = 0; row < window.Model->rowCount(); ++row)
        if (window.Model->CellText(row, lcName) == name)
            return row;
    return -1;
}

// Regular files below root, relative: what a closed archive must not leave.
std::vector<std::string> FilesBelow(const fs::path& root)
{
    std::vector<std::string> files;
    for (const std::string& item : Tree(root))
        if (item.back() != '/')
            files.push_back(item);
    return files;
}

void Mark(TMain& window, const QStringList& names)
{
    window.LV->selectionModel()->clearSelection();
    for (const QString& name : names)
        window.LV->selectionModel()->select(window.Model->index(RowNamed(window, name), 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

}  // namespace

class TestEntryOpener : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        qunsetenv("TMPDIR");
        FDir = std::make_unique<TempDir>();
        fs::create_directories(FDir->Path() / "tmp");
        qputenv("TMPDIR", (FDir->Path() / "tmp").string().c_str());
        valbrix::test::UseConfigFolder(QString::fromStdString((FDir->Path() / "config").string()));
    }
    void cleanup() { FDir.reset(); }

    // Catches a desktop that has no program for an opened entry or for the
    // extracted folder and says so only on stderr: the window must tell it
    // in a box that names the type.
    void noProgramIsToldInABox_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("double-clicked entry") << false;
        QTest::newRow("\"Ordner öffnen\" after extracting") << true;
    }
    void noProgramIsToldInABox()
    {
        QFETCH(bool, folder);
        TMain w;
        TLauncherScript launcher(w.Seams().Launcher);
        launcher.NoProgram = true;
        QVERIFY(w.OpenArchive(WriteContentArchive(*FDir, "a.zip", {{"notes.txt", "text"}})));
        TMessageBoxScript boxes(w.Seams().Boxes);
        const fs::path out = FDir->Path() / "out";
        DialogScript dialog(Q(out));
        dialog.Install(w);
        if (folder) {
            boxes.Answer(idYes);  // open the folder
            boxes.Answer(idOK);
            w.UnzipBtnClick();
        } else {
            boxes.Answer(idOK);
            w.LVDblClick(w.Model->index(RowNamed(w, "notes.txt"), lcName));
        }
        QCOMPARE(launcher.Opened.size(), 1);
        const QString opened = launcher.Opened[0].toLocalFile();
        QCOMPARE(boxes.Asked.last().Text, NoProgramText(opened));
        QVERIFY2(boxes.Asked.last().Text.startsWith(QString::fromUtf8("Für Dateien vom Typ \u201E")),
                 qPrintable(boxes.Asked.last().Text));
        QCOMPARE(folder, opened == Q(out));
    }

    // Catches the launcher handed another entry's file (a wrong row after
    // sorting), a file with other contents, the file in a folder others can
    // read or outside our recognisable private folder, a second open that
    // meets the first one's file, Enter not opening the current row, and
    // opened files left behind after "Schließen" or after the window ends.
    void openHandsTheFileToTheDesktop()
    {
        TMessageBoxScript boxes;
        TLauncherScript launcher;
        const fs::path tmp = FDir->Path() / "tmp";
        {
            TMain w;
            w.Seams().Boxes = &boxes;
            w.Seams().Launcher = &launcher;
            w.resize(800, 400);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            // Enter reaches the list at start, not the filter field.
            QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.LV));
            QVERIFY(w.OpenArchive(WriteContentArchive(
                *FDir, "a.zip", {{"docs/readme.txt", "read me"}, {"b.txt", "bee"}, {"z.txt", "zed"}})));
            w.SortList(lcUncompressed, Qt::DescendingOrder);  // rows no longer in archive order

            const QRect rect = w.LV->visualRect(w.Model->index(RowNamed(w, "readme.txt"), lcName));
            QTest::mouseDClick(w.LV->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
            QCOMPARE(launcher.Opened.size(), 1);
            const fs::path opened = launcher.Opened[0].toLocalFile().toStdString();
            QCOMPARE(QString::fromStdString(opened.filename().string()), QString("readme.txt"));
            QCOMPARE(ReadText(opened), std::string("read me"));
            const fs::path session = opened.parent_path().parent_path();
            QCOMPARE(session.parent_path(), tmp);
            QVERIFY(session.filename().string().rfind(platform::PrivateFolderPrefix(), 0) == 0);
            struct stat info {};
            QCOMPARE(stat(opened.parent_path().c_str(), &info), 0);
            QCOMPARE(info.st_mode & 0777, 0700u);

            w.LV->setFocus();
            w.LV->setCurrentIndex(w.Model->index(RowNamed(w, "b.txt"), lcName));
            QTest::keyClick(w.LV, Qt::Key_Return);
            QCOMPARE(launcher.Opened.size(), 2);
            QCOMPARE(ReadText(launcher.Opened[1].toLocalFile().toStdString()), std::string("bee"));
            QVERIFY(launcher.Opened[1].toLocalFile() != launcher.Opened[0].toLocalFile());

            w.Schlieen1Click();
            QVERIFY(Tree(tmp).empty());

            QVERIFY(w.OpenArchive(Path(*FDir, "a.zip")));
            w.LVDblClick(w.Model->index(RowNamed(w, "z.txt"), lcName));
            QCOMPARE(launcher.Opened.size(), 3);
            QVERIFY(fs::exists(launcher.Opened[2].toLocalFile().toStdString()));
        }
        QVERIFY(Tree(tmp).empty());  // the window's end is the program's
        QVERIFY(boxes.Asked.isEmpty());
    }

    // Catches a row we cannot decode extracted anyway (a box naming a
    // private path instead of the reason), a damaged entry or a desktop
    // that cannot open the file handed over silently or leaving its file
    // behind, more boxes than the one that says why, and a drag whose
    // failures interrupt the held drag one box each instead of one list.
    void failuresSayWhyAndLeaveNothing_data()
    {
        QTest::addColumn<int>("kind");  // 0 unsupported method, 1 CRC error, 2 no program
        QTest::addColumn<bool>("drag");
        QTest::addColumn<QString>("text");
        QTest::newRow("unsupported method") << 0 << false
                                            << QString::fromUtf8("Die Datei \u201Ex.bin\u201C kann nicht geöffnet werden:\nKomprimierungsverfahren");
        QTest::newRow("damaged data") << 1 << false
                                      << QString::fromUtf8("Die Datei \u201Ex.bin\u201C kann nicht geöffnet werden:\nDie Prüfsumme (CRC) stimmt nicht");
        QTest::newRow("no program") << 2 << false
                                    << QString::fromUtf8("Die Datei \u201Ex.bin\u201C konnte nicht mit der Standardanwendung geöffnet werden.");
        QTest::newRow("damaged data dragged") << 1 << true
                                              << "1 Datei(en) konnten nicht extrahiert werden (Liste unten).";
    }
    void failuresSayWhyAndLeaveNothing()
    {
        QFETCH(int, kind);
        QFETCH(bool, drag);
        QFETCH(QString, text);
        CraftedZip zip;
        CraftedEntry entry = StoredEntry("x.bin", Bytes{'d', 'a', 't', 'a'});
        if (kind == 0)
            entry.Method = 97;
        if (kind == 1)
            entry.Crc32 ^= 1;
        zip.Add(entry);
        WriteFile(*FDir / "f.zip", zip.Build());
        TMessageBoxScript boxes;
        TLauncherScript launcher;
        launcher.OpenSucceeds = kind != 2;
        TMain w;
        w.Seams().Boxes = &boxes;
        w.Seams().Launcher = &launcher;
        QVERIFY(w.OpenArchive(Path(*FDir, "f.zip")));
        boxes.Answer(idOK);
        if (drag)
            QVERIFY(!w.DragData());
        else
            w.LVDblClick(w.Model->index(0, lcName));
        QCOMPARE(boxes.Asked.size(), 1);
        QVERIFY2(boxes.Asked[0].Text.startsWith(text), qPrintable(boxes.Asked[0].Text));
        if (drag)
            QVERIFY2(boxes.Asked[0].Details.startsWith("x.bin: Die Prüfsumme"), qPrintable(boxes.Asked[0].Details));
        QCOMPARE(launcher.Opened.size(), kind == 2 ? 1 : 0);
        QVERIFY(FilesBelow(FDir->Path() / "tmp").empty());
        QVERIFY(!w.Extracting());
    }

    // Catches a drag that loses the marked entries' folders, offers entries
    // that were not marked or the private folder itself instead of its
    // top-level items, offers no text/uri-list, changes the marks, and its
    // own drop taken for files to open (the dragged inner archive would
    // replace the list it came from).
    void dragOffersTheMarkedEntriesWithTheirFolders()
    {
        CraftedZip inner;
        inner.Add(StoredEntry("deep.txt", Bytes{'i'}));
        const Bytes innerBytes = inner.Build();
        WriteContentArchive(*FDir, "d.zip",
                            {{"docs/a.txt", "a"},
                             {"docs/sub/b.txt", "b"},
                             {"c.txt", "c"},
                             {"other/d.txt", "d"},
                             {"inner.zip", std::string(innerBytes.begin(), innerBytes.end())}});
        TMessageBoxScript boxes;
        TMain w;
        w.Seams().Boxes = &boxes;
        QVERIFY(w.OpenArchive(Path(*FDir, "d.zip")));
        Mark(w, {"a.txt", "b.txt", "c.txt", "inner.zip"});
        QCOMPARE(w.SelectedCount(), 4);

        const std::unique_ptr<QMimeData> data = w.DragData();
        QVERIFY(data);
        QVERIFY(data->formats().contains("text/uri-list"));
        const QList<QUrl> urls = data->urls();
        QCOMPARE(urls.size(), 3);
        const fs::path folder = fs::path(urls[0].toLocalFile().toStdString()).parent_path();
        QCOMPARE(folder.parent_path().parent_path(), FDir->Path() / "tmp");
        QStringList names;
        for (const QUrl& url : urls) {
            QVERIFY(url.isLocalFile());
            QCOMPARE(fs::path(url.toLocalFile().toStdString()).parent_path(), folder);
            names << url.fileName();
        }
        QCOMPARE(names, QStringList({"c.txt", "docs", "inner.zip"}));
        QCOMPARE(Tree(folder), (std::vector<std::string>{"c.txt", "docs/", "docs/a.txt", "docs/sub/",
                                                          "docs/sub/b.txt", "inner.zip"}));
        QCOMPARE(ReadText(folder / "docs/sub/b.txt"), std::string("b"));
        QCOMPARE(w.SelectedCount(), 4);

        // The drop comes back onto our own window.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &drop);
        QCOMPARE(w.ArchiveName(), Path(*FDir, "d.zip"));
        QCOMPARE(w.Model->rowCount(), 5);
        QCOMPARE(w.SelectedCount(), 4);
        QVERIFY(boxes.Asked.isEmpty());

        w.Schlieen1Click();
        QVERIFY(Tree(FDir->Path() / "tmp").empty());
    }

private:
    std::unique_ptr<TempDir> FDir;
};

QTEST_MAIN(TestEntryOpener)
#include "tst_EntryOpener.moc"
