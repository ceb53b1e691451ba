// Extraction without the main window, as the file manager asks for it
// ("Hier entpacken", "Entpacken nach …"): each archive is listed and all its
// entries extracted with their folders, under a small progress window, with
// the same replace and password questions as in the window. A box shows
// only when something failed. No setup offer here: the user asked for
// files, not an installation. The exit status reads as the command-line
// program's.
#pragma once

#include <cstdint>

#include <QStringList>

#include "app/dialogs/WindowSeams.h"

namespace valbrix {

enum TBatchTarget : uint8_t {
    btHere,    // beside each archive (see ExtractHereFolder)
    btFolder,  // into the folder given
    btAsk,     // into a folder the user chooses first
};

struct TBatchRequest {
    TBatchTarget Target = btHere;
    QString Folder;        // btFolder: absolute, or relative to the current folder
    QStringList Archives;  // absolute, or relative to the current folder
};

// Exit statuses, the same numbers as the command-line program's.
constexpr int BatchOk = 0;
constexpr int BatchEntryFailed = 1;
constexpr int BatchCannotOpen = 2;
constexpr int BatchStopped = 130;

class TBatchExtract {
public:
    // Boxes, dialogs and the file manager; tests replace them here.
    TWindowSeams& Seams() { return FSeams; }
    // The archives one after another; a stop ends the whole batch.
    int Run(const TBatchRequest& request);

private:
    int ExtractOne(const QString& archive, const TBatchRequest& request, const QString& chosenFolder);

    TWindowSeams FSeams;
};

}  // namespace valbrix
