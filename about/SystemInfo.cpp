// The system information component; see the header.
#include "SystemInfo.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QTimer>

namespace valbrix::about {

namespace {

QString Text(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

TSystemFacts ReadSystemFacts()
{
    TSystemFacts facts;
    facts.Now = QDateTime::currentDateTime();
    facts.Release = platform::ReadOsRelease();
    facts.Kernel = platform::ReadKernel();
    facts.HostName = platform::ReadHostName();
    facts.UserName = platform::ReadUserName();
    facts.Memory = platform::ReadMemory();
    facts.Processor = platform::ReadProcessor();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        facts.ScreenWidth = screen->size().width();
        facts.ScreenHeight = screen->size().height();
    }
    return facts;
}

TSystemTexts MakeSystemTexts(const TSystemFacts& facts, const TSizeFormatter& formatSize)
{
    TSystemTexts texts;
    const QLocale locale;
    texts.CurrentDate = locale.toString(facts.Now.date(), QLocale::ShortFormat);
    texts.CurrentTime = locale.toString(facts.Now.time(), QLocale::ShortFormat);
    const TMemoryTexts memory = MemoryTexts(facts.Memory, formatSize);
    texts.MemLoadPercent = memory.MemLoadPercent;
    texts.TotalPhys = memory.TotalPhys;
    texts.AvailPhys = memory.AvailPhys;
    texts.TotalPageFile = memory.TotalPageFile;
    texts.AvailPageFile = memory.AvailPageFile;
    texts.TotalVirtual = memory.TotalVirtual;
    texts.AvailVirtual = memory.AvailVirtual;
    texts.ComputerName = Text(facts.HostName);
    texts.UserName = Text(facts.UserName);
    const TVersionTexts version = LinuxVersionTexts(facts.Release, facts.Kernel);
    texts.OS = version.OS;
    texts.WinVersion = version.WinVersion;
    texts.WinBuild = version.WinBuild;
    texts.FullWinVersion = version.FullWinVersion;
    texts.CPU = ProcessorText(facts.Processor);
    texts.NumCPUs = QString::number(facts.Processor.Count);
    if (facts.ScreenWidth > 0 && facts.ScreenHeight > 0) {
        texts.ScreenHeight = QString::number(facts.ScreenHeight);
        texts.ScreenWidth = QString::number(facts.ScreenWidth);
    }
    return texts;
}

TSystemInfo::TSystemInfo(TSizeFormatter formatSize, QObject* owner)
    : QObject(owner)
    , FTimer(new QTimer(this))
    , FFormatSize(std::move(formatSize))
    , FReadFacts(ReadSystemFacts)
{
    FTimer->setInterval(1000);
    connect(FTimer, &QTimer::timeout, this, &TSystemInfo::TimerTick);
    SetEnabled(true);
}

TSystemInfo::~TSystemInfo()
{
    // A tick must not reach a half-destroyed owner through OnNewValues.
    FTimer->stop();
}

void TSystemInfo::SetEnabled(bool enabled)
{
    if (enabled == FEnabled)
        return;
    FEnabled = enabled;
    if (FEnabled)
        FTimer->start();
    else
        FTimer->stop();
}

bool TSystemInfo::RefreshValues()
{
    TSystemTexts texts = MakeSystemTexts(FReadFacts(), FFormatSize);
    const bool changed = !(texts == FTexts);
    FTexts = std::move(texts);
    return changed;
}

void TSystemInfo::TimerTick()
{
    // Off while refreshing, so a slow handler delays the next tick instead of
    // letting ticks pile up.
    FTimer->stop();
    if (RefreshValues() && OnNewValues)
        OnNewValues(*this);
    if (FEnabled)
        FTimer->start();
}

}  // namespace valbrix::about
