// The window's archive test; see the header.
#include "ArchiveTester.h"

#include "ExtractTexts.h"
#include "engine/ResultCodes.h"
#include "engine/archive/ZipDirectory.h"
#include "engine/extract/EntrySelection.h"
#include "engine/extract/ExtractJob.h"
#include "engine/extract/TargetPath.h"

namespace valbrix {

namespace {

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

// Collects the job's results in German and moves the run's per cent.
class TArchiveTester::TReceiver : public TExtractReceiver {
public:
    TReceiver(TArchiveTester& owner, const std::function<void(int)>& progress, TTestReport& report)
        : FOwner(owner), FProgress(progress), FReport(report)
    {
    }
    TReplaceAnswer AskReplace(const TZipEntry&, const std::string&, const TExistingNode&) override
    {
        return raKeep;  // a test has no target: never asked
    }
    bool Progress(uint64_t done, uint64_t total) override
    {
        if (FProgress && total > 0)
            FProgress(int(double(done) * 100.0 / double(total)));
        return !FOwner.FAbortRequested;
    }
    void EntryDone(const TEntryOutcome& outcome) override
    {
        if (IsFolderName(outcome.Entry.FileName))
            return;  // nothing to decode: not counted
        ++FReport.Tested;
        if (outcome.Result != erOk)
            FReport.Failures << QString::fromUtf8(outcome.Entry.FileName) + QStringLiteral(": ") +
                                    ResultText(outcome.Result, 0, EntryMethod(outcome.Entry));
    }
    TPasswordAnswer AskPassword(const TZipEntry& entry, bool wrongBefore, TSecret& password) override
    {
        FOwner.FPasswords.SetEntryName(QString::fromUtf8(entry.FileName));
        return FOwner.FPasswords.AskPassword(wrongBefore, password);
    }

private:
    TArchiveTester& FOwner;
    const std::function<void(int)>& FProgress;
    TTestReport& FReport;
};

TArchiveTester::TArchiveTester(const TWindowSeams& seams) : FPasswords(seams.RunPasswordDialog) {}

void TArchiveTester::Abort()
{
    FAbortRequested = true;
    if (FJob)
        FJob->Abort();
}

TTestReport TArchiveTester::Run(const TZipArchive& archive, const TTableEntries& entries,
                                const std::function<void(int percent)>& progress)
{
    TTestReport report;
    if (FRunning || !archive.Reader() || !entries.Table)
        return report;
    const TRunningFlag running(FRunning, OnBusyChanged);
    FAbortRequested = false;
    TReceiver receiver(*this, progress, report);
    TJobOptions options;
    options.TestOnly = true;
    options.Workers = FWorkers;
    TExtractJob job(archive, options, receiver);
    FJob = &job;
    TTableSelection selection(entries);
    report.Stopped = job.Run(selection).Aborted || FAbortRequested;
    FJob = nullptr;
    if (progress && !report.Stopped)
        progress(100);
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
