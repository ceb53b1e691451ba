// The rules of the main window that need no window: which commands are
// enabled for a given list, and how a path that the shell split at blanks is
// put back together from the command-line parameters. Pure functions; the
// window applies their results.
#pragma once

#include <QStringList>

namespace valbrix {

// Enabled states of the commands that depend on the list.
struct TCommandState {
    bool Unzip = false;       // UnzipBtn, ZipArchiventpacken1
    bool Selection = false;   // SelAllBtn, Alleauswhlen1/2, Alleabwhlen1/2
    bool Close = false;       // Schlieen1
    bool operator==(const TCommandState&) const = default;
};

// After opening or closing: everything follows "rows and a selection".
TCommandState CommandStateAfterListing(int rowCount, int selectedCount);
// After a selection change: extraction needs a selection, the selection
// commands only rows; "Schließen" keeps its state.
TCommandState CommandStateAfterSelection(int rowCount, int selectedCount, bool closeEnabled);

// Joins the parameters until they name an existing file; a relative piece
// that names nothing is dropped, an absolute one waits for the next piece.
// Returns the last existing file found, or an empty string.
QString ReassembleArchivePath(const QStringList& parameters);

}  // namespace valbrix
