// TMain's "Archiv testen": the marked rows in view (all rows in view when
// none is marked), as extraction takes them, are decoded without writing,
// with the progress bar and its "Abbrechen", and one summary box says how
// many of the archive's files were tested and lists every failure with its
// reason.
#include "app/window/MainUnit.h"

#include "app/workflows/TestCommand.h"
#include "app/list/ZipListModel.h"

namespace valbrix {

void TMain::Archivtesten1Click()
{
    if (Extracting() || Model->rowCount() == 0)
        return;
    std::vector<int> rows = SelectedRowNumbers();
    if (rows.empty()) {
        rows.resize(size_t(Model->rowCount()));
        for (int row = 0; row < Model->rowCount(); ++row)
            rows[size_t(row)] = row;
    }
    const TTableEntries entries = EntriesOfRows(std::move(rows));
    RunTestCommand(FTester, FSeams, FSession.Archive(), entries, Model->FileCount(), *this);
    CloseIfRequested();
}

}  // namespace valbrix
