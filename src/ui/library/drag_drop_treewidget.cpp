#include "ui/library/drag_drop_treewidget.h"

#include <QDropEvent>

namespace quorvel {

drag_drop_treewidget::drag_drop_treewidget(QWidget* parent) : QTreeWidget(parent) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
}

bool drag_drop_treewidget::drop_allowed(QTreeWidgetItem* target) const {
    return target && (!can_drop_ || can_drop_(target));
}

void drag_drop_treewidget::startDrag(Qt::DropActions actions) {
    if (can_drag_ && !can_drag_(currentItem()))
        return;
    QTreeWidget::startDrag(actions);
}

void drag_drop_treewidget::dragMoveEvent(QDragMoveEvent* event) {
    if (!drop_allowed(itemAt(event->pos()))) {
        event->ignore();
        return;
    }
    QTreeWidget::dragMoveEvent(event);
}

void drag_drop_treewidget::dropEvent(QDropEvent* event) {
    QTreeWidgetItem* target = itemAt(event->pos());
    QTreeWidgetItem* dragged = currentItem();
    if (!drop_allowed(target) || !dragged) {
        event->ignore();
        return;
    }
    QTreeWidget::dropEvent(event);
    report(dragged, target);
}

bool drag_drop_treewidget::move_item(QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
    if (!dragged || dragged == target || !drop_allowed(target) ||
        (can_drag_ && !can_drag_(dragged)))
        return false;
    QTreeWidgetItem* parent = target->parent();
    QTreeWidgetItem* old_parent = dragged->parent();
    QTreeWidgetItem* taken = old_parent ? old_parent->takeChild(old_parent->indexOfChild(dragged))
                                        : takeTopLevelItem(indexOfTopLevelItem(dragged));
    if (!taken)
        return false;
    const int at = parent ? parent->indexOfChild(target) : indexOfTopLevelItem(target);
    if (parent)
        parent->insertChild(at, taken);
    else
        insertTopLevelItem(at, taken);
    report(taken, target);
    return true;
}

void drag_drop_treewidget::report(QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
    QTreeWidgetItem* parent = target ? target->parent() : nullptr;
    const int index = parent ? parent->indexOfChild(dragged) : -1;
    emit item_drag_finished(dragged, parent, index);
}

} // namespace quorvel
