// The list model of the main window; see the header.
#include "app/list/ZipListModel.h"

#include <algorithm>

#include <map>
#include <string>

#include <QDate>
#include <QGuiApplication>
#include <QPalette>
#include <QTime>

#include "app/texts/ListTexts.h"
#include "app/tools/MyTools.h"
#include "app/list/NameCollation.h"
#include "engine/archive/ZipFormat.h"
#include "engine/codecs/Methods.h"

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
    {"Methode", 110, Qt::AlignLeft},
};

QString Utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Seconds since the epoch: the exact time where the entry has one, else the
// MS-DOS fields counted as if they were UTC (no time zone is asked for a
// million rows; only an archive that mixes both kinds may order an hour or
// two off). One that is no date shows an empty cell and sorts before every date.
int64_t DateSortValue(const TEntryRecord& record)
{
    if (record.ModifiedTicks != NoExactTime)
        return record.ModifiedSeconds;
    const platform::TLocalTime local = DecodeDosDateTime(record.DosDateTime);
    if (!QDate::isValid(local.Year, local.Month, local.Day) || !QTime::isValid(local.Hour, local.Minute, local.Second))
        return INT64_MIN;
    const qint64 days = QDate(local.Year, local.Month, local.Day).toJulianDay() - QDate(1970, 1, 1).toJulianDay();
    return days * 86400 + local.Hour * 3600 + local.Minute * 60 + local.Second;
}

// The space saved, as the ratio column shows it.
double RatioSortValue(const TEntryRecord& record)
{
    if (record.UncompressedSize == 0)
        return 0;
    return (double(record.UncompressedSize) - double(record.CompressedSize)) / double(record.UncompressedSize);
}

// The items by rank; items of one rank keep their order.
std::vector<uint32_t> InRankOrder(const std::vector<uint32_t>& items, const std::vector<uint32_t>& ranks)
{
    std::vector<uint32_t> positions(items.size());
    for (uint32_t i = 0; i < positions.size(); ++i)
        positions[i] = i;
    std::stable_sort(positions.begin(), positions.end(), [&](uint32_t a, uint32_t b) { return ranks[a] < ranks[b]; });
    for (uint32_t& position : positions)
        position = items[position];
    return positions;
}

}  // namespace

TZipListModel::TZipListModel(QObject* parent)
    : QAbstractTableModel(parent), FLockIcon(QStringLiteral(":/icons/lock.png"))
{
}

TZipListModel::~TZipListModel() = default;

const TNameCollation& TZipListModel::Collation()
{
    const QString locale = QLocale().bcp47Name();
    if (!FCollation || locale != FCollationLocale) {
        FCollation = std::make_unique<TNameCollation>(QLocale());
        FCollationLocale = locale;
    }
    return *FCollation;
}

void TZipListModel::SetTable(std::shared_ptr<const TEntryTable> table)
{
    std::vector<uint32_t> files;
    if (table) {
        for (uint32_t i = 0; i < table->Size(); ++i)
            if (!table->IsFolder(table->Record(i)))
                files.push_back(i);
    }
    std::vector<uint32_t> nameOrder;
    if (!files.empty()) {
        const TEntryTable& entries = *table;
        nameOrder = Collation().Order(
            files.size(), [&](uint32_t i) { return entries.FileNamePart(entries.Record(files[i])); });
        for (uint32_t& item : nameOrder)
            item = files[item];
    }
    files = {};
    beginResetModel();
    FTable = nameOrder.empty() ? nullptr : std::move(table);
    FFilter = TNameFilter();
    FRows = nameOrder;
    FOrdered = nameOrder;
    FNameOrder = std::move(nameOrder);
    FSortColumn = lcName;
    FSortOrder = Qt::AscendingOrder;
    endResetModel();
}

void TZipListModel::Clear()
{
    beginResetModel();
    FRows = {};
    FOrdered = {};
    FNameOrder = {};
    FFilter = TNameFilter();
    FTable.reset();
    FSortColumn = lcName;
    FSortOrder = Qt::AscendingOrder;
    endResetModel();
}

