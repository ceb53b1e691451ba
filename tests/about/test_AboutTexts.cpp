// The texts of the About dialog made from plain facts: the Windows version
// table, the Linux system line, processor, speed and memory texts, and the
// version line. No window and no system call.
#include <gtest/gtest.h>

#include <string>

#include <QLocale>
#include <QRegularExpression>

#include "Version.h"
#include "about/MyCompInfo.h"
#include "about/SystemTexts.h"
#include "about/VersionInfo.h"

using namespace valbrix::about;
using valbrix::platform::TKernel;
using valbrix::platform::TMemoryFacts;
using valbrix::platform::TOsRelease;
using valbrix::platform::TProcessorFacts;

namespace {

std::string S(const QString& text) { return text.toStdString(); }

constexpr uint64_t GiB = uint64_t(1) << 30;

}  // namespace

// Catches a leading zero on 0 or on two digits, or none on a single digit.
TEST(AboutTexts, FormatVersionPart)
{
    const struct { uint32_t n; const char* text; } rows[] = {
        {0, "0"}, {1, "01"}, {9, "09"}, {10, "10"}, {2600, "2600"}, {4294967295u, "4294967295"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(S(FormatVersionPart(row.n)), row.text) << row.n;
}

// Catches a wrong branch of the version table (boundaries of the 9x minor
// numbers, NT versions), a lost or added blank, a build taken beyond its low
// 16 bits, and a Win32s build that is not "0".
TEST(AboutTexts, WindowsVersionTable)
{
    const struct {
        uint32_t platform, major, minor, build;
        const char* servicePack;
        const char* os;
        const char* version;
        const char* build_;
        const char* full;
    } rows[] = {
        {wpWindowsNT, 5, 1, 2600, "Service Pack 3", "Windows XP", "5.01", "2600Service Pack 3",
         "Windows XP Version 5.01 [Build 2600Service Pack 3]"},
        {wpWindows9x, 4, 0, 950, " A", "Windows 95", "4.0", "950 A", "Windows 95 (Chicago) [Version 4.0 Build 950 A]"},
        {wpWindows9x, 4, 9, 0x04000000 | 1111, "", "Windows 95", "4.09", "1111",
         "Windows 95 (Chicago) [Version 4.09 Build 1111]"},
        {wpWindows9x, 4, 10, 1998, "", "Windows 98", "4.10", "1998", "Windows 98 (Memphis) [Version 4.10 Build 1998]"},
        {wpWindows9x, 4, 30, 1, "", "Windows 98", "4.30", "01", "Windows 98 (Memphis) [Version 4.30 Build 01]"},
        {wpWindows9x, 4, 31, 3000, "", "Windows ME", "4.31", "3000", "Windows ME  [Version 4.31 Build 3000]"},
        {wpWindows9x, 4, 90, 3000, "", "Windows ME", "4.90", "3000", "Windows ME  [Version 4.90 Build 3000]"},
        {wpWindows9x, 4, 100, 5, "", "Windows ??", "4.100", "05", "Windows ??  [Version 4.100 Build 05]"},
        {wpWindowsNT, 4, 0, 1381, "Service Pack 6", "Windows NT", "4.0", "1381Service Pack 6",
         "Windows NT Version 4.0 [Build 1381Service Pack 6]"},
        {wpWindowsNT, 5, 0, 2195, "", "Windows 2000", "5.0", "2195", "Windows 2000 Version 5.0 [Build 2195]"},
        {wpWindowsNT, 6, 0, 6000, "", "Windows Vista", "6.0", "6000", "Windows Vista Version 6.0 [Build 6000]"},
        {wpWindowsNT, 5, 2, 3790, "", "Windows ???", "5.02", "3790", "Windows Version 5.02 [Build 3790]"},
        {wpWindowsNT, 10, 0, 19045, "", "Windows ???", "10.0", "19045", "Windows Version 10.0 [Build 19045]"},
        {wpWin32s, 1, 30, 7, "", "Windows 32s Version", "1.30", "0", "Windows 32s Version1.30"},
        {3, 1, 0, 7, "x", "Unbekanntes System", "1.0", "07x", "Unbekanntes System Version 1.0 [Build 07x]"},
    };
    for (const auto& row : rows) {
        const TVersionTexts texts =
            WindowsVersionTexts(row.platform, row.major, row.minor, row.build, QString::fromUtf8(row.servicePack));
        EXPECT_EQ(S(texts.OS), row.os) << row.full;
        EXPECT_EQ(S(texts.WinVersion), row.version) << row.full;
        EXPECT_EQ(S(texts.WinBuild), row.build_) << row.full;
        EXPECT_EQ(S(texts.FullWinVersion), row.full);
    }
}

// Catches a system line without distribution or kernel, and a fallback that
// leaves the line empty or with stray blanks when os-release is missing.
TEST(AboutTexts, LinuxSystemLine)
{
    const TKernel kernel{"Linux", "6.1.0-18-amd64", "x86_64"};
    const struct { TOsRelease release; TKernel kernel; const char* os; const char* full; } rows[] = {
        {{"Debian GNU/Linux", "12", "Debian GNU/Linux 12 (bookworm)"}, kernel, "Debian GNU/Linux",
         "Debian GNU/Linux 12 (bookworm) [Kernel 6.1.0-18-amd64]"},
        {{"Arch Linux", "", ""}, kernel, "Arch Linux", "Arch Linux [Kernel 6.1.0-18-amd64]"},
        {{}, kernel, "Linux", "Linux [Kernel 6.1.0-18-amd64]"},
        {{}, {}, "", ""},
    };
    for (const auto& row : rows) {
        const TVersionTexts texts = LinuxVersionTexts(row.release, row.kernel);
        EXPECT_EQ(S(texts.OS), row.os);
        EXPECT_EQ(S(texts.FullWinVersion), row.full);
    }
}

// Catches a wrong name in the processor type table and a missing fallback.
TEST(AboutTexts, ProcessorTypesAndNames)
{
    const struct { uint32_t type; const char* name; } rows[] = {
        {0, "Unbekannt - Intel Architektur"}, {386, "i386"}, {486, "i486"}, {586, "Pentium o. kompat."},
        {686, "Intel Pentium (II)"}, {860, "Intel 860"}, {2000, "MIPS R2000"}, {3000, "MIPS R3000"},
        {4000, "MIPS R4000"}, {21064, "ALPHA 21064"}, {8664, "Unbekannt"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(S(ProcessorTypeName(row.type)), row.name) << row.type;
    TProcessorFacts padded;
    padded.ModelName = "Intel(R) Xeon(R)   CPU   @ 2.40GHz ";
    EXPECT_EQ(S(ProcessorText(padded)), "Intel(R) Xeon(R) CPU @ 2.40GHz");
    EXPECT_EQ(S(ProcessorText(TProcessorFacts{})), "Unbekannt");
}

// Catches a speed with decimals, one not right-aligned in three places, and
// an unknown speed shown as " 0 MHz".
TEST(AboutTexts, CpuSpeed)
{
    EXPECT_EQ(S(CpuSpeedText(2400.0)), "  2400 MHz");
    EXPECT_EQ(S(CpuSpeedText(2112.4)), "  2112 MHz");
    EXPECT_EQ(S(CpuSpeedText(99.6)), "  100 MHz");
    EXPECT_EQ(S(CpuSpeedText(33.0)), "   33 MHz");
    EXPECT_EQ(S(CpuSpeedText(0.0)), "");
}

// Catches memory figures cut to 32 bits (6 GiB showing as 2 GiB), a load
// computed from the unused pages, swap and virtual figures mixed up, and a
// division by zero without figures.
TEST(AboutTexts, MemoryTexts)
{
    const TSizeFormatter bytes = [](int64_t count) { return QString::number(count); };
    TMemoryFacts memory;
    memory.Valid = true;
    memory.TotalPhys = 6 * GiB;
    memory.AvailPhys = 3 * GiB / 2;  // 75 % in use
    memory.TotalSwap = 5 * GiB;
    memory.AvailSwap = 4 * GiB;
    const TMemoryTexts texts = MemoryTexts(memory, bytes);
    EXPECT_EQ(S(texts.MemLoadPercent), "75 %");
    EXPECT_EQ(S(texts.TotalPhys), std::to_string(6 * GiB));
    EXPECT_EQ(S(texts.AvailPhys), std::to_string(3 * GiB / 2));
    EXPECT_EQ(S(texts.TotalPageFile), std::to_string(5 * GiB));
    EXPECT_EQ(S(texts.AvailPageFile), std::to_string(4 * GiB));
    EXPECT_EQ(S(texts.TotalVirtual), std::to_string(11 * GiB));
    EXPECT_EQ(S(texts.AvailVirtual), std::to_string(4 * GiB + 3 * GiB / 2));

    TMemoryFacts empty;
    empty.Valid = true;
    EXPECT_EQ(S(MemoryTexts(empty, bytes).MemLoadPercent), "0 %");
    EXPECT_EQ(S(MemoryTexts(TMemoryFacts{}, bytes).TotalPhys), "");
}

// Catches a fourth field not padded to four digits, a padded large one,
// lost fields, and a malformed version that crashes or vanishes.
TEST(AboutTexts, VersionLine)
{
    const struct { const char* fileVersion; const char* line; } rows[] = {
        {"2.10.0.42", "Version 2.10 [2.10.0.0042]"},
        {"2.0.0.1", "Version 2.0 [2.0.0.0001]"},
        {"2.0.0.999", "Version 2.0 [2.0.0.0999]"},
        {"2.0.0.12345", "Version 2.0 [2.0.0.12345]"},
        {"2.0.0.0042", "Version 2.0 [2.0.0.0042]"},
        {"", "Version "},
        {"2.0", "Version 2.0"},
        {"2.0.0.x", "Version 2.0.0.x"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(S(VersionLine(QString::fromUtf8(row.fileVersion))), row.line);
}

// Catches the build's own version missing from the facts, and fields packed
// into the wrong halves of the fixed version.
TEST(AboutTexts, VersionInfo)
{
    const TVersionInfo program;
    EXPECT_TRUE(program.Valid());
    EXPECT_EQ(program.FileVersionText().count(QLatin1Char('.')), 3);
    EXPECT_TRUE(VersionLine(program.FileVersionText()).contains(QLatin1Char('[')));

    const TVersionInfo given({{QStringLiteral("FileVersion"), QStringLiteral("2.10.3.42")}});
    EXPECT_EQ(given.FixedFileVersion(), std::make_pair(uint32_t(2) << 16 | 10, uint32_t(3) << 16 | 42));
    EXPECT_EQ(S(given.VersionString(QStringLiteral("CompanyName"))), "");
    const TVersionInfo none(QHash<QString, QString>{});
    EXPECT_FALSE(none.Valid());
    EXPECT_EQ(S(VersionLine(none.FileVersionText())), "Version ");
}

// Catches a compile date in the C locale's form where no locale is set
// ("07 12 2026"), one taken from the clock instead of the build, and a
// format change that restamps it with the present moment.
TEST(AboutTexts, CompileInfo)
{
    const QRegularExpression german(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$"));
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        const TCompileInfo build = TCompileInfo::ForThisBuild();
        EXPECT_TRUE(german.match(build.CompileDate()).hasMatch()) << S(build.CompileDate());
        EXPECT_EQ(S(build.Version()), VALBRIX_VERSION);
    }
    TCompileInfo info;
    info.SetUpdate(true, QDateTime(QDate(2006, 11, 30), QTime(20, 26, 16)));
    EXPECT_EQ(S(info.CompileDate()), "30.11.2006 20:26:16");
    info.SetFormat(tfFullName);
    EXPECT_EQ(S(info.CompileDate()), "2006 November Donnerstag 20:26:16");
    info.SetDateOnly(true);
    info.SetUpdate(true, QDateTime(QDate(2006, 11, 30), QTime(20, 26, 16)));
    EXPECT_EQ(S(info.CompileDate()), "2006 November Donnerstag");
    QLocale::setDefault(QLocale::c());
}
