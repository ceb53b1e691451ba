// The window's archive test; see the header.
#include "app/workflows/ArchiveTester.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/texts/ExtractTexts.h"
#include "app/texts/ListTexts.h"
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
    // listPositions[k]: where the k-th entry the job runs stands in the list.
    TReceiver(TArchiveTester& owner, const std::function<void(int)>& progress, TTestReport& report,
              std::vector<size_t> listPositions)
        : FOwner(owner), FProgress(progress), FReport(report), FListPositions(std::move(listPositions))
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
        const size_t listPosition = FListPositions[FDelivered++];
        if (IsFolderName(outcome.Entry.FileName))
            return;  // nothing to decode: not counted
        const QString name = VisibleNameText(QString::fromUtf8(outcome.Entry.FileName));
        // Without its password an entry was not tested at all, which is no fault of its data.
        if (outcome.Result != erOk &&
            (FOwner.FDeclined.Take(outcome.Entry.LocalHeaderOffset) || outcome.Result == erEncrypted)) {
            FUntested.push_back({listPosition, name + QStringLiteral(": ") + UntestedText()});
            return;
        }
        ++FReport.Tested;
        if (outcome.Result != erOk)
            FFailures.push_back(
                {listPosition, name + QStringLiteral(": ") + ResultText(outcome.Result, 0, EntryMethod(outcome.Entry))});
    }
    TPasswordAnswer AskPassword(const TZipEntry& entry, bool wrongBefore, TSecret& password) override
    {
        FOwner.FPasswords.SetEntryName(QString::fromUtf8(entry.FileName));
        const TPasswordAnswer answer = FOwner.FPasswords.AskPassword(wrongBefore, password);
        if (answer == paCancelled)
            FOwner.FDeclined.Add(entry.LocalHeaderOffset);
        return answer;
    }

    // The failures and the untested entries into the report, in list order.
    void Finish()
    {
        FReport.Failures = InListOrder(FFailures);
        FReport.Untested = InListOrder(FUntested);
    }

private:
    using TPlacedLines = std::vector<std::pair<size_t, QString>>;
    static QStringList InListOrder(TPlacedLines& lines)
    {
        std::sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        QStringList ordered;
        for (auto& line : lines)
            ordered << std::move(line.second);
        return ordered;
    }

    TArchiveTester& FOwner;
    const std::function<void(int)>& FProgress;
    TTestReport& FReport;
    const std::vector<size_t> FListPositions;
    size_t FDelivered = 0;  // the job delivers every entry once, in the order it runs them
    TPlacedLines FFailures;
    TPlacedLines FUntested;
};

namespace {

// The entries in the archive's order, and where each stood in the list.
// Decoding in list order (sorted by name, folders interleaved) jumped
// through the file with one read per entry; in the archive's order the
// reader reads ahead, as the command line's test does.
std::pair<TTableEntries, std::vector<size_t>> InArchiveOrder(const TTableEntries& entries)
{
    std::vector<size_t> listPositions(entries.Indices.size());
    for (size_t i = 0; i < listPositions.size(); ++i)
        listPositions[i] = i;
    std::stable_sort(listPositions.begin(), listPositions.end(),
                     [&entries](size_t a, size_t b) { return entries.Indices[a] < entries.Indices[b]; });
    TTableEntries sorted{entries.Table, {}};
    sorted.Indices.reserve(listPositions.size());
    for (size_t position : listPositions)
        sorted.Indices.push_back(entries.Indices[position]);
    return {std::move(sorted), std::move(listPositions)};
}

}  // namespace

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
    FPasswords.BeginRun();
    FDeclined.Clear();
    for (uint32_t index : entries.Indices)
        report.Asked += entries.Table->IsFolder(entries.Table->Record(index)) ? 0 : 1;
    auto [inArchiveOrder, listPositions] = InArchiveOrder(entries);
    TReceiver receiver(*this, progress, report, std::move(listPositions));
    TJobOptions options;
    options.TestOnly = true;
    options.Workers = FWorkers;
    TExtractJob job(archive, options, receiver);
    FJob = &job;
    TTableSelection selection(inArchiveOrder);
    report.Stopped = job.Run(selection).Aborted || FAbortRequested;
    FJob = nullptr;
    receiver.Finish();
    if (progress && !report.Stopped)
        progress(100);
    return report;
}

QString UntestedText()
{
    return QStringLiteral("nicht geprüft (kein Kennwort eingegeben)");
}

QString TestSummaryText(const TTestReport& report, bool directoryDamaged)
{
    const int files = std::max(report.ArchiveFiles, report.Asked);
    QString text = report.Tested == files
                       ? QStringLiteral("Es wurden %1 Datei(en) geprüft").arg(report.Tested)
                       : QStringLiteral("Es wurden %1 von %2 Datei(en) geprüft").arg(report.Tested).arg(files);
    if (!report.Failures.isEmpty())
        text += QStringLiteral(", davon %1 fehlerhaft (Liste unten).").arg(report.Failures.size());
    else
        text += report.Tested > 0 ? QStringLiteral(", alle ohne Fehler.") : QStringLiteral(".");
    if (!report.Untested.isEmpty())
        text += QStringLiteral("\n%1 verschlüsselte Datei(en) wurden ohne Kennwort nicht geprüft (Liste unten).")
                    .arg(report.Untested.size());
    if (report.Stopped)
        text += QStringLiteral("\nDie Prüfung wurde nach %1 von %2 Datei(en) abgebrochen.")
                    .arg(report.Tested + int(report.Untested.size()))
                    .arg(report.Asked);
    if (directoryDamaged)
        text += QStringLiteral("\nDas Inhaltsverzeichnis des Archivs ist beschädigt: nicht alle Einträge konnten gelesen werden.");
    return text;
}

}  // namespace valbrix
