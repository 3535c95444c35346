#pragma once

#include <QListWidget>

namespace quorvel {

// A frameless list whose items the user reorders by dragging them; every drop
// that changes the dragged item's row is reported once.
class drag_drop_listwidget : public QListWidget {
    Q_OBJECT
public:
    explicit drag_drop_listwidget(QWidget* parent = nullptr);

    // The drop step without a mouse: moves the item at `from` to `to` as a
    // drop would (its row widget moves along), then reports it. False when
    // either row is out of range.
    bool move_item(int from, int to);

signals:
    void item_order_changed(QListWidgetItem* item, int old_row, int new_row);

protected:
    void dropEvent(QDropEvent* event) override;

private:
    void report(QListWidgetItem* item, int old_row);
};

} // namespace quorvel

// Lets the signal travel queued and be watched by a QSignalSpy.
Q_DECLARE_METATYPE(QListWidgetItem*)
