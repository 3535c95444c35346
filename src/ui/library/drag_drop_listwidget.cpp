#include "ui/library/drag_drop_listwidget.h"

#include <QDropEvent>

namespace quorvel {

drag_drop_listwidget::drag_drop_listwidget(QWidget* parent) : QListWidget(parent) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDefaultDropAction(Qt::MoveAction);
    setDragDropMode(QAbstractItemView::InternalMove);
    setFrameShape(QFrame::NoFrame);
}

void drag_drop_listwidget::dropEvent(QDropEvent* event) {
    QListWidgetItem* item = currentItem();
    const int old_row = currentRow();
    QListWidget::dropEvent(event);
    report(item, old_row);
}

bool drag_drop_listwidget::move_item(int from, int to) {
    if (from < 0 || from >= count() || to < 0 || to >= count())
        return false;
    QListWidgetItem* item = this->item(from);
    // A move, not take and insert: taking the item out would destroy the
    // widget set on its row, as a drop keeps it. The destination counts
    // rows before the move.
    model()->moveRow(QModelIndex(), from, QModelIndex(), to > from ? to + 1 : to);
    setCurrentItem(item);
    report(item, from);
    return true;
}

void drag_drop_listwidget::report(QListWidgetItem* item, int old_row) {
    // A drop onto the item's own place moves nothing and says nothing.
    if (!item)
        return;
    const int new_row = row(item);
    if (new_row != old_row)
        emit item_order_changed(item, old_row, new_row);
}

} // namespace quorvel
