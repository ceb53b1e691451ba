// TSystemInfo: the machine's facts as display texts (date and time, memory,
// names, system version, processor, screen), refreshed once a second by a
// timer it owns, on the user-interface thread. OnNewValues follows every
// refresh that changed a text, and only those. The facts come from
// platform/SystemFacts through a reader that tests replace; a fact the system
// does not give leaves its text empty.
#pragma once

#include <functional>

#include <QDateTime>
#include <QObject>
#include <QString>

#include "SystemTexts.h"
#include "platform/SystemFacts.h"

class QTimer;

namespace valbrix::about {

// Everything one refresh reads from the system.
struct TSystemFacts {
    QDateTime Now;
    platform::TOsRelease Release;
    platform::TKernel Kernel;
    std::string HostName;
    std::string UserName;
    platform::TMemoryFacts Memory;
    platform::TProcessorFacts Processor;
    int ScreenWidth = 0;   // 0: no screen
    int ScreenHeight = 0;
};
// The facts of this machine and its primary screen.
TSystemFacts ReadSystemFacts();

// The 21 texts, in the order of the refresh.
struct TSystemTexts {
    QString CurrentDate;
    QString CurrentTime;
    QString MemLoadPercent;
    QString TotalPhys;
    QString AvailPhys;
    QString TotalPageFile;
    QString AvailPageFile;
    QString TotalVirtual;
    QString AvailVirtual;
    QString ComputerName;
    QString UserName;
    QString OS;
    QString WinVersion;
    QString WinBuild;
    QString FullWinVersion;
    QString CPU;
    QString NumCPUs;
    QString ScreenHeight;
    QString ScreenWidth;
    QString WinDir;  // no Windows folder here: stays empty
    QString SysDir;  // no system folder here: stays empty
    bool operator==(const TSystemTexts&) const = default;
};

class TSystemInfo : public QObject {
public:
    using TFactsReader = std::function<TSystemFacts()>;

    // Starts ticking at once; the first tick comes a second later.
    explicit TSystemInfo(TSizeFormatter formatSize, QObject* owner = nullptr);
    ~TSystemInfo() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    const TSystemTexts& Texts() const { return FTexts; }

    // Reads the facts and stores the new texts; true when any text changed.
    bool RefreshValues();
    // The timer's handler: refresh, report a change, tick again.
    void TimerTick();
    // Test seam: where the facts come from (the system's by default).
    void SetFactsReader(TFactsReader reader) { FReadFacts = std::move(reader); }

    std::function<void(TSystemInfo& sender)> OnNewValues;

private:
    QTimer* FTimer = nullptr;  // owned through Qt's parent chain
    bool FEnabled = false;
    TSizeFormatter FFormatSize;
    TFactsReader FReadFacts;
    TSystemTexts FTexts;
};

// The texts for the facts; date and time in the locale's short formats.
TSystemTexts MakeSystemTexts(const TSystemFacts& facts, const TSizeFormatter& formatSize);

}  // namespace valbrix::about
