// The saved window placement with real windows, offscreen: the main window
// saves where it was when it goes and comes back there; the stream and
// "registry" variants; the settings folder is a scratch one per case.
#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "ConfigFolder.h"
#include "app/MainUnit.h"
#include "settings/IniCodec.h"
#include "settings/IniFile.h"
#include "settings/Placement.h"
#include "settings/ReposApp.h"

using namespace valbrix;

namespace {

std::optional<std::string> Stored(const QString& file, const char* key)
{
    QFile ini(file);
    if (!ini.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = ini.readAll();
    return TIniDocument(std::string_view(bytes.constData(), size_t(bytes.size()))).GetValue("WindowPosition", key);
}

}  // namespace

class TestReposApp : public QObject {
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
            window.resize(first.width() + 40, first.height() + 20);
        }
        const QString ini = DefaultIniFilePath();
        QCOMPARE(Stored(ini, "Left"), std::optional<std::string>("20"));
        QCOMPARE(Stored(ini, "ShowCmd"), std::optional<std::string>("0"));
        QCOMPARE(Stored(ini, "Monitor"), std::optional<std::string>("0"));
        TMain again;
        again.SetCommandLine({});
        QCOMPARE(again.pos(), QPoint(20, 30));
        QCOMPARE(again.size(), first.size() + QSize(40, 20));
    }

    // Catches: the maximized window's own bounds saved over the normal ones
    // (the restored window could never be un-maximized to its old size), the
    // maximized state not restored, a minimized window saved.
    void maximizedAndMinimized()
    {
        {
            TMain window;
            window.SetCommandLine({});
            window.show();
            window.move(15, 25);
        }
        {
            TMain window;
            window.SetCommandLine({});
            window.showMaximized();
            QTRY_VERIFY(window.isMaximized());
        }
        QCOMPARE(Stored(DefaultIniFilePath(), "ShowCmd"), std::optional<std::string>("1"));
        QCOMPARE(Stored(DefaultIniFilePath(), "Left"), std::optional<std::string>("15"));
        {
            TMain window;
            window.SetCommandLine({});
            QVERIFY(window.windowState() & Qt::WindowMaximized);
            window.showNormal();
            QCOMPARE(window.pos(), QPoint(15, 25));
            window.showMinimized();
            window.move(300, 300);
        }
        QCOMPARE(Stored(DefaultIniFilePath(), "ShowCmd"), std::optional<std::string>("1"));
        QCOMPARE(Stored(DefaultIniFilePath(), "Left"), std::optional<std::string>("15"));
    }

    // Catches: the stream variant reading from the stream's current position
    // instead of its start, and the "registry" variant writing into
    // valbrix.ini or into a file whose name can leave the settings folder.
    void streamAndRegistryVariants()
    {
        QWidget window;
        TRePosApp placement(&window);
        placement.Screens = [] { return std::vector<QRect>{QRect(0, 0, 1024, 768)}; };
        QBuffer stream;
        stream.setData(PlacementRecord({0, 40, 50, 300, 400, 0}));
        stream.open(QIODevice::ReadOnly);
        stream.seek(stream.size());
        placement.LoadPlacement(false, true, &stream);
        QCOMPARE(QRect(window.pos(), window.size()), QRect(50, 40, 400, 300));

        placement.SavePlacement(false);
        QCOMPARE(placement.InifileName, QStringLiteral("\\Software\\My Application"));
        const QString registry = RegistryIniFilePath(placement.InifileName);
        QCOMPARE(registry, SettingsFolder() + QStringLiteral("Software_My Application.ini"));
        QCOMPARE(Stored(registry, "Left"), std::optional<std::string>("50"));
        QVERIFY(!QFile::exists(DefaultIniFilePath()));
        QCOMPARE(RegistryIniFilePath(QStringLiteral("\\..\\..\\etc/passwd")), SettingsFolder() + "etc_passwd.ini");

        QWidget other;
        TRePosApp back(&other);
        back.Screens = placement.Screens;
        back.LoadPlacement(false, false, nullptr);
        QCOMPARE(QRect(other.pos(), other.size()), QRect(50, 40, 400, 300));
    }

private:
    std::unique_ptr<QTemporaryDir> FConfig;
};

QTEST_MAIN(TestReposApp)
#include "tst_ReposApp.moc"
