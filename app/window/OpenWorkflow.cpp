// TMain's open and drag commands: a double-click or Enter on a row opens its
// entry with the desktop's program; dragging marked rows out of the window
// extracts them first and then drags their files. Both run with the
// progress bar and its "Abbrechen"; the work is TEntryOpener's.
#include "app/window/MainUnit.h"

#include <algorithm>

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QProgressBar>
#include <QStyle>
#include <QTimer>

#include "app/list/ListView.h"
#include "app/list/ZipListModel.h"

namespace valbrix {

TExtractList TMain::EntriesOfRows(std::vector<int> rows) const
{
    std::sort(rows.begin(), rows.end());  // top to bottom as the list shows them
    TExtractList list{Model->Table(), {}};
    list.Indices.reserve(rows.size());
    for (int row : rows)
        list.Indices.push_back(Model->EntryIndex(row));
    return list;
}

void TMain::LVDblClick(const QModelIndex& index)
{
    if (Extracting() || !index.isValid() || index.row() >= Model->rowCount())
        return;
    const TExtractList entry{Model->Table(), {Model->EntryIndex(index.row())}};
    RunStarted({});
    FOpener.OpenEntry(FSession.Archive(), entry, [this](int percent) { RunProgress(percent); });
    RunOver();
    CloseIfRequested();
}

std::unique_ptr<QMimeData> TMain::DragData()
{
    const TExtractList list = EntriesOfRows(SelectedRowNumbers());
    if (Extracting() || list.empty())
        return nullptr;
    RunStarted({});
    std::unique_ptr<QMimeData> data =
        FOpener.DragData(FSession.Archive(), list, [this](int percent) { RunProgress(percent); });
    RunOver();
    return data;
}

void TMain::LVStartDrag()
{
    std::unique_ptr<QMimeData> data = DragData();
    if (FCloseRequested) {
        CloseIfRequested();
        return;
    }
    // A button let go (or a box answered) while the entries were extracted
    // ends the gesture: a drag started now would stick to the pointer.
    if (!data || !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        return;
    auto* drag = new QDrag(LV);
    drag->setMimeData(data.release());
    drag->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(32, 32));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace valbrix
