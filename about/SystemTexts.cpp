// Display texts from system facts; see the header.
#include "SystemTexts.h"

#include <algorithm>
#include <limits>

namespace valbrix::about {

namespace {

QString Text(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The formatter takes signed counts; no machine has 8 EiB, but a wrapped
// count must not show as 0 Byte.
int64_t Signed(uint64_t bytes)
{
    return int64_t(std::min<uint64_t>(bytes, uint64_t(std::numeric_limits<int64_t>::max())));
}

}  // namespace

QString FormatVersionPart(uint32_t n)
{
    const QString digits = QString::number(n);
    return digits.size() == 1 && n != 0 ? QLatin1Char('0') + digits : digits;
}

TVersionTexts WindowsVersionTexts(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build,
                                  const QString& servicePack)
{
    const QString M = QString::number(major);
    const QString m = FormatVersionPart(minor);
    const QString b = FormatVersionPart(build & 0xFFFF);
    const QString version = M + QLatin1Char('.') + m;
    const QString buildText = b + servicePack;

    TVersionTexts texts;
    texts.WinVersion = version;
    texts.WinBuild = buildText;
    auto set = [&](const char* os, const QString& full) {
        texts.OS = QString::fromUtf8(os);
        texts.FullWinVersion = full;
    };
    const QString nineXTail = QStringLiteral("[Version ") + version + QStringLiteral(" Build ") + buildText + ']';
    const QString ntTail = QStringLiteral(" Version ") + version + QStringLiteral(" [Build ") + buildText + ']';
    switch (platformId) {
    case wpWin32s:
        texts.WinBuild = QStringLiteral("0");
        set("Windows 32s Version", QStringLiteral("Windows 32s Version") + version);
        break;
    case wpWindows9x:
        if (minor <= 9)
            set("Windows 95", QStringLiteral("Windows 95 (Chicago) ") + nineXTail);
        else if (minor <= 30)
            set("Windows 98", QStringLiteral("Windows 98 (Memphis) ") + nineXTail);
        else if (minor <= 99)
            set("Windows ME", QStringLiteral("Windows ME  ") + nineXTail);
        else
            set("Windows ??", QStringLiteral("Windows ??  ") + nineXTail);
        break;
    case wpWindowsNT:
        if (major <= 4)
            set("Windows NT", QStringLiteral("Windows NT") + ntTail);
        else if (major == 5 && minor == 0)
            set("Windows 2000", QStringLiteral("Windows 2000") + ntTail);
        else if (major == 5 && minor == 1)
            set("Windows XP", QStringLiteral("Windows XP") + ntTail);
        else if (major == 6 && minor == 0)
            set("Windows Vista", QStringLiteral("Windows Vista") + ntTail);
        else
            set("Windows ???", QStringLiteral("Windows") + ntTail);
        break;
    default:
        set("Unbekanntes System", QStringLiteral("Unbekanntes System") + ntTail);
        break;
    }
    return texts;
}

TVersionTexts LinuxVersionTexts(const platform::TOsRelease& release, const platform::TKernel& kernel)
{
    TVersionTexts texts;
    texts.OS = Text(!release.Name.empty() ? release.Name : kernel.SysName);
    texts.WinVersion = Text(release.VersionId);
    texts.WinBuild = Text(kernel.Release);
    QString line = Text(release.PrettyName);
    if (line.isEmpty())
        line = (texts.OS + QLatin1Char(' ') + texts.WinVersion).trimmed();
    if (!kernel.Release.empty())
        line = (line + QStringLiteral(" [Kernel ") + texts.WinBuild + QLatin1Char(']')).trimmed();
    texts.FullWinVersion = line;
    return texts;
}

QString ProcessorTypeName(uint32_t type)
{
    switch (type) {
    case 0: return QStringLiteral("Unbekannt - Intel Architektur");
    case 386: return QStringLiteral("i386");
    case 486: return QStringLiteral("i486");
    case 586: return QStringLiteral("Pentium o. kompat.");
    case 686: return QStringLiteral("Intel Pentium (II)");
    case 860: return QStringLiteral("Intel 860");
    case 2000: return QStringLiteral("MIPS R2000");
    case 3000: return QStringLiteral("MIPS R3000");
    case 4000: return QStringLiteral("MIPS R4000");
    case 21064: return QStringLiteral("ALPHA 21064");
    default: return QStringLiteral("Unbekannt");
    }
}

QString ProcessorText(const platform::TProcessorFacts& processor)
{
    // Kernels pad some model names with runs of blanks.
    const QString name = Text(processor.ModelName).simplified();
    return name.isEmpty() ? QStringLiteral("Unbekannt") : name;
}

QString CpuSpeedText(double mhz)
{
    if (!(mhz > 0))
        return {};
    return QStringLiteral("  %1 MHz").arg(mhz, 3, 'f', 0);
}

TMemoryTexts MemoryTexts(const platform::TMemoryFacts& memory, const TSizeFormatter& formatSize)
{
    if (!memory.Valid)
        return {};
    TMemoryTexts texts;
    const uint64_t used = memory.TotalPhys - std::min(memory.AvailPhys, memory.TotalPhys);
    // Rounded down like the system's own load figure; a machine without
    // memory figures shows 0 % rather than dividing by zero.
    const uint64_t percent = memory.TotalPhys ? used * 100 / memory.TotalPhys : 0;
    texts.MemLoadPercent = QString::number(percent) + QStringLiteral(" %");
    texts.TotalPhys = formatSize(Signed(memory.TotalPhys));
    texts.AvailPhys = formatSize(Signed(memory.AvailPhys));
    texts.TotalPageFile = formatSize(Signed(memory.TotalSwap));
    texts.AvailPageFile = formatSize(Signed(memory.AvailSwap));
    texts.TotalVirtual = formatSize(Signed(memory.TotalPhys + memory.TotalSwap));
    texts.AvailVirtual = formatSize(Signed(memory.AvailPhys + memory.AvailSwap));
    return texts;
}

}  // namespace valbrix::about
