// The saved window placement with real windows, offscreen: maximized and
// minimized windows, the stream and "registry" variants; the settings folder
// is a scratch one per case. The main window's own use is tested with it.
#include <memory>

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "ConfigFolder.h"
#include "settings/IniFile.h"
#include "settings/Placement.h"
#include "settings/ReposApp.h"

using namespace valbrix;

namespace {

std::optional<std::string> Stored(const QString& file, const char* key)
{
    return LoadIniFile(file).Document.GetValue("WindowPosition", key);
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

    // Catches: the maximized window's own bounds saved over the normal ones
    // (the restored window could never be un-maximized to its old size), the
    // maximized state not restored, a minimized window saved.
    void maximizedAndMinimized()
    {
        const auto window = [] {
            auto widget = std::make_unique<QWidget>();
            widget->resize(300, 200);
            return widget;
        };
        const auto save = [](QWidget& widget) {
            TRePosApp placement(&widget);
            placement.AllowMaximized = true;
            placement.InifileName = DefaultIniFilePath();
            placement.SavePlacement(true);
        };
        const auto load = [](QWidget& widget) {
            TRePosApp placement(&widget);
            placement.AllowMaximized = true;
            placement.InifileName = DefaultIniFilePath();
            placement.LoadPlacement(true, false, nullptr);
        };
        {
            auto normal = window();
            normal->show();
            normal->move(15, 25);
            save(*normal);
        }
        {
            auto maximized = window();
            maximized->showMaximized();
            QTRY_VERIFY(maximized->isMaximized());
            save(*maximized);
        }
        QCOMPARE(Stored(DefaultIniFilePath(), "ShowCmd"), std::optional<std::string>("1"));
        QCOMPARE(Stored(DefaultIniFilePath(), "Left"), std::optional<std::string>("15"));
        {
            auto again = window();
            load(*again);
            QVERIFY(again->windowState() & Qt::WindowMaximized);
            again->showNormal();
            QCOMPARE(again->pos(), QPoint(15, 25));
            again->showMinimized();
            again->move(300, 300);
            save(*again);
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
