// The setup flow: an archive that carries "setup.exe" may be installed from
// directly. Every entry is extracted into a new private folder (made by
// mkdtemp below this process's session folder, so nobody else can plant
// files in it, and a crashed run's folder is swept at the next start),
// "Setup.exe" at its top is started, and after the user confirms the end of
// the installation the whole tree is removed again; a file that cannot be
// removed is named, the rest still goes. Whatever way the flow ends early,
// the tree goes too: its path was never shown.
#pragma once

#include <QString>

#include "app/dialogs/WindowSeams.h"
#include "app/workflows/ExtractEntries.h"
#include "app/workflows/RunView.h"
#include "platform/PrivateFolders.h"

namespace valbrix {

class TSetupCommand {
public:
    TSetupCommand(const TWindowSeams& seams, TEntryExtractor& extractor);
    TSetupCommand(const TSetupCommand&) = delete;
    TSetupCommand& operator=(const TSetupCommand&) = delete;

    // Asks first; `list` is every entry of the archive, folder entries included.
    void Run(const TZipArchive& archive, const TExtractList& list, TRunView& view);

private:
    void DeleteFolder(const QString& folder);

    const TWindowSeams& FSeams;
    TEntryExtractor& FExtractor;
    platform::TPrivateFolders FFolders;
};

}  // namespace valbrix
