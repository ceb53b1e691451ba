// The window's adapter over the extraction job; see the header.
#include "app/workflows/ExtractEntries.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDateTime>

#include "app/texts/ExtractTexts.h"
#include "app/texts/ListTexts.h"
#include "app/dialogs/MessageBox.h"
#include "engine/ResultCodes.h"
#include "engine/extract/ExtractJob.h"
#include "platform/gui/NativePath.h"

namespace valbrix {

namespace {

// Keeps Running() true exactly as long as the job runs, exceptions included.
class TRunningMark {
public:
    TRunningMark(TExtractJob*& running, TExtractJob& job, const std::function<void()>& changed)
        : FRunning(running), FChanged(changed)
    {
        Set(&job);
    }
    ~TRunningMark() { Set(nullptr); }
    TRunningMark(const TRunningMark&) = delete;
    TRunningMark& operator=(const TRunningMark&) = delete;

private:
    void Set(TExtractJob* job)
    {
        FRunning = job;
        if (FChanged)
            FChanged();
    }
    TExtractJob*& FRunning;
    const std::function<void()>& FChanged;
};

int64_t AsFileSize(uint64_t bytes)
{
    return int64_t(std::min<uint64_t>(bytes, INT64_MAX));
}

}  // namespace

// Words the job's questions and results in German, and moves the bar.
class TEntryExtractor::TReceiver : public TExtractReceiver {
public:
    TReceiver(TEntryExtractor& owner, const QString& folder, const TProgressSink& progress)
        : FOwner(owner), FFolder(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')), FProgress(progress)
    {
    }

    TReplaceAnswer AskReplace(const TZipEntry& entry, const std::string& target,
                              const TExistingNode& existing) override
    {
        // A folder in the way is no file to replace: the attempt fails and says so.
        if (existing.IsFolder)
            return raReplace;
        // No attribute reset needed for a replaced file: the job puts the new
        // file in place of the old one, so a read-only file is replaced all the same.
        switch (FOwner.FQuestions.AskReplace(TargetText(target), AsFileSize(existing.Bytes),
                                             QDateTime::fromSecsSinceEpoch(existing.ModifiedSeconds),
                                             AsFileSize(entry.UncompressedSize), entry.DosDateTime)) {
        case rdReplace: return raReplace;
        case rdSkip: return raKeep;
        case rdStop: break;
        }
        FOwner.Abort();
        return raAbort;
    }

    bool Progress(uint64_t done, uint64_t total) override
    {
        if (FProgress && total > 0)
            FProgress(int(double(done) / double(total) * 100.0));
        FOwner.FPump.Pump();
        return !FOwner.FAbortRequested;
    }

    void EntryDone(const TEntryOutcome& outcome) override
    {
        if (outcome.Written) {
            ++FWritten;
            FOwner.FWrittenTargets.push_back(outcome.Target);
        }
        if (outcome.Result == erOk)
            return;
        if (FOwner.OnFailure) {
            FOwner.OnFailure(outcome);
            return;
        }
        if (FOwner.FDeclined.Take(outcome.Entry.LocalHeaderOffset)) {
            FOwner.FSkipped << VisibleNameText(TargetText(outcome.Target)) + QStringLiteral(": ") + SkippedText();
            return;
        }
        // A refused name has no target: it is shown as the archive spells it.
        const QString target = outcome.Result == erNameRefused
                                   ? FFolder + QString::fromUtf8(outcome.Entry.FileName)
                                   : TargetText(outcome.Target);
        if (!FOwner.FQuestions.ReportFailure(target, outcome.Result, outcome.OutputError, EntryMethod(outcome.Entry)))
            FOwner.Abort();
    }

    TPasswordAnswer AskPassword(const TZipEntry& entry, bool wrongBefore, TSecret& password) override
    {
        if (FOwner.FQuestions.Stopped())
            return paCancelled;
        FOwner.FPasswords.SetEntryName(QString::fromUtf8(entry.FileName));
        const TPasswordAnswer answer = FOwner.FPasswords.AskPassword(wrongBefore, password);
        if (answer == paCancelled)
            FOwner.FDeclined.Add(entry.LocalHeaderOffset);
        return answer;
    }

    int Written() const { return FWritten; }

private:
    QString TargetText(const std::string& target) const
    {
        return FFolder + platform::DisplayPath(target);
    }

    TEntryExtractor& FOwner;
    QString FFolder;  // with a '/' behind it
    const TProgressSink& FProgress;
    int FWritten = 0;
};

TEntryExtractor::TEntryExtractor(const TWindowSeams& seams)
    : FSeams(seams), FQuestions(*seams.Boxes), FPasswords(seams.RunPasswordDialog)
{
}

void TEntryExtractor::Abort()
{
    FAbortRequested = true;
    FQuestions.Stop();
    if (FJob)
        FJob->Abort();
}

int TEntryExtractor::ExtractEntries(const TZipArchive& archive, TExtractOptions options, const QString& folder,
                                    const TProgressSink& progress, const TExtractList& list)
{
    FAbortRequested = false;
    FDiskFull = false;
    FOpenFailure = 0;
    FQuestions = TRunQuestions(*FSeams.Boxes, (options & eoOverwrite) != 0);
    FTrail = {};
    FWrittenTargets.clear();
    FPasswords.BeginRun();
    FDeclined.Clear();
    FSkipped.clear();
    TReceiver receiver(*this, folder, progress);
    TJobOptions jobOptions;
    jobOptions.WithFolders = (options & eoWithFolders) != 0;
    jobOptions.Overwrite = (options & eoOverwrite) != 0;
    jobOptions.Workers = FWorkers;
    jobOptions.KeepTrail = true;
    TExtractJob job(archive, jobOptions, receiver);
    FOpenFailure = job.OpenTarget(platform::NativePath(folder));
    if (FOpenFailure != 0)
        return 0;
    const TRunningMark mark(FJob, job, OnBusyChanged);
    TTableSelection selection(list);
    const TJobSummary summary = job.Run(selection);
    if (OnRunOver)
        OnRunOver();
    FTrail = job.Trail();
    FDiskFull = summary.DiskError != 0;
    if (FDiskFull) {
        TMessageBoxRequest box;
        box.Text = DiskFullText(receiver.Written(), summary.NotExtracted);
        box.Caption = QStringLiteral("Fehler beim Entpacken");
        box.Kind = mkError;
        box.Flags = MessageBoxFlags(mkError, bcOK);
        box.Details = FQuestions.CollectedFailures().join(QLatin1Char('\n'));  // those met before
        ShowMessageBox(*FSeams.Boxes, box);
    }
    return receiver.Written();
}

}  // namespace valbrix
