#include "ui/stickers/sticker_tab_widget.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "ui/library/category_widget.h"
#include "ui/library/department_picker_tab.h"
#include "ui/library/part_tabs.h"
#include "ui/stickers/sticker_item_widget.h"

namespace quorvel {

namespace {

template <class T> T first_arg(const QVariantList& args) {
    return args.isEmpty() ? T() : args.first().value<T>();
}

int scope_of(const QString& classify_type) {
    bool ok = false;
    const int type = classify_type.toInt(&ok);
    return ok && type >= 0 && type < protocol::part_count ? type : -1;
}

} // namespace

sticker_tab_widget::sticker_tab_widget(QWidget* parent)
    : QWidget(parent), tabs_(new category_widget(this)),
      stack_(new QStackedLayout), views_{nullptr, nullptr, nullptr}, dept_tab_(nullptr) {
    for (int type = 0; type < 3; ++type) {
        views_[type] = new sticker_item_widget(type, this);
        stack_->addWidget(views_[type]);
    }
    create_department_tab();
    lay_out_part_tabs(this, tabs_, stack_, dept_tab_,
                      [this](const QString& dept_id) { views_[2]->switch_department(dept_id); });

    event_bus* bus = event_bus::instance();
    bus->subscribe(QLatin1String(events::sticker_category_created), this,
                   [this](const QVariantList& a) { on_create_category(a); });
    bus->subscribe(QLatin1String(events::sticker_transfer_category), this,
                   [this](const QVariantList& a) { on_transfer_category(a); });
    bus->subscribe(QLatin1String(events::sticker_transfer_sticker), this,
                   [this](const QVariantList& a) { on_transfer_sticker(a); });
}

void sticker_tab_widget::create_department_tab() {
    const dept_tree_node_spt dept = session_state::instance().default_department();
    const QString current = views_[2]->dept_id();
    const auto& departments = session_state::instance().departments();
    const QString name = departments.contains(current) ? departments.value(current)->label
                         : dept                        ? dept->label
                                                       : QStringLiteral("部门");
    dept_tab_ = new department_picker_tab;
    dept_tab_->show_department(current, name);
    if (dept)
        dept_tab_->enable_picker();
}

select_department_menu* sticker_tab_widget::show_department_menu() {
    return dept_tab_->show_picker();
}

void sticker_tab_widget::choose_department(const QString& dept_id, const QString& name) {
    dept_tab_->choose(dept_id, name);
}

// The store reports these changes as well; the events also reach pages the
// store change did not (a category fetched with its files after the change).
void sticker_tab_widget::on_create_category(const QVariantList& args) {
    const auto category = first_arg<category_node_spt>(args);
    const int type = category ? scope_of(category->classifyType) : -1;
    if (type >= 0)
        views_[type]->ensure_category(category);
}

void sticker_tab_widget::on_transfer_category(const QVariantList& args) {
    on_create_category(args);
}

void sticker_tab_widget::on_transfer_sticker(const QVariantList& args) {
    const auto sticker = first_arg<sticker_node_spt>(args);
    if (!sticker)
        return;
    for (sticker_item_widget* view : views_)
        view->ensure_tile(sticker);
}

} // namespace quorvel
