// The About dialog and its system information component, offscreen: the
// pages, the first refresh filling the system page, refreshes reported only
// on change, the processor speed read once per dialog, and the links
// handing their addresses to the desktop.
#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>

#include "LauncherScript.h"
#include "Version.h"
#include "about/AboutDlg.h"
#include "about/HTTPLabel.h"
#include "about/VersionInfo.h"

using namespace valbrix;
using namespace valbrix::about;

namespace {

constexpr uint64_t GiB = uint64_t(1) << 30;

// The window hands the dialog its size texts; whole MByte with the locale's
// grouping is all these figures need.
QString FormatSize(int64_t bytes) { return QLocale().toString(qlonglong(bytes >> 20)) + QStringLiteral(" MByte"); }

TSystemFacts SixGiBMachine()
{
    TSystemFacts facts;
    facts.Now = QDateTime(QDate(2026, 12, 7), QTime(11, 30));
    facts.Release = {"Debian GNU/Linux", "12", "Debian GNU/Linux 12 (bookworm)"};
    facts.Kernel = {"Linux", "6.1.0-18-amd64", "x86_64"};
    facts.HostName = "werkbank";
    facts.UserName = "anna";
    facts.Memory.Valid = true;
    facts.Memory.TotalPhys = 6 * GiB;
    facts.Memory.AvailPhys = 3 * GiB;
    facts.Memory.TotalSwap = 2 * GiB;
    facts.Memory.AvailSwap = 2 * GiB;
    facts.Processor = {"Intel(R) Xeon(R) CPU @ 2.40GHz", 2400, 8};
    facts.ScreenWidth = 1920;
    facts.ScreenHeight = 1080;
    return facts;
}

}  // namespace

