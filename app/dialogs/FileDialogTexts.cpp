// The open dialog's sizes and dates; see the header.
#include "app/dialogs/FileDialogTexts.h"

#include <QFileSystemModel>

#include "app/tools/MyTools.h"
#include "platform/gui/LocaleFormats.h"

namespace valbrix {

namespace {

// The columns of the dialog's file system model.
constexpr int SizeColumn = 1;
constexpr int DateColumn = 3;

}  // namespace

QVariant TFileDialogTexts::data(const QModelIndex& index, int role) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || (index.column() != SizeColumn && index.column() != DateColumn))
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    if (index.column() == DateColumn)
        return platform::FullYearDateTimeText(files->lastModified(source));
    return files->isDir(source) ? QString() : MyTools().FormatSize(files->size(source));
}

}  // namespace valbrix
