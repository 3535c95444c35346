#pragma once

#include <QTreeWidget>
#include <functional>

namespace quorvel {

// A tree whose rows move by drag and drop, within rules given as predicates.
class drag_drop_treewidget : public QTreeWidget {
    Q_OBJECT
public:
    using predicate_t = std::function<bool(QTreeWidgetItem*)>;

    explicit drag_drop_treewidget(QWidget* parent = nullptr);
    void set_drag_predicate(predicate_t p) { can_drag_ = std::move(p); }
    void set_drop_predicate(predicate_t p) { can_drop_ = std::move(p); }

    // The drop step without a mouse: moves the row as a drop onto target
    // would, then reports it. False when the rules refuse it.
    bool move_item(QTreeWidgetItem* dragged, QTreeWidgetItem* target);

signals:
    void item_drag_finished(QTreeWidgetItem* dragged_item, QTreeWidgetItem* to_parent,
                            int to_index);

protected:
    void startDrag(Qt::DropActions actions) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool drop_allowed(QTreeWidgetItem* target) const;
    void report(QTreeWidgetItem* dragged, QTreeWidgetItem* target);

    predicate_t can_drag_;
    predicate_t can_drop_;
};

} // namespace quorvel
