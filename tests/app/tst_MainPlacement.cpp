// The main window's placement, offscreen: centred on the first start, saved
// in valbrix.ini when the window goes, and restored by the next window. The
// placement component's own rules are tested with it in tests/settings.
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "ConfigFolder.h"
#include "app/window/MainUnit.h"
#include "settings/IniFile.h"

using namespace valbrix;

namespace {

std::optional<std::string> Stored(const QString& file, const char* key)
{
    return LoadIniFile(file).Document.GetValue("WindowPosition", key);
}

}  // namespace

class TestMainPlacement : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        FConfig = std::make_unique<QTemporaryDir>();
        valbrix::test::UseConfigFolder(FConfig->path());
    }

    // Catches: a first start that is not centred on the primary screen, a
    // placement not saved on destruction (or saved elsewhere than
    // valbrix.ini), and position or size not restored by the next window.
    void mainWindowComesBackWhereItWasLeft()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QRect first;
        {
            TMain window;
            window.SetCommandLine({});
            first = QRect(window.pos(), window.size());
            QCOMPARE(window.pos(), screen.topLeft() + QPoint((screen.width() - window.width()) / 2,
                                                             (screen.height() - window.height()) / 2));
            window.show();
            window.move(20, 30);
            window.resize(first.width() - 40, first.height() + 20);
        }
        const QString ini = DefaultIniFilePath();
        QCOMPARE(Stored(ini, "Left"), std::optional<std::string>("20"));
        QCOMPARE(Stored(ini, "ShowCmd"), std::optional<std::string>("0"));
        QCOMPARE(Stored(ini, "Monitor"), std::optional<std::string>("0"));
        TMain again;
        again.SetCommandLine({});
        QCOMPARE(again.pos(), QPoint(20, 30));
        QCOMPARE(again.size(), first.size() + QSize(-40, 20));
    }

private:
    std::unique_ptr<QTemporaryDir> FConfig;
};

QTEST_MAIN(TestMainPlacement)
#include "tst_MainPlacement.moc"
