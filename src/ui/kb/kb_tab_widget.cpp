#include "ui/kb/kb_tab_widget.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "ui/kb/kb_item_menus.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/kb_search_widget.h"
#include "ui/kb/new_category_widget.h"
#include "ui/library/category_widget.h"
#include "ui/library/department_picker_tab.h"
#include "ui/library/part_tabs.h"

#include <spdlog/spdlog.h>

namespace quorvel {

namespace {
// Long department names would push the search tab out of the page.
QString short_name(const QString& name) {
    constexpr int max_chars = 8;
    return name.size() > max_chars ? name.left(max_chars - 1) + QChar(0x2026) : name;
}
} // namespace

kb_tab_widget::kb_tab_widget(QWidget* parent)
    : QWidget(parent), tabs_(new category_widget(this)),
      stack_(new QStackedLayout), views_{nullptr, nullptr, nullptr}, search_(nullptr),
      dept_tab_(nullptr) {
    for (int part = 0; part < 3; ++part) {
        views_[part] = new kb_item_widget(part, this);
        stack_->addWidget(views_[part]);
    }
    search_ = new kb_search_widget(this);
    stack_->addWidget(search_);
    create_department_tab();
    lay_out_part_tabs(this, tabs_, stack_, dept_tab_,
                      [this](const QString& dept_id) { views_[2]->switch_department(dept_id); });
    tabs_->add_tab(QStringLiteral("搜索"));

    event_bus* bus = event_bus::instance();
    bus->subscribe(QLatin1String(events::kb_create_category), this,
                   [this](const QVariantList& a) { on_create_category(a); });
    bus->subscribe(QLatin1String(events::kb_transfer_category), this,
                   [this](const QVariantList& a) { on_transfer_category(a); });
    bus->subscribe(QLatin1String(events::kb_transfer_script), this,
                   [this](const QVariantList& a) { on_transfer_script(a); });
}

void kb_tab_widget::create_department_tab() {
    const user_login_info_spt& user = session_state::instance().login_user();
    const dept_tree_node_spt dept = session_state::instance().default_department();
    dept_tab_ = new department_picker_tab(short_name, 200);
    if (!user || user->deptAllTree.isEmpty() || !dept) {
        dept_tab_->setText(QStringLiteral("部门"));
    } else {
        dept_tab_->show_department(dept->id, dept->label);
        dept_tab_->enable_picker();
    }
}

select_department_menu* kb_tab_widget::show_department_menu() {
    return dept_tab_->show_picker();
}

void kb_tab_widget::choose_department(const QString& dept_id, const QString& name) {
    dept_tab_->choose(dept_id, name);
}

new_category_widget* kb_tab_widget::new_category_dialog() const {
    return new_category_;
}

void kb_tab_widget::on_create_category(const QVariantList& args) {
    if (new_category_) {
        new_category_->raise();
        new_category_->activateWindow();
        return;
    }
    // The store takes the new category; the views follow it.
    const int part = args.isEmpty() ? 0 : args.first().toInt();
    const auto parent =
        args.size() > 1 ? args.at(1).value<category_node_spt>() : category_node_spt();
    new_category_ = new new_category_widget(part, parent);
    new_category_->show();
}

void kb_tab_widget::on_transfer_category(const QVariantList& args) {
    if (args.size() < 3)
        return;
    const bool moved = args.at(0).toBool();
    const auto old_node = args.at(1).value<category_node_spt>();
    const auto new_node = args.at(2).value<category_node_spt>();
    if (moved && old_node) {
        const int part = old_node->classifyType.toInt();
        if (part >= 0 && part < 3)
            views_[part]->remove_category(old_node);
    }
    if (new_node) {
        const int part = new_node->classifyType.toInt();
        if (part < 0 || part >= 3)
            return;
        // A first-level category's scripts arrived after its sub-categories:
        // built again from the store, the tree lists them in their order.
        if (new_node->superId == top_level_id)
            views_[part]->remove_category(new_node);
        views_[part]->insert_category(new_node);
    }
}

void kb_tab_widget::on_transfer_script(const QVariantList& args) {
    if (args.size() < 2)
        return;
    const int part = args.at(0).toInt();
    if (part >= 0 && part < 3)
        views_[part]->menus()->reload_category(args.at(1).toString());
}

} // namespace quorvel
