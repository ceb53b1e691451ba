// Version facts and the version line; see the header.
#include "VersionInfo.h"

#include <QStringList>

#include "Version.h"

namespace valbrix::about {

namespace {

// The four fields as numbers; false unless there are exactly four decimal numbers.
bool SplitVersion(const QString& text, uint32_t (&fields)[4])
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok);
        if (!ok)
            return false;
        fields[i] = value;
    }
    return true;
}

}  // namespace

TVersionInfo::TVersionInfo()
    : TVersionInfo(QHash<QString, QString>{
          {QStringLiteral("FileVersion"), QStringLiteral(VALBRIX_FILE_VERSION)},
          {QStringLiteral("ProductVersion"), QStringLiteral(VALBRIX_VERSION)},
          {QStringLiteral("ProductName"), QStringLiteral("Valbrix")},
          {QStringLiteral("CompanyName"), QStringLiteral("Valbrix-Projekt")},
          {QStringLiteral("LegalCopyright"), QStringLiteral("© 2026 Valbrix-Projekt. Alle Rechte vorbehalten.")},
      })
{
}

TVersionInfo::TVersionInfo(QHash<QString, QString> strings)
    : FStrings(std::move(strings))
    , FValid(!FStrings.isEmpty())
{
}

QString TVersionInfo::VersionString(const QString& name) const
{
    return FValid ? FStrings.value(name) : QString();
}

std::pair<uint32_t, uint32_t> TVersionInfo::FixedFileVersion() const
{
    uint32_t fields[4] = {};
    // A version resource holds 16 bits per field.
    if (!SplitVersion(FileVersionText(), fields) || fields[0] > 0xFFFF || fields[1] > 0xFFFF || fields[2] > 0xFFFF ||
        fields[3] > 0xFFFF)
        return {0, 0};
    return {fields[0] << 16 | fields[1], fields[2] << 16 | fields[3]};
}

QString VersionLine(const QString& fileVersion)
{
    const QString prefix = QStringLiteral("Version ");
    uint32_t f[4] = {};
    if (!SplitVersion(fileVersion, f))
        return prefix + fileVersion;
    const QString major = QString::number(f[0]) + QLatin1Char('.') + QString::number(f[1]);
    // Leading zeros of the fields are dropped on the way through the numbers.
    return prefix + major + QStringLiteral(" [") + major + QLatin1Char('.') + QString::number(f[2]) +
           QLatin1Char('.') + QString::number(f[3]).rightJustified(4, QLatin1Char('0')) + QLatin1Char(']');
}

}  // namespace valbrix::about
