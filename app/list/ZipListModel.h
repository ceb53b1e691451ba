// The rows of the main window's list: one per file entry of the open
// archive, each a number into the archive's compact entry table, which the
// rows share with any extraction that runs (so the records stay valid until
// it ends, whatever happens to the list). Rows start in the order by file
// name (the locale's case-sensitive collation; equal names keep the
// archive's order) and can be ordered by any column; cell texts are made
// when the view asks for them, so a listing of a million entries costs the
// table, two numbers a row and the sort. A row that cannot be extracted (a
// method we do not decode) is drawn greyed, with the reason as its tooltip.
// A filter (TNameFilter) narrows the rows to the names that match a text;
// the order stays the column's.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>

#include "app/list/NameFilter.h"
#include "engine/archive/EntryTable.h"

namespace valbrix {

class TNameCollation;

enum TListColumn : int { lcName = 0, lcDate, lcUncompressed, lcRatio, lcCompressed, lcFolder, lcMethod, lcCount };

class TZipListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TZipListModel(QObject* parent = nullptr);
    ~TZipListModel() override;

    // Replaces all rows in one reset: a row per file entry of the table
    // (folder entries get none), in the order by file name.
    void SetTable(std::shared_ptr<const TEntryTable> table);
    void Clear();
    // The table behind the rows; null when there are none.
    const std::shared_ptr<const TEntryTable>& Table() const { return FTable; }
    // The table index of a row's entry.
    uint32_t EntryIndex(int row) const { return FRows[size_t(row)]; }
    const TEntryRecord& Record(int row) const { return FTable->Record(FRows[size_t(row)]); }
    QString CellText(int row, int column) const;

    // Orders the rows by a column: names by the collation, the others by
    // value; ties keep the order by name. Descending is the exact reverse.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int SortColumn() const { return FSortColumn; }
    // Shows only the rows whose name matches `text` (see TNameFilter);
    // an empty text shows every row. Resets the model (and the selection).
    void SetFilter(const QString& text);
    const QString& FilterText() const { return FFilter.Text(); }
    // Rows there are without the filter.
    int FileCount() const { return int(FOrdered.size()); }
    Qt::SortOrder SortOrder() const { return FSortOrder; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Rows can be dragged out (as copies); nothing is dropped on them.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    static int ColumnWidth(int column);
    static Qt::Alignment ColumnAlignment(int column);

private:
    const TNameCollation& Collation();
    std::vector<uint32_t> OrderedBy(int column);
    std::vector<uint32_t> Filtered(const std::vector<uint32_t>& rows) const;

    std::shared_ptr<const TEntryTable> FTable;
    std::vector<uint32_t> FRows;       // table index per row shown, top to bottom
    std::vector<uint32_t> FOrdered;    // every file's table index in the column's order
    TNameFilter FFilter;
    std::vector<uint32_t> FNameOrder;  // the rows by name: where every other order starts
    int FSortColumn = lcName;
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
    // Made for the locale in force, again when it changes.
    std::unique_ptr<TNameCollation> FCollation;
    QString FCollationLocale;
    QIcon FLockIcon;  // beside the name of an encrypted entry
};

}  // namespace valbrix
