// The category dialogs a library view opens. Each dialog changes the server
// and the store through the category actions; the view follows the store, so
// only the transfer result is passed on, as the page's event.
#include "app/event_bus.h"
#include "app/event_names.h"
#include "model/session_state.h"
#include "ui/kb/delete_category_widget.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/sort_category_widget.h"
#include "ui/kb/transfer_category_widget.h"
#include "ui/kb/update_category_widget.h"

namespace quorvel {

void kb_item_widget::open_update_category(const category_node_spt& category) {
    auto* dialog = new update_category_widget(category);
    dialog->resize(400, 128);
    dialog->show();
}

void kb_item_widget::open_delete_category(const category_node_spt& category) {
    (new delete_category_widget(category))->show();
}

void kb_item_widget::open_transfer_category(const category_node_spt& category, bool move) {
    auto* dialog = new transfer_category_widget(
        move ? transfer_category_widget::move_mode : transfer_category_widget::copy_mode, category);
    dialog->setMaximumSize(500, 300);
    if (!session_state::instance().has_manager_role())
        dialog->restrict_to_personal();
    connect(dialog, &transfer_category_widget::transfer_finished, this,
            [category, move](const category_node_spt& placed) {
                event_bus::instance()->post(
                    QLatin1String(events::kb_transfer_category),
                    {move, QVariant::fromValue(category), QVariant::fromValue(placed)});
            });
    dialog->show();
}

void kb_item_widget::open_sort_category(const category_node_spt& category) {
    if (!category)
        return;
    auto* dialog = new sort_category_widget(children_of(category->superId));
    connect(dialog, &sort_category_widget::order_changed, this,
            [this, category](const QStringList& ids) { apply_category_sort(category, ids); });
    dialog->show();
}

void kb_item_widget::rebuild_view() {
    clear_view();
    build_strip();
}

} // namespace quorvel
