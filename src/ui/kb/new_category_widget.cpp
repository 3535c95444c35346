#include "ui/kb/new_category_widget.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/category_actions.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/status_text.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quorvel {

namespace {

QHBoxLayout* radio_row(QButtonGroup* group, const QStringList& texts, QWidget* owner) {
    auto* row = new QHBoxLayout;
    for (int id = 0; id < texts.size(); ++id) {
        auto* button = new QRadioButton(texts[id], owner);
        group->addButton(button, id);
        row->addWidget(button);
    }
    row->addStretch();
    return row;
}

// The first-level categories a part offers as parents; the department part
// those of the current department.
QList<category_node_spt> first_levels(int part) {
    const data_center& dc = data_center::instance();
    const QString dept =
        part == int(protocol::part::dept) ? session_state::instance().dept_id() : QString();
    const QList<category_node_spt>* tops = dc.top_categories(library_kind::scripts, part, dept);
    return tops ? *tops : QList<category_node_spt>{};
}

} // namespace

new_category_widget::new_category_widget(int part, const category_node_spt& suggested_parent,
                                         QWidget* parent)
    : base_dialog(parent), suggested_parent_(suggested_parent), parts_(new QButtonGroup(this)),
      levels_(new QButtonGroup(this)), parent_label_(new QLabel(QStringLiteral("上级分类"), this)),
      parent_combo_(new QComboBox(this)), name_(new QLineEdit(this)), status_(new QLabel(this)),
      save_(new custom_button(this)), close_button_(new custom_button(this)),
      actions_(new category_actions(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("新建分类"));
    resize(404, 218);

    auto* form = new QFormLayout;
    form->setVerticalSpacing(15);
    auto* part_label = new QLabel(QStringLiteral("知识库"), this);
    auto* level_label = new QLabel(QStringLiteral("类型"), this);
    auto* name_label = new QLabel(QStringLiteral("分类名"), this);
    form->addRow(part_label,
                 radio_row(parts_,
                           {QStringLiteral("公共"), QStringLiteral("个人"), QStringLiteral("部门")},
                           this));
    form->addRow(
        level_label,
        radio_row(levels_, {QStringLiteral("一级分类"), QStringLiteral("二级分类")}, this));
    form->addRow(parent_label_, parent_combo_);
    form->addRow(name_label, name_);
    int widest = 0;
    for (QLabel* label : {part_label, level_label, parent_label_, name_label})
        widest = qMax(widest, label->fontMetrics().horizontalAdvance(label->text()));
    for (QLabel* label : {part_label, level_label, parent_label_, name_label})
        label->setMinimumWidth(widest + 10);
    if (QAbstractButton* checked = parts_->button(part))
        checked->setChecked(true);
    levels_->button(first_level)->setChecked(true);
    name_->setPlaceholderText(QStringLiteral("请在这里输入分类名"));
    show_parent_row(false);

    auto* bottom = status_text::bottom_row(status_, save_, QStringLiteral("保存"), close_button_);
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addLayout(form);
    layout->addLayout(bottom);
    add_content_layout(layout);

    fill_parents(part);
    connect(levels_, QOverload<int>::of(&QButtonGroup::buttonClicked), this, [this](int level) {
        show_parent_row(level == second_level);
        if (level == second_level)
            fill_parents(parts_->checkedId());
    });
    connect(parts_, QOverload<int>::of(&QButtonGroup::buttonClicked), this, [this](int part) {
        if (levels_->checkedId() == second_level)
            fill_parents(part);
    });
    connect(save_, &QToolButton::clicked, this, &new_category_widget::save);
    connect(close_button_, &QToolButton::clicked, this, &QWidget::close);
}

bool new_category_widget::parent_row_shown() const {
    return !parent_combo_->isHidden();
}

void new_category_widget::show_parent_row(bool shown) {
    parent_label_->setVisible(shown);
    parent_combo_->setVisible(shown);
}

void new_category_widget::fill_parents(int part) {
    parent_combo_->clear();
    for (const category_node_spt& category : first_levels(part)) {
        if (!category)
            continue;
        parent_combo_->addItem(category->classifyName, QVariant::fromValue(category));
        if (suggested_parent_ && category->id == suggested_parent_->id)
            parent_combo_->setCurrentIndex(parent_combo_->count() - 1);
    }
}

void new_category_widget::finish(const QString& status) {
    save_->setEnabled(true);
    close_button_->setEnabled(true);
    status_->setText(status);
}

void new_category_widget::save() {
    save_->setEnabled(false);
    close_button_->setEnabled(false);
    status_->setText(status_text::progress(QStringLiteral("正在创建......")));
    const int part = parts_->checkedId();
    const bool second = levels_->checkedId() == second_level;
    const QString name = name_->text().trimmed();
    if (name.isEmpty())
        return finish(status_text::progress(QStringLiteral("请填写分类名")));
    category_actions::new_category_t category{name, part, session_state::instance().dept_id(),
                                              QString()};
    if (second) {
        if (parent_combo_->count() == 0)
            return finish(status_text::progress(QStringLiteral("请先创建一级分类再创建二级分类")));
        const auto parent = parent_combo_->currentData().value<category_node_spt>();
        if (!parent)
            return finish(status_text::progress(QStringLiteral("请先选择上级分类")));
        category.parent_id = parent->id;
    }
    actions_->create_category(
        category, [this](const action_result_t& result, const category_node_spt& created) {
            if (!result.ok)
                return finish(status_text::failure(QStringLiteral("创建分类失败"), result.error));
            finish(status_text::success(QStringLiteral("操作成功")));
            emit create_category_finished(created);
        });
}

} // namespace quorvel
