// The per-entry extraction loop; see the header.
#include "ExtractEntries.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>

#include "ExtractTexts.h"
#include "MyTools.h"
#include "engine/ResultCodes.h"
#include "engine/extract/TargetPath.h"

namespace valbrix {

namespace {

// The driver pumps once per input block; the window needs far fewer
// repaints than that, and every dispatch costs time the decoding would use.
constexpr qint64 PumpIntervalMs = 40;

// Keeps Running() true exactly as long as the loop runs, exceptions included.
class TRunningMark {
public:
    TRunningMark(bool& running, const std::function<void()>& changed) : FRunning(running), FChanged(changed)
    {
        Set(true);
    }
    ~TRunningMark() { Set(false); }
    TRunningMark(const TRunningMark&) = delete;
    TRunningMark& operator=(const TRunningMark&) = delete;

private:
    void Set(bool running)
    {
        FRunning = running;
        if (FChanged)
            FChanged();
    }
    bool& FRunning;
    const std::function<void()>& FChanged;
};

std::string Native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

}  // namespace

// Moves the bar while one entry is decoded; answers an abort when asked to.
class TEntryExtractor::TProgress : public TProgressReceiver {
public:
    explicit TProgress(TEntryExtractor& owner) : FOwner(owner) {}

    void Start(QProgressBar* bar, int64_t total, int64_t done, int64_t entryWeight)
    {
        FBar = bar;
        FTotal = total;
        FDone = done;
        FEntryWeight = entryWeight;
    }
    void Show(int64_t done) const
    {
        if (FBar && FTotal > 0)
            FBar->setValue(int(done * 100 / FTotal));
    }
    void Progress(int16_t /*notifyCode*/, uint16_t& percent) override
    {
        if (FOwner.FAbortRequested) {
            percent = 0xFFFF;
            return;
        }
        Show(FDone + FEntryWeight * percent / 100);
    }

private:
    TEntryExtractor& FOwner;
    QProgressBar* FBar = nullptr;
    int64_t FTotal = 0;
    int64_t FDone = 0;
    int64_t FEntryWeight = 0;
};

TEntryExtractor::TEntryExtractor() : FProgress(std::make_unique<TProgress>(*this))
{
    FDriver.State().PumpHook = [this] { PumpEvents(); };
    FDriver.SetPasswordProvider(&FPasswords);
    FPumpClock.start();
}

TEntryExtractor::~TEntryExtractor() = default;

void TEntryExtractor::PumpEvents()
{
    if (FPumpClock.elapsed() < PumpIntervalMs)
        return;
    FPumpClock.restart();
    QCoreApplication::processEvents();
}

int TEntryExtractor::ExtractEntries(const QString& archive, TExtractOptions options, const QString& folder,
                                    QProgressBar* progressBar, int64_t total, const TExtractList& list)
{
    const TRunningMark mark(FRunning, OnBusyChanged);
    FAbortRequested = false;
    FQuestions = TRunQuestions((options & eoOverwrite) != 0);
    const std::string archivePath = Native(archive);
    const std::string folderPath = Native(folder);
    const bool withFolders = (options & eoWithFolders) != 0;
    // With nothing to weigh (only empty files), the bar counts entries instead.
    const bool byCount = total <= 0;
    const int64_t scale = byCount ? int64_t(list.size()) : total;
    int count = 0;
    int64_t done = 0;
    for (size_t i = 0; i < list.size() && !FQuestions.Stopped(); ++i) {
        const TZipEntry& entry = list[i];
        const std::optional<std::string> target = EntryTargetPath(folderPath, entry.FileName, withFolders);
        if (!target) {
            FQuestions.ReportFailure(folder + QLatin1Char('/') + QString::fromUtf8(entry.FileName),
                                     erNameLeavesFolder);
            continue;
        }
        const QString targetText = QFile::decodeName(QByteArray::fromStdString(*target));
        const bool folderEntry = IsFolderName(*target);
        const int64_t existingSize = folderEntry ? -1 : MyTools().GetSizeOfFile(targetText);
        // No attribute reset needed for a replaced file: the driver puts the
        // new file in place of the old one, so a read-only file is replaced all the same.
        if (existingSize >= 0 &&
            FQuestions.AskReplace(targetText, existingSize, QFileInfo(targetText).lastModified(),
                                  int64_t(entry.UncompressedSize), entry.DosDateTime) != rdReplace)
            continue;  // skipped, or stopped (the loop ends)
        if (FQuestions.Stopped())
            break;  // closed while a question was open
        const int64_t weight = byCount ? 1 : int64_t(entry.UncompressedSize);
        FProgress->Start(progressBar, scale, done, weight);
        FPasswords.SetEntryName(QString::fromUtf8(entry.FileName));
        const int result = FDriver.ExtractEntry(archivePath, *target, entry.Attributes, entry.LocalHeaderOffset,
                                                FProgress.get(), 0, entry.CompressedSize, entry.UncompressedSize);
        if (FAbortRequested)
            break;
        if (result != erOk) {
            FQuestions.ReportFailure(targetText, result, FDriver.OutputError(), EntryMethod(entry));
            continue;
        }
        done += weight;
        ++count;
        FProgress->Show(done);
    }
    return count;
}

}  // namespace valbrix
