// Whole-file reading and atomic saving of INI files; see IniFile.h.
#include "IniFile.h"

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace valbrix {

namespace {

// QFile reports no errno; these are the nearest codes for its failures.
int ErrnoOf(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::NoError:
        return 0;
    case QFileDevice::PermissionsError:
        return EACCES;
    case QFileDevice::OpenError:
        return errno != 0 ? errno : EIO;
    case QFileDevice::ResourceError:
        return ENOSPC;
    default:
        return EIO;
    }
}

}  // namespace

TIniLoad LoadIniFile(const QString& path)
{
    TIniLoad load;
    QFile file(path);
    if (!file.exists())
        return load;
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        load.ErrorCode = ErrnoOf(file.error());
        return load;
    }
    if (file.size() > MaxIniFileBytes) {
        load.ErrorCode = EFBIG;
        return load;
    }
    const QByteArray bytes = file.read(MaxIniFileBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxIniFileBytes) {
        load.ErrorCode = bytes.size() > MaxIniFileBytes ? EFBIG : EIO;
        return load;
    }
    load.Document = TIniDocument(std::string_view(bytes.constData(), size_t(bytes.size())));
    return load;
}

int SaveIniFile(const QString& path, const TIniDocument& document)
{
    // QSaveFile writes beside the target, keeps an existing file's permissions,
    // follows a symbolic link to the real file, syncs and renames on commit.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return ErrnoOf(file.error());
    const std::string text = document.Text();
    if (file.write(text.data(), qint64(text.size())) != qint64(text.size())) {
        const int error = ErrnoOf(file.error());
        file.cancelWriting();
        return error != 0 ? error : EIO;
    }
    errno = 0;
    if (!file.commit())
        return ErrnoOf(file.error()) != 0 ? ErrnoOf(file.error()) : EIO;
    return 0;
}

QString SettingsFolder()
{
    // The base-directory rules want an absolute $XDG_CONFIG_HOME; a relative one is ignored.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = QDir::cleanPath(base + QStringLiteral("/valbrix"));
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder + QLatin1Char('/');
}

QString DefaultIniFilePath()
{
    return SettingsFolder() + QStringLiteral("valbrix.ini");
}

}  // namespace valbrix
