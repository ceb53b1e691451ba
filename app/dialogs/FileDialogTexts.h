// The open dialog's file sizes and dates as the list writes them. The
// dialog's own model formats them in the system's locale, which under C
// is English while every other word is German; this proxy rewrites those
// two columns with the list's formats. Other columns and roles pass through.
#pragma once

#include <QIdentityProxyModel>

namespace valbrix {

class TFileDialogTexts : public QIdentityProxyModel {
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

}  // namespace valbrix
