// Points the user's configuration at a scratch folder for one test. Qt
// reads XDG_CONFIG_HOME once per process for its own settings file (the
// file dialog's QtProject.conf), so the variable alone would send every later
// test's dialog state into the first test's folder, re-creating it after
// that test removed it; the settings path is moved along with it.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>

namespace valbrix::test {

inline void UseConfigFolder(const QString& folder)
{
    qputenv("XDG_CONFIG_HOME", folder.toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

}  // namespace valbrix::test