class TestAboutDlg : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // Catches a dialog that opens on the system page, misses its tabs, shows
    // a version line not made from the build's version, or a compile date
    // other than the main window's.
    void versionPage()
    {
        TCompileInfo compileInfo;
        compileInfo.SetCompileDate(QStringLiteral("30.11.2026 20:26:16"));
        TAboutDlg dialog(compileInfo, FormatSize);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("Über Valbrix"));
        QCOMPARE(dialog.TabSet->count(), 2);
        QCOMPARE(dialog.TabSet->tabText(0), QString(" Version "));
        QCOMPARE(dialog.TabSet->tabText(1), QString(" Systeminformation "));
        QCOMPARE(dialog.AboutNotebook->currentIndex(), 0);
        QCOMPARE(dialog.Version->text(), VersionLine(QStringLiteral(VALBRIX_FILE_VERSION)));
        QVERIFY(dialog.Version->text().startsWith(QStringLiteral("Version " VALBRIX_VERSION " [")));
        QCOMPARE(dialog.CompileDateLabel->text(), QString("vom 30.11.2026 20:26:16"));
        QVERIFY(!dialog.ProgramIcon->pixmap().isNull());
        QVERIFY(!dialog.Name1Label->text().isEmpty());
        dialog.TabSet->setCurrentIndex(1);
        QCOMPARE(dialog.AboutNotebook->currentIndex(), 1);
    }

    // Catches a system page that stays empty after the component's first
    // tick on this machine, and a computer name without the "n/a" stand-in
    // before it.
    void systemPageFillsAfterFirstRefresh()
    {
        TCompileInfo compileInfo;
        TAboutDlg dialog(compileInfo, FormatSize);
        dialog.show();
        QCOMPARE(dialog.Computername->text(), QString("n/a"));
        QVERIFY(dialog.PhysMemTotal->text().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.PhysMemTotal->text().isEmpty(), 3000);
        QVERIFY(dialog.PhysMemTotal->text().endsWith(QStringLiteral("Byte")));
        QVERIFY(!dialog.Windowsversion->text().isEmpty());
        QVERIFY(!dialog.CPU->text().isEmpty());
        QVERIFY(dialog.NumOfProc->text().toInt() >= 1);
        QVERIFY(dialog.MemoryPercInUse->text().endsWith(QStringLiteral(" %")));
    }

    // Catches memory above 4 GiB shown wrong, swap and virtual figures in the
    // wrong labels, the screen line, and a system line without the kernel.
    void systemPageTexts()
    {
        TCompileInfo compileInfo;
        TAboutDlg dialog(compileInfo, FormatSize);
        dialog.MeasureCpuMHz = [] { return 2400.0; };
        dialog.SystemInformation->SetFactsReader(SixGiBMachine);
        dialog.show();
        dialog.SystemInformation->TimerTick();
        QCOMPARE(dialog.PhysMemTotal->text(), QString("6.144 MByte"));
        QCOMPARE(dialog.PhysMemFree->text(), QString("3.072 MByte"));
        QCOMPARE(dialog.MemoryPercInUse->text(), QString("50 %"));
        QCOMPARE(dialog.VirtualMemUsed->text(), QString("8.192 MByte"));
        QCOMPARE(dialog.VirtualMemFree->text(), QString("5.120 MByte"));
        QCOMPARE(dialog.PageFileUsed->text(), QString("2.048 MByte"));
        QCOMPARE(dialog.PageFileAvail->text(), QString("2.048 MByte"));
        QCOMPARE(dialog.Windowsversion->text().replace(QChar(0x2011), QLatin1Char('-')).replace(QChar(0x00A0), ' '),
                 QString("Debian GNU/Linux 12 (bookworm) [Kernel 6.1.0-18-amd64]"));
        QCOMPARE(dialog.Computername->text(), QString("werkbank"));
        QCOMPARE(dialog.UserName->text(), QString("anna"));
        QCOMPARE(dialog.ScreenResolution->text(), QString("1920x1080"));
        QCOMPARE(dialog.CPU->text(), QString("Intel(R) Xeon(R) CPU @ 2.40GHz  2400 MHz"));
        QCOMPARE(dialog.NumOfProc->text(), QString("8"));
    }

    // Catches OnNewValues raised on a refresh that changed nothing, missed
    // when one figure or the minute changed, and a component that ticks
    // while disabled.
    void newValuesOnlyOnChange()
    {
        TSystemInfo info(FormatSize);
        info.SetEnabled(false);
        TSystemFacts facts = SixGiBMachine();
        info.SetFactsReader([&] { return facts; });
        int reports = 0;
        info.OnNewValues = [&](TSystemInfo&) { ++reports; };
        info.TimerTick();
        QCOMPARE(reports, 1);
        QCOMPARE(info.Texts().CurrentTime, QString("11:30"));
        info.TimerTick();
        QCOMPARE(reports, 1);
        facts.Memory.AvailPhys -= 4096 * 1024 * 1024ull;
        info.TimerTick();
        QCOMPARE(reports, 2);
        facts.Now = facts.Now.addSecs(60);
        info.TimerTick();
        QCOMPARE(reports, 3);
        QTest::qWait(1300);
        QCOMPARE(reports, 3);
    }

    // Catches the speed read on every refresh (it used to freeze the window
    // each time) or never again in a new dialog.
    void speedReadOncePerDialog()
    {
        int reads = 0;
        TCompileInfo compileInfo;
        for (int opening = 1; opening <= 2; ++opening) {
            TAboutDlg dialog(compileInfo, FormatSize);
            dialog.MeasureCpuMHz = [&] { return ++reads, 1000.0; };
            TSystemFacts facts = SixGiBMachine();
            dialog.SystemInformation->SetFactsReader([&] { return facts; });
            dialog.show();
            for (int tick = 0; tick < 3; ++tick) {
                facts.Memory.AvailPhys -= GiB / 8;
                dialog.SystemInformation->TimerTick();
            }
            QCOMPARE(reads, opening);
            QVERIFY(dialog.CPU->text().endsWith(QStringLiteral("  1000 MHz")));
        }
    }

    // Catches links that open nothing, open the wrong address, bypass the
    // launcher seam, or react to a click outside them.
    void linksHandAddressesToDesktop()
    {
        test::TLauncherScript launcher;
        TCompileInfo compileInfo;
        TAboutDlg dialog(compileInfo, FormatSize);
        dialog.UseLauncher(launcher);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.MailLabel, Qt::LeftButton, {}, dialog.MailLabel->rect().center());
        QTest::mouseClick(dialog.HTTPLabel, Qt::LeftButton, {}, dialog.HTTPLabel->rect().center());
        QCOMPARE(launcher.Opened.size(), 2);
        QCOMPARE(launcher.Opened[0], QUrl(QStringLiteral("mailto:" VALBRIX_MAIL)));
        QCOMPARE(launcher.Opened[1], QUrl(QStringLiteral(VALBRIX_WEBSITE)));
        QCOMPARE(dialog.MailLabel->cursor().shape(), Qt::PointingHandCursor);

        THTTPLabel blank;
        blank.Launcher = &launcher;
        int clicks = 0;
        blank.OnClick = [&](THTTPLabel&) { ++clicks; };
        blank.Click();
        QCOMPARE(clicks, 1);
        QCOMPARE(launcher.Opened.size(), 2);
        QCOMPARE(blank.cursor().shape(), Qt::ArrowCursor);
    }

    // Catches a hint that stays after ShowUrlAsHint is switched off (the
    // label would go on showing an address it no longer offers as hint), a
    // hint copied without the flag, and a new address not reaching the hint.
    void urlHintFollowsTheFlag()
    {
        THTTPLabel link;
        link.SetUrl(QStringLiteral("https://example.org/a"));
        QCOMPARE(link.toolTip(), QString());
        link.SetShowUrlAsHint(true);
        QCOMPARE(link.toolTip(), QStringLiteral("https://example.org/a"));
        link.SetUrl(QStringLiteral("https://example.org/b"));
        QCOMPARE(link.toolTip(), QStringLiteral("https://example.org/b"));
        link.SetShowUrlAsHint(false);
        QCOMPARE(link.toolTip(), QString());
        link.SetUrl(QStringLiteral("https://example.org/c"));
        QCOMPARE(link.toolTip(), QString());
    }

    // Catches hover that does not restyle the widget, and a label whose
    // style stays after the mouse left.
    void linkLookFollowsMouse()
    {
        TCompileInfo compileInfo;
        TAboutDlg dialog(compileInfo, FormatSize);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        THTTPLabel* link = dialog.HTTPLabel;
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(link, &enter);
        QVERIFY(link->Hovered());
        QVERIFY(link->font().underline());
        QCOMPARE(link->palette().color(QPalette::WindowText), link->Look().FontColor);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QVERIFY(!link->font().underline());
        QVERIFY(!link->font().bold());
        QCOMPARE(link->palette().color(QPalette::Window), SystemColor(clBackground));
    }
};

QTEST_MAIN(TestAboutDlg)
#include "tst_AboutDlg.moc"