std::vector<uint32_t> TZipListModel::OrderedBy(int column)
{
    std::vector<uint32_t> rows = FNameOrder;
    const TEntryTable& table = *FTable;
    const auto byValue = [&](auto value) {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](uint32_t a, uint32_t b) { return value(table.Record(a)) < value(table.Record(b)); });
    };
    switch (column) {
    case lcDate: byValue(DateSortValue); break;
    case lcUncompressed: byValue([](const TEntryRecord& r) { return r.UncompressedSize; }); break;
    case lcRatio: byValue(RatioSortValue); break;
    case lcCompressed: byValue([](const TEntryRecord& r) { return r.CompressedSize; }); break;
    case lcMethod: {
        // By the names shown; an archive holds a handful of methods.
        std::map<uint16_t, std::string> names;
        for (uint32_t entry : rows)
            names.try_emplace(table.Record(entry).DataMethod,
                              MethodCaption(table.Record(entry).DataMethod).toStdString());
        const std::vector<uint32_t> ranks = Collation().Ranks(
            rows.size(), [&](uint32_t i) { return std::string_view(names.at(table.Record(rows[i]).DataMethod)); });
        rows = InRankOrder(rows, ranks);
        break;
    }
    case lcFolder: {
        // Folders repeat for every file in them: ranks merge them first.
        const std::vector<uint32_t> ranks = Collation().Ranks(
            rows.size(), [&](uint32_t i) { return table.FolderPart(table.Record(rows[i])); });
        rows = InRankOrder(rows, ranks);
        break;
    }
    default: break;
    }
    return rows;
}

void TZipListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= lcCount || (column == FSortColumn && order == FSortOrder))
        return;
    std::vector<uint32_t> rows = FTable ? OrderedBy(column) : std::vector<uint32_t>();
    if (order == Qt::DescendingOrder)
        std::reverse(rows.begin(), rows.end());
    std::vector<uint32_t> shown = Filtered(rows);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    if (!persistent.isEmpty()) {
        // Persistent indexes (the current row, a selection) follow their entries.
        std::vector<int> newRow(FTable->Size(), -1);
        for (size_t row = 0; row < shown.size(); ++row)
            newRow[shown[row]] = int(row);
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (const QModelIndex& index : persistent)
            moved << createIndex(newRow[FRows[size_t(index.row())]], index.column());
        changePersistentIndexList(persistent, moved);
    }
    FRows = std::move(shown);
    FOrdered = std::move(rows);
    FSortColumn = column;
    FSortOrder = order;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::vector<uint32_t> TZipListModel::Filtered(const std::vector<uint32_t>& rows) const
{
    if (FFilter.IsEmpty())
        return rows;
    std::vector<uint32_t> shown;
    for (uint32_t entry : rows) {
        const TEntryRecord& record = FTable->Record(entry);
        if (FFilter.Matches(FTable->NameOf(record), FTable->FileNamePart(record)))
            shown.push_back(entry);
    }
    return shown;
}

void TZipListModel::SetFilter(const QString& text)
{
    if (text == FFilter.Text())
        return;
    beginResetModel();
    FFilter = TNameFilter(text);
    FRows = Filtered(FOrdered);
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

QString TZipListModel::CellText(int row, int column) const
{
    const TEntryRecord& record = Record(row);
    switch (column) {
    case lcName: return VisibleNameText(Utf8(FTable->FileNamePart(record)));
    case lcDate:
        return record.ModifiedTicks != NoExactTime ? ExactDateText(record.ModifiedSeconds) : DateText(record.DosDateTime);
    case lcUncompressed: return MyTools().FormatSize(SizeForTotal(record.UncompressedSize));
    case lcRatio: return RatioText(record.UncompressedSize, record.CompressedSize);
    case lcCompressed: return MyTools().FormatSize(SizeForTotal(record.CompressedSize));
    case lcFolder: return VisibleNameText(Utf8(FTable->FolderPart(record)));
    case lcMethod: return MethodText(record.DataMethod, record.Flags, uint8_t(record.AesStrength));
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
        return CellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return int(ColumnAlignment(index.column()));
    const TEntryRecord& record = Record(index.row());
    if (role == Qt::DecorationRole && index.column() == lcName && (record.Flags & gpEncrypted))
        return FLockIcon;
    if (role == Qt::ToolTipRole || role == Qt::ForegroundRole) {
        const QString refusal =
            record.Damage != edNone ? DamageText(uint8_t(record.Damage)) : RefusalText(record.DataMethod, record.Flags);
        if (role == Qt::ToolTipRole) {
            const QString tip = RowToolTipText(refusal, FTable->Comment(FRows[size_t(index.row())]));
            return tip.isEmpty() ? QVariant() : QVariant(tip);
        }
        if (refusal.isEmpty())
            return QVariant();
        return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    }
    return QVariant();
}

Qt::ItemFlags TZipListModel::flags(const QModelIndex& index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.isValid() ? flags | Qt::ItemIsDragEnabled : flags;
}

QVariant TZipListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= lcCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(Columns[section].Caption);
    if (role == Qt::TextAlignmentRole)
        return int(ColumnAlignment(section));
    if (role == Qt::InitialSortOrderRole)
        return int(Qt::AscendingOrder);  // a first click on a column sorts it upwards
    return QVariant();
}

}  // namespace valbrix
