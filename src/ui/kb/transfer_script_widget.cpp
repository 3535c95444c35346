#include "ui/kb/transfer_script_widget.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/script_actions.h"
#include "protocol/protocol.h"
#include "ui/library/select_department_menu.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/plain_text.h"
#include "ui/widgets/status_text.h"

#include <QFormLayout>
#include <QHBoxLayout>

namespace quorvel {

namespace {

constexpr int dept_part = int(protocol::part::dept);
constexpr int personal_part = int(protocol::part::personal);

QLabel* row_label(const QString& text) {
    auto* label = new QLabel(text);
    label->setFixedWidth(80);
    return label;
}

custom_button* dialog_button(const QString& text) {
    auto* button = new custom_button;
    button->setText(text);
    button->setFixedSize(100, 30);
    return button;
}

} // namespace

transfer_script_widget::transfer_script_widget(bool copy, const script_node_spt& script,
                                               QWidget* parent)
    : base_dialog(parent), copy_(copy), script_(script), parts_(new QButtonGroup(this)),
      dept_(new combobox_button), dept_label_(row_label(QStringLiteral("部门"))),
      first_(new QComboBox), second_(new QComboBox), path_(new QLabel), status_(new QLabel),
      save_(dialog_button(QStringLiteral("保存"))), close_(dialog_button(QStringLiteral("关闭"))),
      scripts_(new script_actions(this)) {
    set_title(copy ? QStringLiteral("复制话术") : QStringLiteral("移动话术"));
    setFixedWidth(512);
    build(script);

    const session_state& login = session_state::instance();
    if (const dept_tree_node_spt dept = login.default_department()) {
        dept_->setText(dept->label);
        dept_->setProperty("id", dept->id);
    }
    if (login.has_manager_role()) {
        const int part = script ? script->classifyType.toInt() : 0;
        choose_part(part < 0 ? 0 : qMin(part, dept_part));
    } else {
        parts_->button(0)->setEnabled(false);
        parts_->button(dept_part)->setEnabled(false);
        choose_part(personal_part);
    }

    connect(parts_, &QButtonGroup::idClicked, this, [this](int part) { choose_part(part); });
    connect(dept_, &combobox_button::show_menu_requested, this, [this] { show_department_menu(); });
    connect(first_, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this] { fill_second_level(); });
    connect(save_, &QToolButton::clicked, this, &transfer_script_widget::on_save);
    connect(close_, &QToolButton::clicked, this, &QWidget::close);
}

void transfer_script_widget::build(const script_node_spt& script) {
    auto* form = new QFormLayout;
    form->setContentsMargins(15, 15, 15, 15);
    form->setVerticalSpacing(15);
    form->setFormAlignment(Qt::AlignLeft);
    set_plain_text(path_, data_center::instance().script_category_path(script));
    form->addRow(row_label(QStringLiteral("所属分类")), path_);

    auto* part_row = new QHBoxLayout;
    part_row->setSpacing(10);
    const QString names[] = {QStringLiteral("公共"), QStringLiteral("个人"),
                             QStringLiteral("部门")};
    for (int part = 0; part < 3; ++part) {
        auto* button = new QRadioButton(names[part]);
        parts_->addButton(button, part);
        part_row->addWidget(button);
    }
    part_row->addStretch();
    form->addRow(row_label(QStringLiteral("知识库")), part_row);
    form->addRow(dept_label_, dept_);
    form->addRow(row_label(QStringLiteral("一级分类")), first_);
    form->addRow(row_label(QStringLiteral("二级分类")), second_);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(15);
    actions->addWidget(status_);
    actions->addStretch();
    actions->addWidget(save_);
    actions->addWidget(close_);
    form->addRow(actions);
    add_content_layout(form);
}

void transfer_script_widget::choose_part(int part) {
    if (QAbstractButton* button = parts_->button(part))
        button->setChecked(true);
    dept_label_->setVisible(part == dept_part);
    dept_->setVisible(part == dept_part);
    fill_lists(part);
}

QString transfer_script_widget::picked_dept() const {
    return dept_->property("id").toString();
}

void transfer_script_widget::fill_lists(int part) {
    // Cleared first: refilling the first box must not leave old children.
    const QSignalBlocker block(first_);
    first_->clear();
    second_->clear();
    const QList<category_node_spt>* tops = data_center::instance().top_categories(
        library_kind::scripts, part, part == dept_part ? picked_dept() : QString());
    if (!tops || tops->isEmpty())
        return;
    for (const category_node_spt& top : *tops)
        if (top)
            first_->addItem(top->classifyName, top->id);
    first_->setCurrentIndex(0);
    fill_second_level();
}

void transfer_script_widget::fill_second_level() {
    second_->clear();
    const int part = parts_->checkedId();
    const QList<category_node_spt>* children = data_center::instance().category_children(
        library_kind::scripts, part, part == dept_part ? picked_dept() : QString(),
        first_->currentData().toString());
    if (!children)
        return;
    second_->addItem(QString());
    for (const category_node_spt& child : *children)
        if (child)
            second_->addItem(child->classifyName, child->id);
    second_->setCurrentIndex(0);
}

select_department_menu* transfer_script_widget::show_department_menu() {
    auto* menu = new select_department_menu(dept_);
    connect(menu, &select_department_menu::item_selected, this,
            &transfer_script_widget::choose_department);
    menu->popup_under(dept_, dept_->width());
    return menu;
}

void transfer_script_widget::choose_department(const QString& dept_id, const QString& name) {
    dept_->setText(name);
    dept_->setProperty("id", dept_id);
    fill_lists(dept_part);
}

void transfer_script_widget::set_buttons_enabled(bool enabled) {
    save_->setEnabled(enabled);
    close_->setEnabled(enabled);
}

void transfer_script_widget::on_save() {
    set_buttons_enabled(false);
    if (first_->count() == 0) {
        set_buttons_enabled(true);
        status_->setText(
            status_text::progress(QStringLiteral("当前类别下没有一级分类，请先创建再操作")));
        return;
    }
    const QString target = second_->currentIndex() > 0 ? second_->currentData().toString()
                                                       : first_->currentData().toString();
    const int part = parts_->checkedId();
    const QString dept = part == dept_part ? picked_dept() : QString();
    scripts_->transfer_script(
        script_, copy_, part, target, dept, [this, part, target](const action_result_t& result) {
            set_buttons_enabled(true);
            if (!result.ok) {
                status_->setText(status_text::failure(QStringLiteral("操作失败"), result.error));
                return;
            }
            status_->setText(status_text::success(QStringLiteral("操作完成")));
            emit transfer_finished(part, target);
        });
}

} // namespace quorvel
