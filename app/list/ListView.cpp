// The list's gestures; see the header.
#include "app/list/ListView.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace valbrix {

TListView::TListView(QWidget* parent) : QTreeView(parent)
{
    // Drags leave the window only: the list takes no drops of its own.
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
}

void TListView::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        if (currentIndex().isValid())
            emit OpenRequested(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid())
        emit OpenRequested(index);
}

void TListView::mousePressEvent(QMouseEvent* event)
{
    if (!FPreparingDrag)
        QTreeView::mousePressEvent(event);
}

void TListView::mouseMoveEvent(QMouseEvent* event)
{
    if (!FPreparingDrag)
        QTreeView::mouseMoveEvent(event);
}

void TListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!FPreparingDrag)
        QTreeView::mouseReleaseEvent(event);
}

void TListView::startDrag(Qt::DropActions /*supportedActions*/)
{
    if (!OnStartDrag || FPreparingDrag)
        return;
    FPreparingDrag = true;
    OnStartDrag();
    FPreparingDrag = false;
}

}  // namespace valbrix
