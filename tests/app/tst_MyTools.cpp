// The utility unit: size and number texts in the German locale, random file
// names, file sizes, program start, and the message box (flags, captions,
// icons, German buttons, answers through the scripted seam).
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <memory>

#include "MessageBoxScript.h"
#include "TestFiles.h"
#include "app/dialogs/MessageBox.h"
#include "app/tools/MyTools.h"

using namespace valbrix;

class TestMyTools : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // Catches wrong unit thresholds (decimal) or divisors (binary), and a negative count shown as such.
    void formatSize_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0 Byte";
        QTest::newRow("largest byte count") << qint64(999999) << "999.999 Byte";
        QTest::newRow("smallest KByte") << qint64(1000000) << "976 KByte";
        QTest::newRow("largest KByte") << qint64(9999999) << "9.765 KByte";
        QTest::newRow("smallest MByte") << qint64(10000000) << "9 MByte";
        QTest::newRow("one GiB") << qint64(1073741824) << "1.024 MByte";
        QTest::newRow("negative") << qint64(-5) << "0 Byte";
        QTest::newRow("beyond 32 bits") << qint64(5) * 1073741824 << "5.120 MByte";
    }
    void formatSize()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(TMyTools(1).FormatSize(bytes), text);
    }

    // Catches a leading separator, a separator at the wrong place, and one after a minus sign.
    void groupThousandsAndPadNumber()
    {
        TMyTools tools(1);
        QCOMPARE(tools.GroupThousands(0), QString("0"));
        QCOMPARE(tools.GroupThousands(123), QString("123"));
        QCOMPARE(tools.GroupThousands(1234), QString("1.234"));
        QCOMPARE(tools.GroupThousands(123456), QString("123.456"));
        QCOMPARE(tools.GroupThousands(1234567), QString("1.234.567"));
        QCOMPARE(tools.GroupThousands(-1234), QString("-1.234"));
        QCOMPARE(tools.PadNumber(7), QString("0007"));
        QCOMPARE(tools.PadNumber(12345), QString("12345"));
        QCOMPARE(tools.PadNumber(-5), QString("-005"));
        // The separator follows the locale, not a fixed '.'.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(tools.GroupThousands(1234567), QString("1,234,567"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    // Catches a wrong length, a misplaced dot, characters outside the set, and a generator that never varies.
    void randomFileName()
    {
        TMyTools tools(42);
        QSet<QString> seen;
        for (int i = 0; i < 500; ++i) {
            const QString name = tools.RandomFileName();
            QCOMPARE(name.size(), 12);
            QCOMPARE(name[8], QChar('.'));
            for (int k = 0; k < 12; ++k) {
                if (k == 8)
                    continue;
                const QChar c = name[k];
                QVERIFY2((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= '{'), qPrintable(name));
            }
            seen.insert(name);
        }
        QVERIFY(seen.size() > 490);
        QCOMPARE(TMyTools(7).RandomFileName(), TMyTools(7).RandomFileName());
    }

    // Catches a folder or a missing file reported with a size, and a size cut to 32 bits.
    void getSizeOfFile()
    {
        valbrix::test::TempDir dir;
        TMyTools tools(1);
        valbrix::test::WriteFile(dir / "empty", std::string());
        valbrix::test::WriteFile(dir / "five", std::string("12345"));
        QCOMPARE(tools.GetSizeOfFile(QString::fromStdString((dir / "empty").string())), qint64(0));
        QCOMPARE(tools.GetSizeOfFile(QString::fromStdString((dir / "five").string())), qint64(5));
        QCOMPARE(tools.GetSizeOfFile(QString::fromStdString(dir.Path().string())), qint64(-1));
        QCOMPARE(tools.GetSizeOfFile(QString::fromStdString((dir / "missing").string())), qint64(-1));
        QCOMPARE(tools.GetSizeOfFile(QString()), qint64(-1));
        const std::string sparse = (dir / "sparse").string();
        QFile file(QString::fromStdString(sparse));
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (file.resize(qint64(5) << 30))
            QCOMPARE(tools.GetSizeOfFile(file.fileName()), qint64(5) << 30);
    }

    // Catches a start reported for a missing program, a real program not started,
    // parameters not passed, a Windows program started without wine, and a
    // path with a blank split so that its first word starts another program.
    void runProgram()
    {
        valbrix::test::TempDir dir;
        TMyTools tools(1);
        QVERIFY(!tools.RunProgram(QString::fromStdString((dir / "missing").string()), QString(), 1, true));
        QVERIFY(!tools.RunProgram(QStringLiteral("no-such-program-xyz"), QStringLiteral("a b"), 1, false));
        const QString marker = QString::fromStdString((dir / "made by touch").string());
        QVERIFY(tools.RunProgram(QStringLiteral("/usr/bin/touch"), QLatin1Char('"') + marker + QLatin1Char('"'), 1, true));
        QTRY_VERIFY(QFile::exists(marker));
        QVERIFY(tools.RunProgram(QStringLiteral("true"), QString(), 1, false));  // a bare name, from the PATH
        const QString planted = QString::fromStdString((dir / "planted").string());
        valbrix::test::WriteFile(dir / "My", "#!/bin/sh\ntouch '" + planted.toStdString() + "'\n");
        QFile(QString::fromStdString((dir / "My").string())).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(!tools.RunProgram(QString::fromStdString((dir / "My Setup").string()), QString(), 1, true));
        QTest::qWait(200);
        QVERIFY(!QFile::exists(planted));
        valbrix::test::WriteFile(dir / "setup.exe", std::string("MZ"));
        if (platformHasWine())
            QSKIP("wine is installed; the no-wine case cannot be checked");
        QVERIFY(!tools.RunProgram(QString::fromStdString((dir / "setup.exe").string()), QString(), 1, false));
    }

    // Catches swapped error/warning icons, a wrong default caption or flag sum.
    void messageBoxFlagsAndCaptions()
    {
        QCOMPARE(MessageBoxFlags(mkError, bcOK), 0x10030u);
        QCOMPARE(MessageBoxFlags(mkInformation, bcOKCancel), 0x10041u);
        QCOMPARE(MessageBoxFlags(mkQuestion, bcYesNo), 0x10024u);
        QCOMPARE(MessageBoxFlags(mkWarning, bcAbortRetryIgnore), 0x10012u);
        QCOMPARE(MessageBoxFlags(mkConfirmation, bcYesNoCancel), 0x10023u);
        QCOMPARE(MessageBoxFlags(mkError, bcRetryCancel), 0x10035u);
        QCOMPARE(DefaultCaption(mkError), QString("Fehler"));
        QCOMPARE(DefaultCaption(mkConfirmation), QString("Bestätigung"));
    }

    // Catches English or missing buttons, buttons mapped to the wrong answer code,
    // a wrong icon, and Escape giving an answer the combination does not offer.
    void messageBoxButtons_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("escapeAnswer");
        QTest::addColumn<int>("icon");
        QTest::newRow("ok") << int(mkInformation) << int(bcOK) << QStringList{"OK"} << QList<int>{1} << 1
                            << int(QMessageBox::Information);
        QTest::newRow("ok cancel") << int(mkError) << int(bcOKCancel) << QStringList{"OK", "Abbrechen"}
                                   << QList<int>{1, 2} << 2 << int(QMessageBox::Warning);
        QTest::newRow("abort retry ignore") << int(mkWarning) << int(bcAbortRetryIgnore)
                                            << QStringList{"Beenden", "Wiederholen", "Ignorieren"} << QList<int>{3, 4, 5}
                                            << 3 << int(QMessageBox::Critical);
        QTest::newRow("yes no cancel") << int(mkConfirmation) << int(bcYesNoCancel)
                                       << QStringList{"Ja", "Nein", "Abbrechen"} << QList<int>{6, 7, 2} << 2
                                       << int(QMessageBox::Question);
        QTest::newRow("yes no") << int(mkQuestion) << int(bcYesNo) << QStringList{"Ja", "Nein"} << QList<int>{6, 7}
                                << 7 << int(QMessageBox::Question);
        QTest::newRow("retry cancel") << int(mkError) << int(bcRetryCancel) << QStringList{"Wiederholen", "Abbrechen"}
                                      << QList<int>{4, 2} << 2 << int(QMessageBox::Warning);
    }
    void messageBoxButtons()
    {
        QFETCH(int, kind);
        QFETCH(int, buttons);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, answers);
        QFETCH(int, escapeAnswer);
        QFETCH(int, icon);
        TMessageBoxRequest request{"Text", "Titel", TMessageKind(kind), MessageBoxFlags(TMessageKind(kind), buttons)};
        std::unique_ptr<QMessageBox> box(BuildMessageBox(request, nullptr));
        QCOMPARE(box->windowTitle(), QString("Titel"));
        QCOMPARE(int(box->icon()), icon);
        const QList<QAbstractButton*> shown = box->buttons();
        QCOMPARE(shown.size(), texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            auto it = std::find_if(shown.begin(), shown.end(), [&](QAbstractButton* b) { return b->text() == texts[i]; });
            QVERIFY2(it != shown.end(), qPrintable(texts[i]));
            QCOMPARE((*it)->property("answer").toInt(), answers[i]);
        }
        QVERIFY(box->escapeButton());
        QCOMPARE(box->escapeButton()->property("answer").toInt(), escapeAnswer);
    }

    // Catches the program's own boxes losing a button, its answer or the
    // Escape answer, a check box whose state does not come back, details
    // that are not shown between text and buttons, and a long name that
    // widens the box and cuts its end instead of being shortened in the
    // middle (the reason on the next line must stay whole), and details cut
    // at the field's edge instead of wrapped.
    void ownButtonsCheckBoxDetailsAndLongNames()
    {
        const QString longPath = "/home/user/" + QString(400, 'x') + "/letzte-datei.txt";
        bool ticked = false;
        TMessageBoxRequest request{"Fehler beim Auspacken nach " + longPath + "!\nDer Datenträger ist voll.", "Fehler",
                                   mkError, MessageBoxFlags(mkError, 0)};
        request.Buttons = {{"OK", idOK}, {"&Abbrechen", idCancel}};
        request.EscapeAnswer = idOK;
        request.CheckBoxText = "Weitere Fehler erst am Ende anzeigen";
        request.CheckBoxChecked = &ticked;
        request.Details = "eins\nzwei";
        std::unique_ptr<QMessageBox> box(BuildMessageBox(request, nullptr));
        QStringList texts;
        QList<int> answers;
        for (QAbstractButton* button : box->buttons()) {
            texts << button->text();
            answers << button->property("answer").toInt();
        }
        QCOMPARE(QSet<QString>(texts.begin(), texts.end()), (QSet<QString>{"OK", "&Abbrechen"}));
        QCOMPARE(answers.size(), 2);
        QCOMPARE(box->escapeButton()->property("answer").toInt(), int(idOK));
        QVERIFY(box->checkBox());
        QCOMPARE(box->checkBox()->text(), request.CheckBoxText);
        auto* details = box->findChild<QPlainTextEdit*>();
        QVERIFY(details);
        QCOMPARE(details->toPlainText(), QString("eins\nzwei"));
        // A long reason wraps at a blank instead of ending mid-word at the field's edge.
        QCOMPARE(details->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(details->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);

        const QStringList shown = box->text().split('\n');
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[0].endsWith("letzte-datei.txt!"), qPrintable(shown[0]));
        QVERIFY(shown[0].startsWith("Fehler beim Auspacken nach /home/user/"));
        QVERIFY(shown[0].size() < longPath.size());
        QCOMPARE(shown[1], QString("Der Datenträger ist voll."));
        QCOMPARE(box->textFormat(), Qt::PlainText);  // a name like "<b>x</b>" is no markup
        QCOMPARE(box->toolTip(), request.Text);

        box->show();
        QVERIFY(box->width() < 800);

        // The real presenter: the tick comes back with the answer.
        QTimer::singleShot(0, [] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* shownBox = qobject_cast<QMessageBox*>(widget); shownBox && shownBox->checkBox()) {
                    shownBox->checkBox()->setChecked(true);
                    QTest::keyClick(shownBox, Qt::Key_Escape);
                }
        });
        box.reset();
        QCOMPARE(ShowMessageBox(DialogPresenter(), request), int(idOK));
        QVERIFY(ticked);
    }

    // Catches a lost default caption, a given caption overridden, and the answer not passed back.
    void showMessageBoxThroughScript()
    {
        valbrix::test::TMessageBoxScript script;
        script.Answer(idNo);
        script.Answer(idOK);
        QCOMPARE(ShowMessageBox(script, "Weiter?", QString(), mkQuestion, bcYesNo), int(idNo));
        QCOMPARE(ShowMessageBox(script, "Kaputt", "Eigener Titel", mkError, bcOK), int(idOK));
        QCOMPARE(script.Asked.size(), 2);
        QCOMPARE(script.Asked[0].Caption, QString("Frage"));
        QCOMPARE(script.Asked[0].Flags, 0x10024u);
        QCOMPARE(script.Asked[1].Caption, QString("Eigener Titel"));
    }

    // Catches the real dialog path: a box that does not return the pressed button's code.
    void realMessageBoxReturnsPressedButton()
    {
        QTimer::singleShot(0, [] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget))
                    for (QAbstractButton* button : box->buttons())
                        if (button->text() == "Wiederholen")
                            button->click();
        });
        QCOMPARE(ShowMessageBox(DialogPresenter(), "Noch einmal?", QString(), mkWarning, bcRetryCancel), int(idRetry));
    }

private:
    static bool platformHasWine() { return !QStandardPaths::findExecutable("wine").isEmpty(); }
};

QTEST_MAIN(TestMyTools)
#include "tst_MyTools.moc"
