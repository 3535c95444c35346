#include "ui/stickers/scope_choice.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "ui/library/select_department_menu.h"

#include <QHBoxLayout>
#include <QRadioButton>

namespace quorvel {

QList<category_node_spt> top_sticker_categories(int type, const QString& dept_id) {
    const category_tree_t* tree =
        data_center::instance().category_tree(library_kind::stickers, type, dept_id);
    return tree ? tree->value(top_level_id).children : QList<category_node_spt>();
}

QString current_sticker_dept() {
    const data_center& dc = data_center::instance();
    if (!dc.sticker_dept_id().isEmpty())
        return dc.sticker_dept_id();
    const dept_tree_node_spt dept = session_state::instance().default_department();
    return dept ? dept->id : QString();
}

QString dept_name(const QString& dept_id) {
    const dept_tree_node_spt dept = session_state::instance().departments().value(dept_id);
    return dept ? dept->label : QString();
}

scope_choice::scope_choice(const QList<int>& scopes, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)),
      department_(new select_department_combobox(this)) {
    static const char* const names[] = {"公共", "个人", "部门"};
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int type : scopes) {
        auto* radio = new QRadioButton(QString::fromUtf8(names[type]), this);
        group_->addButton(radio, type);
        layout->addWidget(radio);
    }
    layout->addStretch();
    choose_department(current_sticker_dept(), dept_name(current_sticker_dept()));
    connect(group_, QOverload<int>::of(&QButtonGroup::buttonClicked), this, &scope_choice::changed);
    connect(department_, &select_department_combobox::item_selected, this,
            &scope_choice::choose_department);
}

void scope_choice::set_scope(int type) {
    if (QAbstractButton* radio = group_->button(type))
        radio->setChecked(true);
    emit changed();
}

void scope_choice::choose_department(const QString& id, const QString& name) {
    dept_id_ = id;
    department_->setText(name);
    department_->setProperty("id", id);
    emit changed();
}

} // namespace quorvel
