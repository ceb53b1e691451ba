// Extraction without the main window; see the header.
#include "app/batch/BatchExtract.h"

#include <algorithm>


#include "app/batch/ExtractHere.h"
#include "app/batch/ProgressWindow.h"
#include "app/dialogs/MessageBox.h"
#include "app/workflows/ArchiveSession.h"
#include "app/workflows/ExtractCommand.h"
#include "controls/FileUtil.h"
#include "platform/gui/PathFacts.h"

namespace valbrix {

namespace {

// Made absolute once, on the starting thread: the current folder never
// moves later, but the file manager's may differ from ours.
QString Absolute(const QString& path)
{
    return platform::AbsolutePathOf(path);
}

int StatusOf(TExtractEnd end)
{
    switch (end) {
    case xeDone: return BatchOk;
    case xeStopped: return BatchStopped;
    case xeFolderRefused: return BatchCannotOpen;
    case xeDiskFull:
    case xeFailures: break;
    }
    return BatchEntryFailed;
}

}  // namespace

int TBatchExtract::Run(const TBatchRequest& request)
{
    QString chosen;
    if (request.Target == btFolder) {
        chosen = Absolute(request.Folder);
    } else if (request.Target == btAsk) {
        chosen = request.Archives.isEmpty() ? platform::HomeFolder() : platform::FolderOf(Absolute(request.Archives.front()));
        if (!BrowseForDirectory(chosen, QStringLiteral("Entpacken nach"), 0, nullptr, {}, FSeams.RunFolderDialog))
            return BatchStopped;
    }
    int status = BatchOk;
    for (const QString& archive : request.Archives) {
        const int one = ExtractOne(Absolute(archive), request, chosen);
        if (one == BatchStopped)
            return BatchStopped;
        status = std::max(status, one);
    }
    return status;
}

int TBatchExtract::ExtractOne(const QString& archive, const TBatchRequest& request, const QString& chosenFolder)
{
    TArchiveSession session;
    const TArchiveListing listing = session.Open(archive);
    const int entries = listing.Table ? int(listing.Table->Size()) : 0;
    if (entries == 0) {
        const TOpenProblem problem = session.OpenProblem(archive, listing, entries);
        if (!problem.Text.isEmpty())
            ShowMessageBox(*FSeams.Boxes, problem.Text, QString(), problem.Kind, bcOK);
        return problem.Kind == mkInformation ? BatchOk : BatchCannotOpen;
    }
    int status = BatchOk;
    if (listing.Status == dsDamaged) {
        // What was read is extracted all the same; the box says what is missing.
        ShowMessageBox(*FSeams.Boxes, session.DamageText(archive, entries, 0), QString(), mkError, bcOK);
        status = BatchCannotOpen;
    }
    TExtractRequest extract;
    extract.Folder = request.Target == btHere
                         ? ExtractHereFolder(archive, *listing.Table,
                                             [](const QString& path) { return platform::Exists(path); })
                         : chosenFolder;
    extract.Options = eoWithFolders;
    extract.List = AllEntriesOf(listing);
    extract.QuietUnlessFailed = true;

    TProgressWindow window;
    window.SetArchive(platform::FileNameOf(archive));
    TEntryExtractor extractor(FSeams);
    TExtractCommand command(FSeams, extractor, &window);
    const TExtractResult result = command.Run(session.Archive(), extract, window);
    return std::max(status, StatusOf(result.End));
}

}  // namespace valbrix
