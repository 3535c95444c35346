#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <functional>

class QWidget;

namespace quorvel {

// An entry of a page's context menu.
struct menu_entry_t {
    QString text; // empty: a separator
    std::function<void()> action;
    bool enabled = true; // an entry without an action is shown disabled
};

// Shows the entries as a menu at a global position and runs the chosen one;
// nothing when there are no entries. The owner's life bounds the actions.
void exec_menu(QWidget* owner, const QList<menu_entry_t>& entries, const QPoint& global_pos);

} // namespace quorvel
