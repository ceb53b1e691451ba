// The folder field and the folder dialog behind it, offscreen, with the
// dialog scripted: where the dialog opens, what a choice puts into the
// field, the keys, drops, the read-only rules and the Help button.
#include <fcntl.h>
#include <sys/stat.h>

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include "FolderDialogScript.h"
#include "controls/ToolEdit.h"

using namespace valbrix;
using valbrix::test::TFolderDialogScript;

namespace {

// A dialog like the extraction dialog: the field, then OK (default) and Abbrechen.
struct TFieldDialog {
    TFieldDialog()
    {
        auto* layout = new QVBoxLayout(&Dialog);
        Edit = new TDirectoryEdit;
        Edit->DialogKind = dkWin32;
        Edit->DialogText = QStringLiteral("Ordner wählen");
        layout->addWidget(Edit);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        buttons->button(QDialogButtonBox::Ok)->setDefault(true);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &Dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &Dialog, &QDialog::reject);
        layout->addWidget(buttons);
        Dialog.resize(400, 100);
        Dialog.show();
        Edit->setFocus();
        (void)QTest::qWaitForWindowExposed(&Dialog);
    }
    QDialog Dialog;
    TDirectoryEdit* Edit;
};

}  // namespace

class TestDirectoryEdit : public QObject {
    Q_OBJECT
private slots:
    // Catches: a missing or empty start folder handed to the dialog as it is
    // (the dialog would open at some unrelated place), InitialDir ignored.
    void dialogOpensAtAnExistingFolder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("initialDir");
        QTest::addColumn<QString>("startFolder");
        const QString temp = QDir::tempPath();
        QTest::newRow("field's folder") << temp << QString() << temp;
        QTest::newRow("empty field: InitialDir") << QString() << temp << temp;
        QTest::newRow("empty field, no InitialDir") << QString() << QString() << QStringLiteral("/");
        QTest::newRow("missing folder") << temp + "/gibt-es-nicht" << temp << QStringLiteral("/");
    }
    void dialogOpensAtAnExistingFolder()
    {
        QFETCH(QString, text);
        QFETCH(QString, initialDir);
        QFETCH(QString, startFolder);
        TFieldDialog form;
        form.Edit->setText(text);
        form.Edit->InitialDir = initialDir;
        TFolderDialogScript script(form.Edit->FolderDialogRunner);
        script.Cancel();
        QTest::mouseClick(form.Edit->Button, Qt::LeftButton);
        QCOMPARE(script.Runs.size(), 1);
        QCOMPARE(script.Runs[0].StartFolder, startFolder);
        QCOMPARE(script.Runs[0].Title, QStringLiteral("Ordner wählen"));
        QCOMPARE(form.Edit->text(), text);  // cancelled: unchanged
    }

    // Catches: a trailing '/' left in the field (or "/" emptied), a folder
    // that does not exist accepted, InitialDir not following the choice.
    void choiceGivesAPathWithoutTrailingDelimiter()
    {
        QTemporaryDir temp;
        QDir(temp.path()).mkdir(QStringLiteral("Ziel"));
        const struct {
            QString Chosen;
            QString Text;
        } cases[] = {
            {temp.path() + "/Ziel/", temp.path() + "/Ziel"},
            {temp.path() + "//Ziel", temp.path() + "/Ziel"},
            {QStringLiteral("/"), QStringLiteral("/")},
            {temp.path() + "/gibt-es-nicht", QStringLiteral("alt")},
        };
        for (const auto& c : cases) {
            TFieldDialog form;
            form.Edit->setText(QStringLiteral("alt"));
            TFolderDialogScript script(form.Edit->FolderDialogRunner);
            script.Choose(c.Chosen);
            QTest::keyClick(form.Edit, Qt::Key_Down, Qt::AltModifier);
            QCOMPARE(form.Edit->text(), c.Text);
            if (c.Text != QLatin1String("alt"))
                QCOMPARE(form.Edit->InitialDir, c.Text);
        }
    }

    // Catches: Alt+Down swallowed (or a dialog opened) without a button, the
    // button working in a read-only field, typing into a field without
    // direct input, or the button refused there.
    void keysAndReadOnlyRules()
    {
        TFieldDialog form;
        {
            form.Edit->SetButtonWidth(0);
            TFolderDialogScript none(form.Edit->FolderDialogRunner);  // any dialog fails the test
            QTest::keyClick(form.Edit, Qt::Key_Down, Qt::AltModifier);
            form.Edit->SetButtonWidth(21);
        }
        {
            form.Edit->SetReadOnly(true);
            TFolderDialogScript none(form.Edit->FolderDialogRunner);
            QTest::mouseClick(form.Edit->Button, Qt::LeftButton);
            QTest::keyClick(form.Edit, Qt::Key_Down, Qt::AltModifier);
            QTest::keyClicks(form.Edit, QStringLiteral("abc"));
            QCOMPARE(form.Edit->text(), QString());
            form.Edit->SetReadOnly(false);
        }
        form.Edit->SetDirectInput(false);
        QTest::keyClicks(form.Edit, QStringLiteral("abc"));
        QCOMPARE(form.Edit->text(), QString());
        TFolderDialogScript script(form.Edit->FolderDialogRunner);
        script.Choose(QDir::tempPath());
        QTest::mouseClick(form.Edit->Button, Qt::LeftButton);
        QCOMPARE(form.Edit->text(), QDir::tempPath());
    }

    // Catches: Enter or Escape kept by the field (the dialog's OK and
    // Abbrechen would not react), and a key-press handler that cannot stop
    // Enter from closing the dialog.
    void enterAndEscapeReachTheDialog()
    {
        {
            TFieldDialog form;
            QTest::keyClick(form.Edit, Qt::Key_Return);
            QCOMPARE(form.Dialog.result(), int(QDialog::Accepted));
            QVERIFY(!form.Dialog.isVisible());
        }
        {
            TFieldDialog form;
            QTest::keyClick(form.Edit, Qt::Key_Escape);
            QCOMPARE(form.Dialog.result(), int(QDialog::Rejected));
            QVERIFY(!form.Dialog.isVisible());
        }
        {
            TFieldDialog form;
            int seen = 0;
            form.Edit->OnKeyPress = [&seen](TCustomComboEdit&, QChar& key) {
                if (key == QChar(13)) {
                    ++seen;
                    key = QChar();
                }
            };
            QTest::keyClick(form.Edit, Qt::Key_Return);
            QCOMPARE(seen, 1);
            QVERIFY(form.Dialog.isVisible());
        }
    }

    // Catches: more than one dropped folder taken without MultipleDirs, the
    // drop order lost, a dropped file not turned into its folder, files taken
    // by a field that does not accept them.
    void drops()
    {
        QTemporaryDir temp;
        QDir dir(temp.path());
        for (const char* name : {"a", "b", "c"})
            dir.mkdir(QLatin1String(name));
        QFile file(temp.path() + "/datei.txt");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QStringList folders = {temp.path() + "/a", temp.path() + "/b", temp.path() + "/c"};

        TDirectoryEdit edit;
        int dropped = 0;
        edit.OnDropFiles = [&dropped](TFileDirEdit&) { ++dropped; };
        edit.setText(QStringLiteral("x"));
        edit.DropFiles(folders);
        QCOMPARE(edit.text(), folders[0]);
        edit.MultipleDirs = true;
        edit.DropFiles(folders);
        QCOMPARE(edit.text(), folders[0] + ";" + folders.join(';'));
        edit.clear();
        edit.DropFiles({file.fileName()});
        QCOMPARE(edit.text(), temp.path() + "/");
        QCOMPARE(dropped, 3);
        QCOMPARE(edit.LongPaths(), temp.path() + "/");

        // A real drop reaches the field only when it accepts files.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(folders[1])});
        edit.MultipleDirs = false;
        for (bool accept : {false, true}) {
            edit.SetAcceptFiles(accept);
            edit.setText(QStringLiteral("x"));
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&edit, &enter);
            QCOMPARE(enter.isAccepted(), accept);
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&edit, &drop);
            QCOMPARE(edit.text(), accept ? folders[1] : QStringLiteral("x"));
        }
    }

    // Catches: with MultipleDirs, a chosen folder appended to text that the
    // focus had selected (it must replace it) or replacing text that was not
    // selected (it must be appended).
    void multipleDirsReplaceOrAppend()
    {
        TFieldDialog form;
        form.Edit->MultipleDirs = true;
        form.Edit->setText(QStringLiteral("/a"));
        form.Edit->deselect();
        TFolderDialogScript script(form.Edit->FolderDialogRunner);
        script.Choose(QStringLiteral("/"));
        QTest::keyClick(form.Edit, Qt::Key_Down, Qt::AltModifier);  // focus stays: nothing selected
        QCOMPARE(form.Edit->text(), QStringLiteral("/a;/"));
        form.Edit->selectAll();
        script.Choose(QDir::tempPath());
        QTest::keyClick(form.Edit, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(form.Edit->text(), QDir::tempPath());
    }

    // Catches: OnBeforeDialog unable to cancel, OnAfterDialog unable to
    // change the name (the extraction dialog removes quotes there).
    void dialogEvents()
    {
        TFieldDialog form;
        form.Edit->OnBeforeDialog = [](TFileDirEdit&, QString&, bool& action) { action = false; };
        {
            TFolderDialogScript none(form.Edit->FolderDialogRunner);
            QTest::keyClick(form.Edit, Qt::Key_Down, Qt::AltModifier);
        }
        form.Edit->OnBeforeDialog = nullptr;
        form.Edit->OnAfterDialog = [](TFileDirEdit&, QString& name, bool&) { name.remove(QLatin1Char('"')); };
        TFolderDialogScript script(form.Edit->FolderDialogRunner);
        script.Choose(QStringLiteral("/"));
        QTest::keyClick(form.Edit, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(form.Edit->text(), QStringLiteral("/"));
    }

    // Catches: a "&Hilfe" button that does nothing when pressed (shown with
    // a topic but nobody to show it), one missing when both are there, a
    // press that reaches no handler or the wrong topic, a field that does not
    // pass its topic and handler on; English button texts.
    void helpButton()
    {
        QList<int> shown;
        const THelpHandler record = [&](int topic) { shown << topic; };
        const struct {
            int context;
            bool handler;
            bool button;
        } cases[] = {{0, true, false}, {42, false, false}, {42, true, true}};
        for (const auto& c : cases) {
            TFolderDialogRunner runner;
            TFolderDialogScript script(runner);
            script.PressHelp = true;
            script.Cancel();
            QString name = QDir::tempPath();
            QVERIFY(!BrowseForDirectory(name, QStringLiteral("Ordner wählen"), c.context, nullptr,
                                        c.handler ? record : THelpHandler(), runner));
            QCOMPARE(name, QDir::tempPath());
            const QStringList buttons = script.Runs.value(0).Buttons;
            QCOMPARE(buttons.contains(QStringLiteral("&Hilfe")), c.button);
            QVERIFY(buttons.contains(QStringLiteral("OK")));
            QVERIFY(buttons.contains(QStringLiteral("Abbrechen")));
        }
        QCOMPARE(shown, QList<int>{42});

        TFieldDialog form;
        form.Edit->HelpContext = 7;
        form.Edit->OnHelp = record;
        TFolderDialogScript script(form.Edit->FolderDialogRunner);
        script.PressHelp = true;
        script.Cancel();
        QTest::keyClick(form.Edit, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(shown, (QList<int>{42, 7}));
    }

    // Catches the file model's two-digit years ("06.05.03") in the folder
    // list, where the main window's list shows four.
    void folderDatesHaveFourDigitYears()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("alt"));
        QVERIFY(QDir().mkdir(folder));
        const qint64 seconds = QDateTime(QDate(2003, 5, 6), QTime(7, 8)).toSecsSinceEpoch();
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0) == 0);

        QString dateCell;
        const TFolderDialogRunner readDate = [&](QFileDialog& dialog) {
            auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
            if (!view)
                return QString();
            // The file model fills in the background; wait for the row.
            (void)QTest::qWaitFor([&] {
                const QAbstractItemModel* model = view->model();
                for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
                    const QModelIndex name = model->index(row, 0, view->rootIndex());
                    if (name.data().toString() == QLatin1String("alt"))
                        dateCell = model->index(row, 3, view->rootIndex()).data().toString();
                }
                return !dateCell.isEmpty();
            });
            return QString();
        };
        QString name = root.path();
        BrowseForDirectory(name, QStringLiteral("Ordner wählen"), 0, nullptr, {}, readDate);
        QCOMPARE(dateCell, QStringLiteral("06.05.2003  07:08"));
    }

    // Catches: a hidden button still taking room (text under it), and a
    // width wider than the field accepted after construction.
    void buttonWidthRules()
    {
        TFieldDialog form;
        QVERIFY(form.Edit->ButtonHost->isVisible());
        QCOMPARE(form.Edit->textMargins().right(), 21 + 2);
        form.Edit->SetButtonWidth(form.Edit->width() + 5);
        QCOMPARE(form.Edit->ButtonWidth(), 21);
        form.Edit->SetButtonWidth(1);
        QVERIFY(!form.Edit->ButtonHost->isVisible());
        QCOMPARE(form.Edit->textMargins().right(), 2);
    }
};

QTEST_MAIN(TestDirectoryEdit)
#include "tst_DirectoryEdit.moc"
