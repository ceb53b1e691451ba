// Points the user's configuration at a scratch folder for one test. Qt
// reads XDG_CONFIG_HOME once per process for its own settings file (the
// file dialog's QtProject.conf), so the variable alone would send every later
// test's dialog state into the first test's folder, re-creating it after
// that test removed it; the settings path is moved along with it.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QString>

namespace valbrix::test {

inline void UseConfigFolder(const QString& folder)
{
    qputenv("XDG_CONFIG_HOME", folder.toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

// For a case inside a test whose other cases keep the run's folder: the
// folder before it comes back when the scope ends, so a window closed later
// writes nothing into the case's removed scratch folder.
class TConfigFolderScope {
public:
    explicit TConfigFolderScope(const QString& folder) : FSaved(qgetenv("XDG_CONFIG_HOME")) { UseConfigFolder(folder); }
    ~TConfigFolderScope()
    {
        if (FSaved.isEmpty()) {
            qunsetenv("XDG_CONFIG_HOME");
            const QString home = QDir::homePath() + QStringLiteral("/.config");
            QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
            QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home);
        } else {
            UseConfigFolder(QString::fromLocal8Bit(FSaved));
        }
    }
    TConfigFolderScope(const TConfigFolderScope&) = delete;
    TConfigFolderScope& operator=(const TConfigFolderScope&) = delete;

private:
    QByteArray FSaved;
};

}  // namespace valbrix::test
