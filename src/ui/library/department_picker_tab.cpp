#include "ui/library/department_picker_tab.h"

#include "ui/library/select_department_menu.h"
#include "ui/widgets/plain_text.h"

namespace quorvel {

department_picker_tab::department_picker_tab(std::function<QString(const QString&)> label,
                                             int min_picker_width, QWidget* parent)
    : QToolButton(parent), label_(std::move(label)), min_picker_width_(min_picker_width) {}

void department_picker_tab::show_department(const QString& id, const QString& name) {
    setText(label_ ? label_(name) : name);
    setToolTip(plain_tooltip(name));
    setProperty("id", id);
}

void department_picker_tab::enable_picker() {
    attach_department_picker(this, this, [this] { show_picker(); });
}

select_department_menu* department_picker_tab::show_picker() {
    auto* picker = new select_department_menu(this);
    connect(picker, &select_department_menu::item_selected, this, &department_picker_tab::choose);
    picker->popup_under(this, qMax(width(), min_picker_width_));
    return picker;
}

void department_picker_tab::choose(const QString& id, const QString& name) {
    setChecked(true);
    show_department(id, name);
    emit department_chosen(id);
}

} // namespace quorvel
