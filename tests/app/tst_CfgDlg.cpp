// The settings dialog and the two commands of "Konfiguration" and "?" that
// are not the About dialog: the dialog's texts and keys, the association
// round trip in a scratch XDG folder (tick, write, ticked next time; untick
// and cancel write nothing), a failed write worded to the user, the
// website handed to the desktop, and "Info..." opening the About dialog.
#include <filesystem>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "ConfigFolder.h"
#include "LauncherScript.h"
#include "MessageBoxScript.h"
#include "TestFiles.h"
#include "Version.h"
#include "about/AboutDlg.h"
#include "app/dialogs/CfgDlg.h"
#include "app/window/MainUnit.h"
#include "platform/FileAssociation.h"

using namespace valbrix;
using valbrix::test::TempDir;

namespace {

std::string ReadText(const std::filesystem::path& path)
{
    const auto bytes = valbrix::test::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// A runner that records the box as the dialog showed it, sets it and closes
// the dialog with the given result.
struct TScriptedCfgDlg {
    bool Tick = true;
    int Result = QDialog::Accepted;
    int Runs = 0;
    bool ShownTicked = false;

    TCfgDlgRunner Runner()
    {
        return [this](TCfgDlg& dialog) {
            ++Runs;
            ShownTicked = dialog.ZIPChkBox->isChecked();
            dialog.ZIPChkBox->setChecked(Tick);
            return Result;
        };
    }
};

}  // namespace

class TestCfgDlg : public QObject {
    Q_OBJECT
private slots:
    // Catches the old typo and the Windows wording, English or cut texts, a
    // box ticked from the start, and Escape or the buttons not closing.
    void textsAndKeys()
    {
        TCfgDlg dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Einstellungen"));
        QCOMPARE(dialog.InfoLabel->text(),
                 QString("Die Verknüpfung von Valbrix mit ZIP-Dateien ermöglicht es, dass Sie ZIP-Dateien direkt, "
                         "z.B. aus dem Dateimanager, öffnen können."));
        QCOMPARE(dialog.ZIPChkBox->text(), QString("Dateierweiterung .ZIP mit Valbrix verknüpfen."));
        QVERIFY(!dialog.ZIPChkBox->isChecked());
        QCOMPARE(dialog.OKBtn->text(), QString("OK"));
        QCOMPARE(dialog.CancelBtn->text(), QString("Abbrechen"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.width() >= 425 && dialog.height() >= 144);
        QVERIFY(dialog.ZIPChkBox->width() >= dialog.ZIPChkBox->sizeHint().width());
        QVERIFY(dialog.InfoLabel->height() >= dialog.InfoLabel->heightForWidth(dialog.InfoLabel->width()));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        dialog.open();
        dialog.OKBtn->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // Catches a box that does not follow the stored association, writes on
    // Cancel or with the box unticked, and an untick that removes the entry.
    void associationRoundTrip()
    {
        TempDir dir;
        const platform::TXdgFolders folders{(dir / "data").string(), (dir / "config").string()};
        const QString program = QStringLiteral("/opt/Mein Programm/valbrix");
        TScriptedCfgDlg dialog;
        test::TMessageBoxScript boxes;  // any box fails the test

        dialog.Result = QDialog::Rejected;
        RunSettingsCommand(nullptr, dialog.Runner(), boxes, folders, program);
        QVERIFY(!dialog.ShownTicked);
        QVERIFY(!std::filesystem::exists(folders.DesktopEntryPath()));
        QVERIFY(!std::filesystem::exists(folders.MimeappsPath()));

        dialog.Result = QDialog::Accepted;
        RunSettingsCommand(nullptr, dialog.Runner(), boxes, folders, program);
        QVERIFY(!dialog.ShownTicked);
        QVERIFY(platform::AssociationIsOurs(folders, program.toStdString()));

        const std::string entry = ReadText(folders.DesktopEntryPath());
        const std::string mimeapps = ReadText(folders.MimeappsPath());
        dialog.Tick = false;
        RunSettingsCommand(nullptr, dialog.Runner(), boxes, folders, program);
        QVERIFY(dialog.ShownTicked);
        QCOMPARE(ReadText(folders.DesktopEntryPath()), entry);
        QCOMPARE(ReadText(folders.MimeappsPath()), mimeapps);

        // Another copy of the program finds the association not its own.
        RunSettingsCommand(nullptr, dialog.Runner(), boxes, folders, QStringLiteral("/usr/bin/valbrix"));
        QVERIFY(!dialog.ShownTicked);
        QCOMPARE(dialog.Runs, 4);
    }

    // Catches a write that fails silently, as if the association were made.
    void failedWriteIsReported()
    {
        TempDir dir;
        valbrix::test::WriteFile(dir / "data", std::string("a file where a folder belongs"));
        const platform::TXdgFolders folders{(dir / "data").string(), (dir / "config").string()};
        TScriptedCfgDlg dialog;
        test::TMessageBoxScript boxes;
        boxes.Answer(idOK);
        RunSettingsCommand(nullptr, dialog.Runner(), boxes, folders, QStringLiteral("/usr/bin/valbrix"));
        QCOMPARE(boxes.Asked.size(), 1);
        QCOMPARE(boxes.Asked[0].Kind, mkError);
        QVERIFY(boxes.Asked[0].Text.contains(QStringLiteral("nicht gespeichert")));
    }

    // Catches a mimeapps.list that cannot be read being rewritten (the
    // user's other associations lost) or refused without a word, and a
    // message that does not name the file or why it was kept.
    void unreadableMimeappsIsKeptAndExplained()
    {
        TempDir dir;
        const platform::TXdgFolders folders{(dir / "data").string(), (dir / "config").string()};
        std::filesystem::create_directories(folders.MimeappsPath());  // a folder: unreadable even for root
        TScriptedCfgDlg dialog;
        test::TMessageBoxScript boxes;
        boxes.Answer(idOK);
        RunSettingsCommand(nullptr, dialog.Runner(), boxes, folders, QStringLiteral("/usr/bin/valbrix"));
        QVERIFY(std::filesystem::is_directory(folders.MimeappsPath()));
        QCOMPARE(boxes.Asked.size(), 1);
        QCOMPARE(boxes.Asked[0].Kind, mkError);
        const QString text = boxes.Asked[0].Text;
        QVERIFY2(text.contains(QString::fromStdString(folders.MimeappsPath())), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("lässt sich nicht lesen. Unter diesem Namen steht ein Ordner.")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("nicht verändert")), qPrintable(text));
    }

    // Catches menu items bound to nothing: "Einstellungen..." runs the dialog
    // for this program in the user's XDG folders, "Webseite" hands the
    // project's address to the desktop.
    void menuCommands()
    {
        TempDir dir;
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "data").string()));
        test::TConfigFolderScope config(QString::fromStdString((dir / "config").string()));
        TMain window;
        window.SetCommandLine({});
        TScriptedCfgDlg dialog;
        window.Seams().RunCfgDlg = dialog.Runner();
        window.Einstellungen1->trigger();
        QCOMPARE(dialog.Runs, 1);
        QVERIFY(platform::AssociationIsOurs(platform::UserXdgFolders(),
                                            QCoreApplication::applicationFilePath().toStdString()));
        QVERIFY(std::filesystem::exists(dir / "data" / "applications" / "valbrix.desktop"));
        qunsetenv("XDG_DATA_HOME");

        test::TLauncherScript launcher(window.Seams().Launcher);
        window.Webseite1->trigger();
        QCOMPARE(launcher.Opened, QList<QUrl>{QUrl(QStringLiteral(VALBRIX_WEBSITE))});
        QVERIFY(launcher.Started.empty());
    }

    // Catches "Info..." that opens nothing or a dialog that Escape or
    // "Schließen" does not close.
    void infoOpensAndCloses()
    {
        TMain window;
        window.SetCommandLine({});
        QString title;
        auto closeWith = [&](bool escape) {
            QTimer::singleShot(0, [&title, escape] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                title = dialog->windowTitle();
                if (escape)
                    QTest::keyClick(dialog, Qt::Key_Escape);
                else
                    static_cast<about::TAboutDlg*>(dialog)->CloseBtn->click();
            });
        };
        closeWith(true);
        window.Info1->trigger();
        QCOMPARE(title, QString("Über Valbrix"));
        title.clear();
        closeWith(false);
        window.Info1->trigger();
        QCOMPARE(title, QString("Über Valbrix"));
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestCfgDlg)
#include "tst_CfgDlg.moc"
