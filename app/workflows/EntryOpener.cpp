// Opening an entry and preparing a drag; see the header.
#include "app/workflows/EntryOpener.h"

#include <cerrno>
#include <functional>

#include <QMimeData>

#include "app/texts/ExtractTexts.h"
#include "app/texts/ListTexts.h"
#include "app/dialogs/MessageBox.h"
#include "app/texts/OpenTexts.h"
#include "app/workflows/RunQuestions.h"
#include "engine/extract/ExtractJob.h"
#include "platform/FolderServices.h"
#include "platform/gui/Launcher.h"
#include "platform/gui/NativePath.h"
#include "platform/gui/PathFacts.h"

namespace valbrix {

namespace {

// Files, folders and links alike: whatever the extraction put there.
QStringList ItemsIn(const QString& folder)
{
    return platform::FolderItems(folder);
}

// Routes the extraction's failures to `report` for one run.
class TFailureRoute {
public:
    TFailureRoute(TEntryExtractor& extractor, std::function<void(const TEntryOutcome&)> report)
        : FExtractor(extractor)
    {
        FExtractor.OnFailure = [&extractor, report = std::move(report)](const TEntryOutcome& outcome) {
            if (!extractor.AbortRequested())  // a stop the user asked for is no failure to tell
                report(outcome);
        };
    }
    ~TFailureRoute() { FExtractor.OnFailure = nullptr; }
    TFailureRoute(const TFailureRoute&) = delete;
    TFailureRoute& operator=(const TFailureRoute&) = delete;

private:
    TEntryExtractor& FExtractor;
};

QString ReasonText(const TEntryOutcome& outcome)
{
    return ResultText(outcome.Result, outcome.OutputError, EntryMethod(outcome.Entry));
}

}  // namespace

TEntryOpener::TEntryOpener(TEntryExtractor& extractor, const TWindowSeams& seams,
                           const std::string& temporaryFolder)
    : FExtractor(extractor), FSeams(seams), FFolders(temporaryFolder)
{
}

QString TEntryOpener::CreateFolder()
{
    const std::string folder = FFolders.Create();
    if (!folder.empty())
        return platform::DisplayPath(folder);
    const QString cause = OutputErrorText(errno);
    ShowMessageBox(*FSeams.Boxes, QStringLiteral("Im temporären Ordner %1 kann kein privater Ordner angelegt werden.")
                           .arg(platform::DisplayPath(platform::TemporaryFolder())) +
                       (cause.isEmpty() ? QString() : QLatin1Char('\n') + cause),
                   QString(), mkError, bcOK);
    return QString();
}

bool TEntryOpener::OpenEntry(const TZipArchive& archive, const TExtractList& entry, const TProgressSink& progress)
{
    if (!entry.Table || entry.Indices.size() != 1)
        return false;
    const TEntryRecord& record = entry.Table->Record(entry.Indices.front());
    const QString name = QuotedName(QString::fromUtf8(entry.Table->FileNamePart(record)));
    if (entry.Table->IsFolder(record))
        return false;  // a folder has nothing to open (and gets no row)
    if (const QString refusal = RefusalText(record.DataMethod, record.Flags); !refusal.isEmpty()) {
        ShowMessageBox(*FSeams.Boxes,
                       QStringLiteral("Die Datei %1 kann nicht geöffnet werden:\n%2.").arg(name, refusal), QString(),
                       mkError, bcOK);
        return false;
    }
    const QString folder = CreateFolder();
    if (folder.isEmpty())
        return false;
    int count = 0;
    {
        // The box names the entry, not the private folder it was going to.
        const TFailureRoute route(FExtractor, [this, &name](const TEntryOutcome& outcome) {
            ShowMessageBox(*FSeams.Boxes,
                           QStringLiteral("Die Datei %1 kann nicht geöffnet werden:\n%2").arg(name, ReasonText(outcome)),
                           QString(), mkError, bcOK);
        });
        // Without the archive's folders: the file is the folder's only item.
        count = FExtractor.ExtractEntries(archive, eoOverwrite, folder, progress, entry);
    }
    const QStringList items = ItemsIn(folder);
    const QString file = items.size() == 1 ? folder + QLatin1Char('/') + items.front() : QString();
    if (count == 0 || FExtractor.Questions().Stopped() || file.isEmpty() || !platform::IsExistingFile(file)) {
        FFolders.Remove(platform::NativePath(folder));  // the failure was told by the extraction
        return false;
    }
    TMessageBoxPresenter* const* boxes = &FSeams.Boxes;  // the window's, read when the desktop answers
    if (!FSeams.Launcher->OpenLocal(file, FOwner, [boxes, file] {
            ShowMessageBox(**boxes, NoProgramText(file), QString(), mkInformation, bcOK);
        })) {
        ShowMessageBox(*FSeams.Boxes,
                       QStringLiteral("Die Datei %1 konnte nicht mit der Standardanwendung geöffnet werden.").arg(name),
                       QString(), mkError, bcOK);
        FFolders.Remove(platform::NativePath(folder));
        return false;
    }
    return true;
}

QList<QUrl> TEntryOpener::ExtractForDrag(const TZipArchive& archive, const TExtractList& list,
                                         const TProgressSink& progress)
{
    if (list.empty())
        return {};
    const QString folder = CreateFolder();
    if (folder.isEmpty())
        return {};
    // The failures are told after the run, in one box: the user is holding a drag.
    QStringList failures;
    int count = 0;
    {
        const TFailureRoute route(FExtractor, [&failures](const TEntryOutcome& outcome) {
            failures << QString::fromUtf8(outcome.Entry.FileName) + QStringLiteral(": ") + ReasonText(outcome);
        });
        // Two entries of one name: the later one wins, as the archive lists them.
        count = FExtractor.ExtractEntries(archive, eoWithFolders | eoOverwrite, folder, progress, list);
    }
    if (!FExtractor.Questions().Stopped())
        ShowCollectedFailures(*FSeams.Boxes, failures);
    QList<QUrl> urls;
    if (count > 0 && !FExtractor.Questions().Stopped())
        for (const QString& item : ItemsIn(folder))
            urls << QUrl::fromLocalFile(folder + QLatin1Char('/') + item);
    if (urls.isEmpty())
        FFolders.Remove(platform::NativePath(folder));
    return urls;
}

std::unique_ptr<QMimeData> TEntryOpener::DragData(const TZipArchive& archive, const TExtractList& list,
                                                  const TProgressSink& progress)
{
    const QList<QUrl> urls = ExtractForDrag(archive, list, progress);
    if (urls.isEmpty())
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

bool TEntryOpener::IsOwnFile(const QString& path) const
{
    return FFolders.Contains(platform::NativePath(platform::CleanPath(path)));
}

}  // namespace valbrix
