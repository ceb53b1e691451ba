// The real main window, offscreen: its start state, opening archives (rows,
// cells, order, totals, caption, command states), the selection commands and
// the selection-state update after mouse and keyboard changes, closing,
// dropping files, the open dialog and the command line of the first show.
#include <algorithm>

#include <QFile>
#include <QAbstractProxyModel>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFileInfo>
#include <QLineEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QMimeData>
#include <QSet>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include "ArchiveMaker.h"
#include "LauncherScript.h"
#include "about/AboutDlg.h"
#include "about/HTTPLabel.h"
#include "MessageBoxScript.h"
#include "app/window/MainUnit.h"
#include "app/texts/ListTexts.h"
#include "app/tools/MyTools.h"
#include "app/list/ZipListModel.h"
#include "platform/gui/LocaleFormats.h"

using namespace valbrix;
using valbrix::test::ListedEntry;
using valbrix::test::Path;
using valbrix::test::TempDir;
using valbrix::test::TMessageBoxScript;
using valbrix::test::WriteArchive;

namespace {

QStringList Column(const TMain& window, int column)
{
    QStringList texts;
    for (int row = 0; row < window.Model->rowCount(); ++row)
        texts << window.Model->index(row, column).data().toString();
    return texts;
}

// The eight commands that follow the list, in the order the window names them.
QList<bool> ListCommands(const TMain& w)
{
    return {w.UnzipBtn->isEnabled(),      w.Schlieen1->isEnabled(),     w.ZipArchiventpacken1->isEnabled(),
            w.SelAllBtn->isEnabled(),     w.Alleauswhlen2->isEnabled(), w.Alleauswhlen1->isEnabled(),
            w.Alleabwhlen1->isEnabled(),  w.Alleabwhlen2->isEnabled()};
}

const QList<bool> AllOff(8, false), AllOn(8, true);

// 1000 bytes stored in 250, an empty one, names out of order, the same name
// in two folders, a folder entry, and one entry with an impossible date.
std::vector<ListedEntry> MixedEntries()
{
    return {{"zeta.txt", 1000, 250},
            {"docs/", 0, 0},
            {"docs/readme.txt", 2000000, 1000000},
            {"Alpha.txt", 0, 0},
            {"src/readme.txt", 10, 10},
            {"alpha.txt", 1000, 1030, 0}};
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // Catches wrong start texts, commands enabled with nothing open, and
    // missing or wrongly bound shortcuts, captions or columns.
    void startState()
    {
        TMain w;
        w.SetCommandLine({});
        w.show();
        QCOMPARE(w.windowTitle(), QString("Valbrix"));
        QCOMPARE(w.StatusPanel0->text(), QString(" 0 Datei(en) 0 Byte (0 Byte)"));
        QCOMPARE(w.StatusPanel1->text(), QString(" 0 Datei(en) selektiert 0 Byte"));
        QCOMPARE(ListCommands(w), AllOff);
        for (QAction* always : {w.ffnen1, w.Beenden1, w.Einstellungen1, w.Webseite1, w.Info1, w.OpenBtn, w.CloseBtn})
            QVERIFY(always->isEnabled());
        QCOMPARE(w.ffnen1->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(w.Beenden1->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
        QCOMPARE(w.Alleauswhlen2->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
        QCOMPARE(w.Alleabwhlen1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
        QCOMPARE(w.ZipArchiventpacken1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_U));
        QStringList menus;
        for (QAction* menu : w.menuBar()->actions()) {
            menus << menu->text() + ":";
            for (QAction* item : menu->menu()->actions())
                menus << (item->isSeparator() ? QString("-") : item->text());
        }
        QCOMPARE(menus, (QStringList{"&Datei:", "ZIP-Datei ö&ffnen...", "&Schließen", "Archiv &testen", "-", "&Beenden", "&Bearbeiten:",
                                     "&Alle auswählen", "Alle a&bwählen",
                                     "Markierte Dateien aus Zip-Archiv &entpacken...", "-", "&Filtern", "&Kommentar", "&Konfiguration:",
                                     "&Einstellungen...", "&?:", "&Webseite", "&Info..."}));
        // A mnemonic used twice in one menu only walks between its items.
        QList<QList<QAction*>> menuLevels{w.menuBar()->actions()};
        for (QAction* menu : w.menuBar()->actions())
            menuLevels << menu->menu()->actions();
        for (const QList<QAction*>& level : menuLevels) {
            QStringList keys;
            for (QAction* item : level)
                if (!item->isSeparator())
                    keys << QKeySequence::mnemonic(item->text()).toString();
            QVERIFY2(!keys.contains(QString()), qPrintable(keys.join(',')));
            QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
        }
        QStringList buttons;
        for (QAction* button : w.ToolBar->actions())
            buttons << button->text();
        QCOMPARE(buttons, (QStringList{"Beenden", "ZIP-Datei öffnen...", "Alle auswählen", "Jetzt auspacken"}));
        auto* openButton = qobject_cast<QToolButton*>(w.ToolBar->widgetForAction(w.OpenBtn));
        QVERIFY(openButton);
        QCOMPARE(openButton->text(), QString("ZIP-Datei öffnen..."));  // caption beside the icon keeps its dots
        QCOMPARE(openButton->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        QVERIFY(openButton->width() >= 114);
        QStringList popup;
        for (QAction* item : w.PopupMenu->actions())
            popup << item->text();
        QCOMPARE(popup, (QStringList{"&Alle auswählen", "Alle a&bwählen"}));
        QCOMPARE(w.Model->headerData(lcUncompressed, Qt::Horizontal).toString(), QString("Größe unkomprimiert"));
        // Nominal width, or wider when the caption needs it: a cut caption is a fault.
        QVERIFY(w.LV->header()->sectionSize(lcUncompressed) >= 110);
        QVERIFY(w.LV->header()->sectionSize(lcUncompressed) >= w.LV->header()->sectionSizeHint(lcUncompressed));
    }

    // Catches rows for folder entries, a wrong order, wrong cell texts or
    // alignments, wrong totals, caption or command states after opening.
    void openArchiveFillsList()
    {
        TempDir dir;
        const QString archive = WriteArchive(dir, "mixed.zip", MixedEntries());
        TMain w;
        QVERIFY(w.OpenArchive(archive));
        QCOMPARE(Column(w, lcName), (QStringList{"alpha.txt", "Alpha.txt", "readme.txt", "readme.txt", "zeta.txt"}));
        QCOMPARE(Column(w, lcFolder), (QStringList{"", "", "docs", "src", ""}));
        QCOMPARE(Column(w, lcRatio), (QStringList{"-3%", "0%", "50%", "0%", "75%"}));
        QCOMPARE(Column(w, lcUncompressed), (QStringList{"1.000 Byte", "0 Byte", "1.953 KByte", "10 Byte", "1.000 Byte"}));
        QCOMPARE(Column(w, lcCompressed), (QStringList{"1.030 Byte", "0 Byte", "976 KByte", "10 Byte", "250 Byte"}));
        QCOMPARE(Column(w, lcDate)[0], QString());  // impossible date: empty, and the rest still fills
        QVERIFY(Column(w, lcDate)[1].startsWith("15.04."));
        QCOMPARE(w.Model->index(0, lcUncompressed).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
        QCOMPARE(w.Model->index(0, lcRatio).data(Qt::TextAlignmentRole).toInt() & Qt::AlignLeft, int(Qt::AlignLeft));
        QCOMPARE(w.SelectedCount(), 5);
        QCOMPARE(w.TotalSize(), qint64(2002010));
        QCOMPARE(w.StatusPanel0->text(), QString(" 5 Datei(en) 1.955 KByte (977 KByte)"));
        QCOMPARE(w.StatusPanel1->text(), QString(" 5 Datei(en) selektiert 1.955 KByte"));
        QCOMPARE(w.windowTitle(), QString("Valbrix - mixed.zip"));
        QCOMPARE(w.ArchiveName(), archive);
        QCOMPARE(ListCommands(w), AllOn);
        QVERIFY(!w.SetupFound());

        // Opening another archive replaces the rows.
        const QString other = WriteArchive(dir, "other.zip", {{"one.bin", 5, 5}});
        QVERIFY(w.OpenArchive(other));
        QCOMPARE(Column(w, lcName), QStringList{"one.bin"});
        QCOMPARE(w.windowTitle(), QString("Valbrix - other.zip"));
    }

    // Catches a setup program missed in a folder, in another case or inside a longer name.
    void setupProgramDetected()
    {
        TempDir dir;
        TMain w;
        valbrix::test::TMessageBoxScript boxes(w.Seams().Boxes);
        for (const char* name : {"install/setup.exe", "Setup.EXE", "mysetup.exe"}) {
            boxes.Answer(idNo);  // the offer to install
            QVERIFY(w.OpenArchive(WriteArchive(dir, "s.zip", {{"a.txt", 1, 1}, {name, 1, 1}})));
            QVERIFY2(w.SetupFound(), name);
        }
        QCOMPARE(boxes.Asked.size(), 3);
        QVERIFY(w.OpenArchive(WriteArchive(dir, "s.zip", {{"setup.ex", 1, 1}, {"setup.exe/readme", 1, 1}})));
        QVERIFY(!w.SetupFound());
    }

    // Catches a folder-only archive reported as unlisted, a non-archive
    // reported as listed or leaving the previous rows and caption behind, and
    // an opening without rows that says nothing ("not a ZIP" looking like
    // "empty") or names neither the file nor the cause.
    void archivesWithoutRows()
    {
        TempDir dir;
        TMain w;
        TMessageBoxScript boxes(w.Seams().Boxes);
        QVERIFY(w.OpenArchive(WriteArchive(dir, "good.zip", {{"a.txt", 1, 1}})));
        boxes.Answer(idOK);
        QVERIFY(w.OpenArchive(WriteArchive(dir, "folders.zip", {{"one/", 0, 0}, {"one/two/", 0, 0}})));
        QCOMPARE(w.Model->rowCount(), 0);
        QCOMPARE(w.windowTitle(), QString("Valbrix"));
        QCOMPARE(ListCommands(w), AllOff);
        QCOMPARE(boxes.Asked.last().Text, "Das Archiv " + QuotedName(Path(dir, "folders.zip")) + " enthält keine Dateien.");
        QCOMPARE(boxes.Asked.last().Kind, mkInformation);

        QVERIFY(w.OpenArchive(WriteArchive(dir, "good.zip", {{"a.txt", 1, 1}})));
        valbrix::test::WriteFile(dir / "plain.txt", std::string("no archive here"));
        const QString cut = WriteArchive(dir, "cut.zip", {{"a.txt", 100, 100}});
        QFile::resize(cut, 20);  // cut inside its first header: nothing to recover
        mkfifo((dir / "pipe").c_str(), 0600);
        struct Case {
            QString Path;
            QString Says;
        };
        QList<Case> cases = {
            {Path(dir, "plain.txt"), "ist kein ZIP-Archiv"},
            {cut, "ist kein ZIP-Archiv oder ist unvollständig"},
            {Path(dir, "missing.zip"), "wurde nicht gefunden"},
            {Path(dir, "pipe"), "keine gewöhnliche Datei"},
        };
        if (geteuid() != 0) {  // root reads everything
            valbrix::test::WriteFile(dir / "locked.zip", std::string("PK"));
            QFile::setPermissions(Path(dir, "locked.zip"), QFileDevice::WriteOwner);
            cases.append({Path(dir, "locked.zip"), "Keine Leseberechtigung"});
        }
        for (const Case& c : cases) {
            boxes.Answer(idOK);
            QVERIFY(!w.OpenArchive(c.Path));
            QVERIFY2(boxes.Asked.last().Text.contains(c.Path) && boxes.Asked.last().Text.contains(c.Says),
                     qPrintable(boxes.Asked.last().Text));
            QCOMPARE(boxes.Asked.last().Kind, mkError);
        }
        QCOMPARE(w.Model->rowCount(), 0);
        QCOMPARE(w.windowTitle(), QString("Valbrix"));
        QCOMPARE(w.StatusPanel0->text(), QString(" 0 Datei(en) 0 Byte (0 Byte)"));
        QCOMPARE(w.StatusPanel1->text(), QString(" 0 Datei(en) selektiert 0 Byte"));
        QCOMPARE(ListCommands(w), AllOff);
    }

    // Catches a damaged directory shown as if complete (no message, or one
    // without the count), the rows read before the damage dropped, and ZIP64
    // sizes cut to 32 bits in the totals.
    void damagedDirectoryIsToldWithTheCount()
    {
        using namespace valbrix::test;
        TempDir dir;
        CraftedZip zip;
        CraftedEntry big = StoredEntry("big.iso", Bytes{'b'});
        big.UncompressedSize = big.CompressedSize = 0xFFFFFFFFu;
        big.Extra = Zip64Extra({5ull << 30, 1ull << 30});
        zip.Add(big);
        zip.Add(StoredEntry("sub/", {}));
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            zip.Add(StoredEntry(name, Bytes{'x'}));
        Bytes bytes = zip.Build();
        const Bytes central = {'P', 'K', 1, 2};
        auto at = bytes.begin();
        for (int record = 0; record < 5; ++record)  // the fifth central header: c.txt's
            at = std::search(record == 0 ? bytes.begin() : at + 1, bytes.end(), central.begin(), central.end());
        at[2] = 9;
        WriteFile(dir / "damaged.zip", bytes);

        TMain w;
        {
            TMessageBoxScript script(w.Seams().Boxes);
            script.Answer(idOK);
            QVERIFY(w.OpenArchive(Path(dir, "damaged.zip")));
            QCOMPARE(script.Asked.size(), 1);
            const QString text = script.Asked[0].Text;
            QVERIFY2(text.contains("Inhaltsverzeichnis") && text.contains("beschädigt"), qPrintable(text));
            // Counted as the list counts: three rows of files, the folder apart.
            QVERIFY2(text.contains("nur 3 Datei(en) und 1 Ordner gelesen"), qPrintable(text));
            QVERIFY2(text.contains(QString::fromUtf8("\u201Edamaged.zip\u201C")), qPrintable(text));
            QCOMPARE(script.Asked[0].Kind, mkError);
        }
        QCOMPARE(Column(w, lcName), (QStringList{"a.txt", "b.txt", "big.iso"}));
        QCOMPARE(w.TotalSize(), (qint64(5) << 30) + 2);
        QCOMPARE(ListCommands(w), AllOn);
    }

    // Catches a cut download refused as "not a ZIP archive", a recovered
    // archive told like a damaged directory (or not at all), and an entry cut
    // off by the end of the file shown like a whole one (no grey, no reason).
    void recoveredArchiveIsToldAndItsCutEntryGreyed()
    {
        using namespace valbrix::test;
        TempDir dir;
        CraftedZip zip;
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            zip.Add(StoredEntry(name, TextLikeData(100)));
        Bytes bytes = zip.Build();
        bytes.resize(zip.LocalHeaderOffset(2) + 30 + 5 + 40);  // inside c.txt's data
        WriteFile(dir / "cut.zip", bytes);

        TMain w;
        {
            TMessageBoxScript script(w.Seams().Boxes);
            script.Answer(idOK);
            QVERIFY(w.OpenArchive(Path(dir, "cut.zip")));
            QCOMPARE(script.Asked.size(), 1);
            QCOMPARE(script.Asked[0].Text, QString("Das Archiv ist beschädigt: 3 Datei(en) wurden aus den Dateiköpfen gelesen."));
            QCOMPARE(script.Asked[0].Kind, mkError);
        }
        QCOMPARE(Column(w, lcName), (QStringList{"a.txt", "b.txt", "c.txt"}));
        for (int row = 0; row < 3; ++row) {
            const QModelIndex index = w.Model->index(row, lcName);
            const bool cut = w.Model->CellText(row, lcName) == "c.txt";
            QCOMPARE(w.Model->data(index, Qt::ToolTipRole).toString().contains("abgeschnitten"), cut);
            QCOMPARE(w.Model->data(index, Qt::ForegroundRole).isValid(), cut);
        }
    }

    // Catches the archive comment not shown, shown as rich text or with raw
    // control characters, left standing for the next archive, the area
    // shown without a comment, and the menu's choice not remembered.
    void commentAreaShowsTheCommentAndRemembersItsChoice()
    {
        using namespace valbrix::test;
        TempDir dir;
        const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", (dir.Path() / "config").string().c_str());
        CraftedZip commented, plain;
        for (CraftedZip* zip : {&commented, &plain})
            zip->Add(StoredEntry("a.txt", Bytes{'a'}));
        commented.SetArchiveComment("<a href=\"x\">Version</a>\r\nZeile\x1b" "2");
        WriteFile(dir / "c.zip", commented.Build());
        WriteFile(dir / "p.zip", plain.Build());
        {
            TMain w;
            QVERIFY(w.Kommentar1->isChecked());
            QVERIFY(w.OpenArchive(Path(dir, "c.zip")));
            QVERIFY(!w.CommentView->isHidden());
            QCOMPARE(w.CommentView->toPlainText(), QString("<a href=\"x\">Version</a>\nZeile\u241b" "2"));
            QVERIFY(w.CommentView->isReadOnly());
            QVERIFY(w.OpenArchive(Path(dir, "p.zip")));
            QVERIFY(w.CommentView->isHidden());
            QVERIFY(w.CommentView->toPlainText().isEmpty());
            QVERIFY(w.OpenArchive(Path(dir, "c.zip")));
            w.Kommentar1->trigger();
            QVERIFY(w.CommentView->isHidden());
        }
        {
            TMain w;
            QVERIFY(!w.Kommentar1->isChecked());
            QVERIFY(w.OpenArchive(Path(dir, "c.zip")));
            QVERIFY(w.CommentView->isHidden());
            w.Kommentar1->trigger();
            QVERIFY(!w.CommentView->isHidden());
        }
        if (savedConfig.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", savedConfig);
    }

    // Catches a lookalike end record in the archive comment told as damage
    // (no rows, the damage message), and a directory size that disagrees
    // with the records read shown as a complete listing without the message.
    void directoryVerdicts_data()
    {
        QTest::addColumn<QString>("comment");
        QTest::addColumn<int>("sizeSkew");
        QTest::addColumn<bool>("damaged");
        using valbrix::test::Bytes;
        const Bytes lookalike = valbrix::test::LookalikeEndRecord(0);
        Bytes locatorAndEnd = valbrix::test::LookalikeLocator(0);
        const Bytes saturated = valbrix::test::LookalikeEndRecord(0, true);
        locatorAndEnd.insert(locatorAndEnd.end(), saturated.begin(), saturated.end());
        const auto text = [](const Bytes& bytes) { return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())); };
        QTest::newRow("end record in the comment") << text(lookalike) << 0 << false;
        QTest::newRow("locator and end record in the comment") << text(locatorAndEnd) << 0 << false;
        for (const int skew : {-46, -1, 1, 46})
            QTest::addRow("directory size %+d", skew) << QString() << skew << true;
    }
    void directoryVerdicts()
    {
        QFETCH(QString, comment);
        QFETCH(int, sizeSkew);
        QFETCH(bool, damaged);
        using namespace valbrix::test;
        TempDir dir;
        CraftedZip zip;
        for (const char* name : {"a.txt", "b.txt"})
            zip.Add(StoredEntry(name, Bytes{'x'}));
        const QByteArray commentBytes = comment.toLatin1();
        zip.SetArchiveComment(commentBytes.toStdString());
        zip.SetDirectorySizeSkew(sizeSkew);
        WriteFile(dir / "v.zip", zip.Build());

        TMain w;
        TMessageBoxScript script(w.Seams().Boxes);
        if (damaged)
            script.Answer(idOK);
        QVERIFY(w.OpenArchive(Path(dir, "v.zip")));
        QCOMPARE(Column(w, lcName), (QStringList{"a.txt", "b.txt"}));
        QCOMPARE(script.Asked.size(), damaged ? 1 : 0);
        if (damaged) {
            const QString text = script.Asked[0].Text;
            QVERIFY2(text.contains("beschädigt") && text.contains("2 Datei(en)"), qPrintable(text));
            QCOMPARE(script.Asked[0].Kind, mkError);
        }
    }

    // Catches stale panel 1 and commands after a selection change by mouse or
    // keyboard alone, selection commands that do not update, and "Schließen"
    // wrongly touched by a selection update.
    void selectionUpdates()
    {
        TempDir dir;
        TMain w;
        w.SetCommandLine({});
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(w.OpenArchive(WriteArchive(dir, "sel.zip", {{"a", 100, 10}, {"b", 200, 20}, {"c", 300, 30}})));

        w.Keineauswhlen1Click();
        QCOMPARE(w.StatusPanel1->text(), QString(" 0 Datei(en) selektiert 0 Byte"));
        QCOMPARE(w.TotalSize(), qint64(0));
        QVERIFY(!w.UnzipBtn->isEnabled() && !w.ZipArchiventpacken1->isEnabled());
        QVERIFY(w.SelAllBtn->isEnabled() && w.Alleauswhlen1->isEnabled() && w.Alleabwhlen2->isEnabled());
        QVERIFY(w.Schlieen1->isEnabled());

        // Keyboard alone: the list takes the focus and the cursor moves.
        w.LV->setFocus();
        w.LV->setCurrentIndex(w.Model->index(0, 0));
        QCOMPARE(w.StatusPanel1->text(), QString(" 1 Datei(en) selektiert 100 Byte"));
        QTest::keyClick(w.LV, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(w.StatusPanel1->text(), QString(" 2 Datei(en) selektiert 300 Byte"));
        QVERIFY(w.UnzipBtn->isEnabled());
        QTest::keyClick(w.LV, Qt::Key_End);
        QCOMPARE(w.StatusPanel1->text(), QString(" 1 Datei(en) selektiert 300 Byte"));
        QCOMPARE(w.TotalSize(), qint64(300));

        // Mouse: a click selects one row, a Ctrl-click adds one.
        QTest::mouseClick(w.LV->viewport(), Qt::LeftButton, {}, w.LV->visualRect(w.Model->index(1, 0)).center());
        QCOMPARE(w.StatusPanel1->text(), QString(" 1 Datei(en) selektiert 200 Byte"));
        QTest::mouseClick(w.LV->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          w.LV->visualRect(w.Model->index(0, 0)).center());
        QCOMPARE(w.StatusPanel1->text(), QString(" 2 Datei(en) selektiert 300 Byte"));

        // The shortcuts of the two selection commands.
        QTest::keyClick(&w, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.StatusPanel1->text(), QString(" 3 Datei(en) selektiert 600 Byte"));
        QTest::keyClick(&w, Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(w.StatusPanel1->text(), QString(" 0 Datei(en) selektiert 0 Byte"));
        // The list's popup menu opens on a right click and its items act.
        emit w.LV->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(w.PopupMenu->isVisible());
        w.PopupMenu->close();
        w.Alleauswhlen1->trigger();
        QCOMPARE(w.SelectedCount(), 3);
        QCOMPARE(w.StatusPanel0->text(), QString(" 3 Datei(en) 600 Byte (60 Byte)"));  // panel 0 left alone
    }

    // Catches "Schließen" that resets caption, panels or archive name, or leaves a command enabled.
    void closeKeepsTexts()
    {
        TempDir dir;
        TMain w;
        const QString archive = WriteArchive(dir, "keep.zip", {{"a", 100, 10}});
        QVERIFY(w.OpenArchive(archive));
        const QString panel0 = w.StatusPanel0->text(), panel1 = w.StatusPanel1->text();
        w.Schlieen1->trigger();
        QCOMPARE(w.Model->rowCount(), 0);
        QCOMPARE(ListCommands(w), AllOff);
        QCOMPARE(w.windowTitle(), QString("Valbrix - keep.zip"));
        QCOMPARE(w.StatusPanel0->text(), panel0);
        QCOMPARE(w.StatusPanel1->text(), panel1);
        QCOMPARE(w.ArchiveName(), archive);
    }

    // Catches a drop that stops at a text file, opens a folder, or passes over
    // an archive that lists only folders (it counts as listed).
    void dropFiles()
    {
        TempDir dir;
        valbrix::test::WriteFile(dir / "notes.txt", std::string("text"));
        const QString folders = WriteArchive(dir, "folders.zip", {{"f/", 0, 0}});
        const QString first = WriteArchive(dir, "first.zip", {{"one", 1, 1}});
        const QString second = WriteArchive(dir, "second.zip", {{"two", 2, 2}});
        TMain w;
        TMessageBoxScript boxes(w.Seams().Boxes);
        QVERIFY(w.acceptDrops());

        // Through the window's drop event, as the desktop delivers it.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(Path(dir, "notes.txt")), QUrl::fromLocalFile(Path(dir, "")),
                      QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &drop);
        QCOMPARE(w.ArchiveName(), first);
        QCOMPARE(Column(w, lcName), QStringList{"one"});

        QVERIFY(boxes.Asked.isEmpty());  // the text file passed over without a word

        boxes.Answer(idOK);
        w.WMDropFiles({folders, second});
        QCOMPARE(w.ArchiveName(), folders);
        QCOMPARE(w.Model->rowCount(), 0);
        QVERIFY(boxes.Asked.last().Text.contains("enthält keine Dateien"));

        boxes.Answer(idOK);
        w.WMDropFiles({Path(dir, "notes.txt")});  // tried, lists nothing
        QCOMPARE(w.ArchiveName(), Path(dir, "notes.txt"));
        QCOMPARE(w.windowTitle(), QString("Valbrix"));
        QCOMPARE(boxes.Asked.size(), 2);
        QVERIFY(boxes.Asked.last().Text.contains(QString::fromUtf8("notes.txt\u201C ist kein ZIP-Archiv")));
    }

    // Catches the open dialog not run, its answer not opened, a cancel that
    // clears the list, and a dialog that shows the name typed the last time.
    void openDialog()
    {
        TempDir dir;
        const QString archive = WriteArchive(dir, "picked.zip", {{"x", 1, 1}});
        TMain w;
        QString answer = archive;
        int runs = 0;
        QStringList shownNames;
        w.Seams().RunOpenDialog = [&](QFileDialog& dialog) {
            ++runs;
            [&] { QCOMPARE(dialog.windowTitle(), QString("Zip-Datei öffnen")); }();
            auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            shownNames << (name ? name->text() : QStringLiteral("(no name field)"));
            if (name)
                name->setText(QStringLiteral("getippt.zip"));
            return answer;
        };
        w.ffnen1->trigger();
        QCOMPARE(runs, 1);
        QCOMPARE(w.windowTitle(), QString("Valbrix - picked.zip"));
        answer.clear();
        w.OpenBtn->trigger();
        QCOMPARE(runs, 2);
        QCOMPARE(w.Model->rowCount(), 1);
        QCOMPARE(shownNames, (QStringList{"", ""}));
    }

    // Catches the open dialog writing sizes and dates in the system's
    // locale (English under C) while the list writes them in German.
    void openDialogWritesSizesAndDatesAsTheList()
    {
        TempDir dir;
        valbrix::test::WriteFile(dir / "big.zip", std::string(5000, 'x'));
        const QString path = Path(dir, "big.zip");
        TMain w;
        QAbstractProxyModel* proxy = w.OpenDialog->proxyModel();
        QVERIFY(proxy);
        auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
        QVERIFY(files);
        w.OpenDialog->setDirectory(Path(dir, ""));
        QTRY_COMPARE(files->size(files->index(path)), qint64(5000));
        QCOMPARE(proxy->mapFromSource(files->index(path).siblingAtColumn(1)).data().toString(),
                 MyTools().FormatSize(5000));
        QCOMPARE(proxy->mapFromSource(files->index(path).siblingAtColumn(3)).data().toString(),
                 platform::FullYearDateTimeText(QFileInfo(path).lastModified()));
    }

    // Catches the first show not opening the command line's archive, or opening it twice.
    void commandLineOpensOnFirstShow()
    {
        TempDir dir;
        QDir().mkpath(Path(dir, "My Files"));
        const QString archive = WriteArchive(dir, "My Files/a b.zip", {{"x", 1, 1}});
        TMain w;
        w.SetCommandLine({Path(dir, "My"), "Files/a", "b.zip"});
        w.show();
        QTRY_VERIFY(w.CommandLineDone());
        QCOMPARE(w.ArchiveName(), archive);
        QCOMPARE(w.windowTitle(), QString("Valbrix - a b.zip"));
        w.Schlieen1->trigger();
        w.hide();
        w.show();
        QCOMPARE(w.Model->rowCount(), 0);
    }

    // Catches a command line that names no file leaving an empty window
    // without a word.
    void commandLineNamingNothingSaysSo()
    {
        TempDir dir;
        TMain w;
        TMessageBoxScript boxes(w.Seams().Boxes);
        boxes.Answer(idOK);
        w.SetCommandLine({Path(dir, "gone"), "away.zip"});
        w.show();
        QTRY_VERIFY(w.CommandLineDone());
        QCOMPARE(boxes.Asked.size(), 1);
        QCOMPARE(boxes.Asked[0].Text, "Die Datei " + QuotedName(Path(dir, "gone") + " away.zip") + " wurde nicht gefunden.");
        QCOMPARE(w.windowTitle(), QString("Valbrix"));
    }

    // Catches a seam that is the process's rather than the window's: a box
    // or a hand-over of one window reaching the other window's script, also
    // from a link in its About dialog.
    void seamsBelongToTheirWindow()
    {
        TempDir dir;
        TMain first;
        TMain second;
        // The first window's scripts are made first: one process-wide seam
        // would hand its box and its address to the second's, made last.
        TMessageBoxScript firstBoxes(first.Seams().Boxes);
        valbrix::test::TLauncherScript firstLauncher(first.Seams().Launcher);
        TMessageBoxScript secondBoxes(second.Seams().Boxes);  // asked nothing: any box fails the test
        valbrix::test::TLauncherScript secondLauncher(second.Seams().Launcher);
        firstBoxes.Answer(idOK);
        QVERIFY(!first.OpenArchive(Path(dir, "gone.zip")));
        QCOMPARE(firstBoxes.Asked.size(), 1);
        first.Webseite1->trigger();
        QCOMPARE(firstLauncher.Opened.size(), 1);
        first.Seams().RunAboutDlg = [](about::TAboutDlg& dialog) {
            dialog.show();  // the links get their addresses when shown
            dialog.HTTPLabel->Click();
            dialog.close();
            return int(QDialog::Accepted);
        };
        first.Info1->trigger();
        QCOMPARE(firstLauncher.Opened.size(), 2);
        QVERIFY(secondLauncher.Opened.isEmpty());
    }

    // Catches "Beenden" and its shortcut not closing the window.
    void exitCloses()
    {
        TMain w;
        w.SetCommandLine({});
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_X, Qt::AltModifier);
        QVERIFY(!w.isVisible());
        w.show();
        w.CloseBtn->trigger();
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
