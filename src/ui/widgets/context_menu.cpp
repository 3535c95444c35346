#include "ui/widgets/context_menu.h"

#include <QMenu>

namespace quorvel {

void exec_menu(QWidget* owner, const QList<menu_entry_t>& entries, const QPoint& global_pos) {
    if (entries.isEmpty())
        return;
    QMenu menu(owner);
    for (const menu_entry_t& entry : entries) {
        if (entry.text.isEmpty()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(entry.text);
        action->setEnabled(entry.enabled && entry.action);
        if (entry.action)
            QObject::connect(action, &QAction::triggered, owner, entry.action);
    }
    menu.exec(global_pos);
}

} // namespace quorvel
