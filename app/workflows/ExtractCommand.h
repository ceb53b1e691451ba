// The extraction command, from the chosen folder to the last box: the
// folder is checked (and its last level made), the job runs with the
// view's bar, and the end is told: a summary (in the window with the offer
// to show the folder; from the file manager only when something failed),
// or after a stop the offer to take back what the run created. A view
// closed during the run ends it without boxes; its owner finishes closing.
#pragma once

#include <QObject>
#include <QString>

#include "app/dialogs/WindowSeams.h"
#include "app/workflows/ExtractEntries.h"
#include "app/workflows/RunView.h"

namespace valbrix {

struct TExtractRequest {
    QString Folder;  // as the user gave it: cleaned and checked here
    TExtractOptions Options = eoWithFolders;
    TExtractList List;
    // The window's summary always shows and offers to open the folder; a
    // run from the file manager stays silent unless something failed.
    bool QuietUnlessFailed = false;
};

enum TExtractEnd : uint8_t {
    xeDone,           // every entry extracted
    xeFailures,       // the run ended, but some entries failed or were skipped
    xeFolderRefused,  // the folder could not be used; nothing ran
    xeStopped,        // the user stopped it (or closed the view)
    xeDiskFull,       // the target filled up or turned read-only
};

struct TExtractResult {
    TExtractEnd End = xeDone;
    int Extracted = 0;
};

// One run of the extractor with `view` as its bar, which is gone before any
// box of the run's end. Returns the entries extracted.
int ExtractInView(TEntryExtractor& extractor, const TZipArchive& archive, TExtractOptions options,
                  const QString& folder, const TExtractList& list, TRunView& view);

class TExtractCommand {
public:
    // `context` bounds the desktop's late answer to "show the folder".
    TExtractCommand(const TWindowSeams& seams, TEntryExtractor& extractor, QObject* context);
    TExtractCommand(const TExtractCommand&) = delete;
    TExtractCommand& operator=(const TExtractCommand&) = delete;

    TExtractResult Run(const TZipArchive& archive, const TExtractRequest& request, TRunView& view);
    // A stopped run's files are being removed (the view's bar shows it).
    bool TakingBack() const { return FTakingBack; }

private:
    // The folder cannot be used; `why` is the refusal's second line.
    void RefuseFolder(const QString& folder, const QString& why);
    void OfferToTakeBack(const QString& folder, int count, bool folderCreated, TRunView& view);
    void ExploreFolder(const QString& folder);

    const TWindowSeams& FSeams;
    TEntryExtractor& FExtractor;
    QObject* FContext;
    bool FTakingBack = false;
};

}  // namespace valbrix
