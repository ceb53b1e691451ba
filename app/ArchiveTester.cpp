// The window's archive test; see the header.
#include "ArchiveTester.h"

#include <algorithm>

#include "ExtractTexts.h"
#include "PasswordDialog.h"
#include "engine/ResultCodes.h"
#include "engine/SizeSum.h"
#include "engine/extract/ExtractEntry.h"

namespace valbrix {

namespace {

// Turns the driver's per cent of one entry into the run's, and answers an abort.
class TRunProgress : public TProgressReceiver {
public:
    TRunProgress(const std::function<void(int)>& report, const bool& abortRequested, uint64_t total)
        : FReport(report), FAbortRequested(abortRequested), FTotal(std::max<uint64_t>(total, 1))
    {
    }
    void StartEntry(uint64_t doneBefore, uint64_t size)
    {
        FDoneBefore = doneBefore;
        FSize = size;
        Report(0);
    }
    void Progress(int16_t /*notifyCode*/, uint16_t& percent) override
    {
        if (FAbortRequested) {
            percent = 0xFFFF;  // the driver stops the entry
            return;
        }
        Report(std::min<uint16_t>(percent, 100));
    }
    void Report(unsigned entryPercent)
    {
        const double done = double(FDoneBefore) + double(FSize) * entryPercent / 100.0;
        if (FReport)
            FReport(int(std::min(100.0, done * 100.0 / double(FTotal))));
    }

private:
    const std::function<void(int)>& FReport;
    const bool& FAbortRequested;
    uint64_t FTotal;
    uint64_t FDoneBefore = 0;
    uint64_t FSize = 0;
};

// Keeps the running mark exactly as long as the run, and says when it changes.
class TRunningFlag {
public:
    TRunningFlag(bool& flag, const std::function<void()>& changed) : FFlag(flag), FChanged(changed) { Set(true); }
    ~TRunningFlag() { Set(false); }
    TRunningFlag(const TRunningFlag&) = delete;
    TRunningFlag& operator=(const TRunningFlag&) = delete;

private:
    void Set(bool running)
    {
        FFlag = running;
        if (FChanged)
            FChanged();
    }
    bool& FFlag;
    const std::function<void()>& FChanged;
};

}  // namespace

TTestReport TArchiveTester::Run(const TZipArchive& archive, const TTableEntries& entries,
                                const std::function<void(int percent)>& progress)
{
    TTestReport report;
    if (FRunning || !archive.Reader() || !entries.Table)
        return report;
    const TRunningFlag running(FRunning, OnBusyChanged);
    FAbortRequested = false;
    uint64_t total = 0;
    for (uint32_t index : entries.Indices)
        total = AddSizeSaturated(total, entries.Table->Record(index).UncompressedSize);

    TExtractionDriver driver;
    TWindowPasswords passwords(FSeams.RunPasswordDialog);
    driver.SetPasswordProvider(&passwords);
    driver.LendArchive(*archive.Reader());
    TRunProgress runProgress(progress, FAbortRequested, total);
    uint64_t done = 0;
    for (uint32_t index : entries.Indices) {
        const TEntryRecord& record = entries.Table->Record(index);
        if (entries.Table->IsFolder(record))
            continue;
        if (FAbortRequested) {
            report.Stopped = true;
            break;
        }
        const QString name = QString::fromUtf8(entries.Table->NameOf(record));
        passwords.SetEntryName(name);
        runProgress.StartEntry(done, record.UncompressedSize);
        const int code =
            driver.TestEntry(record.LocalHeaderOffset, record.CompressedSize, record.UncompressedSize, &runProgress);
        if (code == erAborted || FAbortRequested) {
            report.Stopped = true;
            break;
        }
        ++report.Tested;
        if (code != erOk)
            report.Failures << name + QStringLiteral(": ") + ResultText(code, 0, record.DataMethod);
        done = AddSizeSaturated(done, record.UncompressedSize);
    }
    runProgress.StartEntry(done, 0);
    return report;
}

QString TestSummaryText(const TTestReport& report, bool directoryDamaged)
{
    QString text = QStringLiteral("Es wurden %1 Datei(en) geprüft").arg(report.Tested);
    if (report.Failures.isEmpty())
        text += QStringLiteral(", alle ohne Fehler.");
    else
        text += QStringLiteral(", davon %1 fehlerhaft (Liste unten).").arg(report.Failures.size());
    if (report.Stopped)
        text += QStringLiteral("\nDie Prüfung wurde abgebrochen.");
    if (directoryDamaged)
        text += QStringLiteral("\nDas Inhaltsverzeichnis des Archivs ist beschädigt: nicht alle Einträge konnten gelesen werden.");
    return text;
}

}  // namespace valbrix
