#include "ui/kb/kb_item_menus.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "integration/composition.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/category_actions.h"
#include "net/actions/script_actions.h"
#include "protocol/protocol.h"
#include "ui/kb/delete_category_widget.h"
#include "ui/kb/delete_script_widget.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/kb_row_model.h"
#include "ui/kb/kb_tree_rows.h"
#include "ui/kb/new_script_widget.h"
#include "ui/kb/sort_category_widget.h"
#include "ui/kb/transfer_category_widget.h"
#include "ui/kb/transfer_script_widget.h"
#include "ui/kb/update_category_widget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/widgets/message_box.h"

namespace quorvel {

using namespace kb_tree;

namespace {

constexpr int personal_part = int(protocol::part::personal);

} // namespace

kb_item_menus::kb_item_menus(kb_item_widget* view, kb_row_model* model)
    : QObject(view), view_(view), model_(model), scripts_(new script_actions(this)),
      categories_(new category_actions(this)) {
    message_ = [view](const QString& text) { show_information(view, text); };
}

// ---- menus ----

QList<menu_entry_t> kb_item_menus::category_menu(const category_node_spt& category) {
    const bool manager = session_state::instance().has_manager_role();
    const bool personal = model_->part() == personal_part;
    kb_item_widget* view = view_;
    auto expand = [view, category] { view->expand_category(category, true); };
    auto collapse = [view, category] { view->expand_category(category, false); };
    const menu_entry_t copy{QStringLiteral("复制分类"),
                            [this, category] { open_transfer_category(category, false); }};
    if (!manager && !personal)
        return {copy, {QStringLiteral("展开分类"), expand}, {QStringLiteral("折叠分类"), collapse}};
    QList<menu_entry_t> entries{
        {QStringLiteral("修改分类"), [this, category] { open_update_category(category); }},
        {QStringLiteral("删除分类"), [this, category] { open_delete_category(category); }},
        {},
        copy};
    if (manager)
        entries << menu_entry_t{QStringLiteral("移动分类"),
                                [this, category] { open_transfer_category(category, true); }};
    entries << menu_entry_t{}
            << menu_entry_t{QStringLiteral("分类排序"),
                            [this, category] { open_sort_category(category); }}
            << menu_entry_t{} << menu_entry_t{QStringLiteral("展开分类"), expand}
            << menu_entry_t{QStringLiteral("折叠分类"), collapse} << menu_entry_t{}
            << menu_entry_t{QStringLiteral("新建话术"),
                            [this, category] { open_new_script(category->id); }};
    return entries;
}

QList<menu_entry_t> kb_item_menus::row_menu(QTreeWidgetItem* row) {
    if (!row)
        return {};
    if (kind_of(row) == category_row)
        return category_menu(category_of(row));
    const script_node_spt script = script_of(row);
    const bool manager = session_state::instance().has_manager_role();
    const menu_entry_t input{QStringLiteral("输入话术"), [this, script] { send(script, false); }};
    const menu_entry_t direct{QStringLiteral("发送话术"), [this, script] { send(script, true); }};
    const menu_entry_t clipboard{QStringLiteral("复制到剪贴板"),
                                 [script] { copy_script_as_text(script->speechContent); }};
    const menu_entry_t copy{QStringLiteral("复制话术"),
                            [this, script] { open_transfer_script(script, true); }};
    if (!manager && model_->part() != personal_part)
        return {input, direct, copy, clipboard};
    QList<menu_entry_t> entries{
        input,
        direct,
        {},
        {QStringLiteral("新建话术"), [this, script] { open_new_script(script->classifyId); }},
        {QStringLiteral("修改话术"), [this, script] { open_edit_script(script); }},
        {QStringLiteral("删除话术"), [this, script] { open_delete_script(script); }},
        {}};
    if (manager)
        entries << copy
                << menu_entry_t{QStringLiteral("移动话术"),
                                [this, script] { open_transfer_script(script, false); }}
                << menu_entry_t{};
    entries << menu_entry_t{QStringLiteral("置顶话术"),
                            [this, script] { pin_script(script, true); }}
            << menu_entry_t{QStringLiteral("置底话术"),
                            [this, script] { pin_script(script, false); }}
            << menu_entry_t{} << clipboard;
    return entries;
}

QList<menu_entry_t> kb_item_menus::empty_area_menu(drag_drop_treewidget* tree) {
    if (!session_state::instance().has_manager_role() && model_->part() != personal_part)
        return {};
    const QString category_id = tree ? tree->property("category/id").toString() : QString();
    return {{QStringLiteral("新建话术"), [this, category_id] { open_new_script(category_id); }}};
}

// ---- sending ----

void kb_item_menus::send(const script_node_spt& script, bool direct) {
    if (!script)
        return;
    event_bus::instance()->post(QLatin1String(direct ? events::send_script : events::input_script),
                                {script->speechContent});
}

// ---- script dialogs ----

// The dialogs change the store through the script actions; the rows follow
// its change signal, so only the event for the receiving part is left here.
transfer_script_widget* kb_item_menus::open_transfer_script(const script_node_spt& script,
                                                            bool copy) {
    auto* dialog = new transfer_script_widget(copy, script, view_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &transfer_script_widget::transfer_finished, this,
            [](int part, const QString& category_id) {
                event_bus::instance()->post(QLatin1String(events::kb_transfer_script),
                                            {part, category_id});
            });
    dialog->show();
    return dialog;
}

delete_script_widget* kb_item_menus::open_delete_script(const script_node_spt& script) {
    auto* dialog = new delete_script_widget(script, view_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

// The editor reports a saved script once its files are cached; the store
// takes it then, and the row follows the store's change.
new_script_widget* kb_item_menus::open_new_script(const QString& category_id) {
    auto* dialog = new new_script_widget(model_->part(), category_id, nullptr, view_);
    connect(dialog, &new_script_widget::create_script_finished, this,
            [](const script_node_spt& node) { script_actions::keep_saved(node, true); });
    dialog->show();
    return dialog;
}

new_script_widget* kb_item_menus::open_edit_script(const script_node_spt& script) {
    if (!script)
        return nullptr;
    auto* dialog = new new_script_widget(model_->part(), script->classifyId, script, view_);
    connect(dialog, &new_script_widget::update_script_finished, this,
            [](const script_node_spt& node) { script_actions::keep_saved(node, false); });
    dialog->show();
    return dialog;
}

// ---- category dialogs ----

// Each dialog changes the server and the store through the category actions;
// the view follows the store, so only the transfer result is passed on, as
// the page's event.
void kb_item_menus::open_update_category(const category_node_spt& category) {
    auto* dialog = new update_category_widget(category);
    dialog->resize(400, 128);
    dialog->show();
}

void kb_item_menus::open_delete_category(const category_node_spt& category) {
    (new delete_category_widget(category))->show();
}

void kb_item_menus::open_transfer_category(const category_node_spt& category, bool move) {
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

void kb_item_menus::open_sort_category(const category_node_spt& category) {
    if (!category)
        return;
    auto* dialog = new sort_category_widget(model_->children_of(category->superId));
    connect(dialog, &sort_category_widget::order_changed, this,
            [this, category](const QStringList& ids) { apply_category_sort(category, ids); });
    dialog->show();
}

// ---- reorders through the server ----

void kb_item_menus::pin_script(const script_node_spt& script, bool to_top) {
    drag_drop_treewidget* tree = script ? view_->tree_of_script(script) : nullptr;
    QTreeWidgetItem* row = find_row(tree, script_row, script ? script->id : QString());
    if (!row)
        return;
    QStringList ids;
    for (QTreeWidgetItem* sibling : siblings(tree, row->parent()))
        if (sibling != row)
            ids << id_of(sibling);
    if (to_top)
        ids.prepend(script->id);
    else
        ids.append(script->id);
    const QString category_id = script->classifyId;
    scripts_->sort_scripts(
        script->id, category_id, ids, [this, category_id](const action_result_t& result) {
            if (result.ok)
                reload_category(category_id);
            else
                message_(QStringLiteral("调整位置失败，原因：%1").arg(result.error));
        });
}

void kb_item_menus::on_item_drag_finished(drag_drop_treewidget* tree, QTreeWidgetItem* dragged,
                                          QTreeWidgetItem* to_parent, int index) {
    if (!dragged || !to_parent)
        return;
    if (!tree)
        tree = qobject_cast<drag_drop_treewidget*>(dragged->treeWidget());
    const QString moved_id = id_of(dragged);
    QStringList ids;
    if (index < 0)
        ids << moved_id;
    for (int i = 0; i < to_parent->childCount(); ++i) {
        QTreeWidgetItem* child = to_parent->child(i);
        if (i == index)
            ids << moved_id;
        if (kind_of(child) == script_row && child != dragged)
            ids << id_of(child);
    }
    const QString category_id = id_of(to_parent);
    if (tree)
        tree->removeItemWidget(dragged, 0);
    if (dragged->treeWidget())
        take_row(dragged->treeWidget(), dragged);
    delete dragged;
    if (tree)
        number_tree(tree);
    // A failed reorder shows nothing; the row comes back with the next reload.
    scripts_->sort_scripts(moved_id, category_id, ids,
                           [this, category_id](const action_result_t& result) {
                               if (result.ok)
                                   reload_category(category_id);
                           });
}

void kb_item_menus::reload_category(const QString& category_id) {
    // The rows follow from the store's change.
    scripts_->reload_category(
        model_->part(), model_->shown_dept(), category_id, [this](const action_result_t& result) {
            if (!result.ok)
                message_(QStringLiteral("更新分类话术信息失败，原因：%1").arg(result.error));
        });
}

void kb_item_menus::apply_category_sort(const category_node_spt& category,
                                        const QStringList& ordered_ids) {
    if (!category || ordered_ids.isEmpty())
        return;
    // The new order reaches the view from the store.
    categories_->sort_categories(category, ordered_ids, [this](const action_result_t& result) {
        if (!result.ok)
            message_(QStringLiteral("分类排序失败，原因：%1").arg(result.error));
    });
}

} // namespace quorvel
