// The list model of the main window; see the header.
#include "ZipListModel.h"

#include <algorithm>
#include <numeric>

#include <QCollator>
#include <QCollatorSortKey>
#include <QGuiApplication>
#include <QPalette>

#include "ListTexts.h"
#include "engine/archive/ZipFormat.h"
#include "MyTools.h"

namespace valbrix {

namespace {

struct TColumnInfo {
    const char* Caption;
    int Width;  // 0: takes the rest of the view
    Qt::Alignment Alignment;
};

const TColumnInfo Columns[lcCount] = {
    {"Dateiname", 100, Qt::AlignLeft},
    {"Datum", 120, Qt::AlignLeft},
    {"Größe unkomprimiert", 110, Qt::AlignRight},
    {"Ratio", 50, Qt::AlignLeft},
    {"Größe komprimiert", 110, Qt::AlignRight},
    {"Ordner", 160, Qt::AlignLeft},
    {"Methode", 0, Qt::AlignLeft},
};

}  // namespace

void SortRowsByCaption(std::vector<TListRow>& rows)
{
    // The "C" locale collates by code point, which would put every capital
    // before every small letter and umlauts after 'z'; take a real collation then.
    const QLocale locale;
    QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    // One sort key per row: comparing keys is far cheaper than collating
    // the strings again at each of the n log n comparisons.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(rows.size());
    for (const TListRow& row : rows)
        keys.push_back(collator.sortKey(row.Caption));
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a].compare(keys[b]) < 0; });
    std::vector<TListRow> sorted;
    sorted.reserve(rows.size());
    for (size_t index : order)
        sorted.push_back(std::move(rows[index]));
    rows = std::move(sorted);
}

TZipListModel::TZipListModel(QObject* parent)
    : QAbstractTableModel(parent), FLockIcon(QStringLiteral(":/icons/lock.png"))
{
}

void TZipListModel::SetRows(std::vector<TListRow> rows)
{
    SortRowsByCaption(rows);
    beginResetModel();
    FRows = std::move(rows);
    endResetModel();
}

void TZipListModel::Clear()
{
    beginResetModel();
    FRows.clear();
    FRows.shrink_to_fit();
    endResetModel();
}

int TZipListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(FRows.size());
}

int TZipListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : lcCount;
}

QString TZipListModel::CellText(const TListRow& row, int column)
{
    switch (column) {
    case lcName: return VisibleNameText(row.Caption);
    case lcDate: return DateText(row.Entry.DosDateTime);
    case lcUncompressed: return MyTools().FormatSize(SizeForTotal(row.Entry.UncompressedSize));
    case lcRatio: return RatioText(row.Entry.UncompressedSize, row.Entry.CompressedSize);
    case lcCompressed: return MyTools().FormatSize(SizeForTotal(row.Entry.CompressedSize));
    case lcFolder: return VisibleNameText(row.Folder);
    case lcMethod: return MethodText(row.Entry);
    default: return QString();
    }
}

int TZipListModel::ColumnWidth(int column)
{
    return column >= 0 && column < lcCount ? Columns[column].Width : 0;
}

Qt::Alignment TZipListModel::ColumnAlignment(int column)
{
    return (column >= 0 && column < lcCount ? Columns[column].Alignment : Qt::AlignLeft) | Qt::AlignVCenter;
}

QVariant TZipListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(FRows.size()))
        return QVariant();
    if (role == Qt::DisplayRole)
        return CellText(FRows[size_t(index.row())], index.column());
    if (role == Qt::TextAlignmentRole)
        return int(ColumnAlignment(index.column()));
    const TZipEntry& entry = FRows[size_t(index.row())].Entry;
    if (role == Qt::DecorationRole && index.column() == lcName && (entry.Flags & gpEncrypted))
        return FLockIcon;
    if (role == Qt::ToolTipRole || role == Qt::ForegroundRole) {
        const QString refusal = RefusalText(entry);
        if (refusal.isEmpty())
            return QVariant();
        if (role == Qt::ToolTipRole)
            return refusal;
        return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    }
    return QVariant();
}

QVariant TZipListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= lcCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(Columns[section].Caption);
    if (role == Qt::TextAlignmentRole)
        return int(ColumnAlignment(section));
    return QVariant();
}

}  // namespace valbrix
