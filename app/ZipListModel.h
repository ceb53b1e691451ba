// The rows of the main window's list: one per file entry of the open
// archive, each owning a copy of its TZipEntry record. Rows are sorted once
// when they are set, by the file-name caption with the locale's
// case-sensitive collation; equal captions keep the archive's order. Cell
// texts are made when the view asks for them, so a listing of 100,000
// entries costs only the sort. A row that cannot be extracted (a method we
// do not decode) is drawn greyed, with the reason as its tooltip. The records are what a later extraction
// reads: they must stay valid until it ends (see TMain::ClearList).
#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>

#include "engine/archive/ZipDirectory.h"

namespace valbrix {

struct TListRow {
    TZipEntry Entry;
    QString Caption;  // file name part of Entry.FileName
    QString Folder;   // folder part, empty at the top level
};

enum TListColumn : int { lcName = 0, lcDate, lcUncompressed, lcRatio, lcCompressed, lcFolder, lcMethod, lcCount };

class TZipListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TZipListModel(QObject* parent = nullptr);

    // Replaces all rows in one reset; rows are sorted here.
    void SetRows(std::vector<TListRow> rows);
    void Clear();
    const TListRow& Row(int row) const { return FRows[size_t(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static QString CellText(const TListRow& row, int column);
    static int ColumnWidth(int column);
    static Qt::Alignment ColumnAlignment(int column);

private:
    std::vector<TListRow> FRows;
    QIcon FLockIcon;  // beside the name of an encrypted entry
};

// Sorts rows by caption: locale-aware, case-sensitive, stable.
void SortRowsByCaption(std::vector<TListRow>& rows);

}  // namespace valbrix
