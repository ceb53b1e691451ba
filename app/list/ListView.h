// The main window's list as a view: a table view whose rows can be opened
// (double-click, Enter) and dragged out. It only reports these gestures;
// the window decides what they do. While the window prepares a drag (the
// entries are extracted first, with the window's events dispatched), the
// view takes no mouse input, so releasing the button then cannot turn the
// drag's press into a click that would change the marks.
#pragma once

#include <functional>

#include <QTreeView>

namespace valbrix {

class TListView : public QTreeView {
    Q_OBJECT
public:
    explicit TListView(QWidget* parent = nullptr);

    // Called when the user drags marked rows beyond the drag distance.
    std::function<void()> OnStartDrag;

signals:
    // A row was double-clicked, or Enter was pressed on the current row.
    void OpenRequested(const QModelIndex& index);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    bool FPreparingDrag = false;
};

}  // namespace valbrix
