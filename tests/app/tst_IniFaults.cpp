// The window with its settings file in the way: a folder where the file
// belongs, a file it may not read, 20 MB of noise, a read-only disk. Each
// time the program must start, open an archive and close without losing or
// rewriting what stands there.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTest>

#include <filesystem>
#include <random>
#include <unistd.h>

#include "ConfigFolder.h"
#include "WorkflowFixture.h"
#include "app/window/MainUnit.h"
#include "settings/IniFile.h"

using namespace valbrix;
using valbrix::test::TempDir;
namespace fs = std::filesystem;

namespace {

QByteArray Noise(qsizetype bytes)
{
    QByteArray noise(bytes, Qt::Uninitialized);
    std::mt19937 random(7);
    for (char& byte : noise)
        byte = char(random());
    return noise;
}

// What a path holds, to compare before and after: a folder's listing or a
// file's hash; read as the owner would, permissions notwithstanding.
QByteArray Fingerprint(const QString& path)
{
    if (QFileInfo(path).isDir())
        return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join('/').toUtf8() + "/";
    const QFile::Permissions permissions = QFile::permissions(path);
    QFile::setPermissions(path, permissions | QFile::ReadOwner);
    QFile file(path);
    QByteArray hash;
    if (file.open(QIODevice::ReadOnly))
        hash = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    QFile::setPermissions(path, permissions);
    return hash;
}

int Run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str());
}

}  // namespace

class TestIniFaults : public QObject {
    Q_OBJECT
private slots:
    // Catches a start that crashes or hangs on a settings file it cannot
    // use, and, worse, a close that writes its placement over a file it
    // could not read (the user's settings lost) or over a folder.
    void settingsFileInTheWay_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"folder", "unreadable", "noise", "read-only disk"})
            QTest::newRow(kind) << QString(kind);
    }
    void settingsFileInTheWay()
    {
        QFETCH(QString, kind);
        TempDir dir;
        const QString config = QString::fromStdString((dir.Path() / "config").string());
        QDir().mkpath(config);
        // Unmounted on every way out, a failed comparison included.
        struct TMount {
            std::string Point;
            ~TMount()
            {
                if (!Point.empty())
                    Run("umount -l '" + Point + "'");
            }
        } mount;
        if (kind == "read-only disk") {
            if (Run("mount -t tmpfs -o size=4m tmpfs '" + config.toStdString() + "'") != 0)
                QSKIP("cannot mount a file system here");
            mount.Point = config.toStdString();
        }
        valbrix::test::UseConfigFolder(config);
        const QString ini = DefaultIniFilePath();
        if (kind == "folder") {
            QDir().mkpath(ini + "/inside");
        } else if (kind == "noise") {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Noise(20 << 20));
        } else {
            // Real settings, as a window leaves them.
            TMain first;
            first.SetCommandLine({});
            first.show();
            first.resize(400, 300);  // within any screen, so the position comes back as it was
            first.move(20, 30);
        }
        if (kind == "unreadable") {
            if (geteuid() == 0)
                QSKIP("the administrator reads every file");
            QFile::setPermissions(ini, QFile::WriteOwner);
        }
        if (!mount.Point.empty())
            QCOMPARE(Run("mount -o remount,ro '" + mount.Point + "'"), 0);
        const QByteArray before = Fingerprint(ini);

        {
            TMain window;
            window.SetCommandLine({});
            window.show();
            window.move(60, 70);
            QVERIFY(window.OpenArchive(valbrix::test::WriteContentArchive(dir, "a.zip", {{"a.txt", "a"}})));
        }
        QCOMPARE(Fingerprint(ini), before);
        if (kind == "read-only disk") {
            // The settings that stood there are still read on the next start.
            TMain again;
            again.SetCommandLine({});
            QCOMPARE(again.pos(), QPoint(20, 30));
        }
    }
};

QTEST_MAIN(TestIniFaults)
#include "tst_IniFaults.moc"
