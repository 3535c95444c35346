#include "ui/kb/quick_reply_manager_widget.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/quick_reply_actions.h"
#include "ui/kb/kb_item_widget.h"
#include "ui/kb/script_item.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/elided_text.h"
#include "ui/widgets/flow_layout.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/plain_text.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace quorvel {

namespace {

custom_button* text_button(const QString& text) {
    auto* b = new custom_button;
    b->setText(text);
    return b;
}

} // namespace

quick_reply_manager_widget::quick_reply_manager_widget(QWidget* parent)
    : QDialog(parent), tree_(new QTreeWidget), only_marked_(new QCheckBox),
      save_(text_button(QStringLiteral("保存"))), actions_(new quick_reply_actions(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 5);
    tree_->setColumnCount(1);
    tree_->header()->hide();
    layout->addWidget(tree_);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(10, 10, 10, 10);
    buttons->setSpacing(10);
    only_marked_->setText(QStringLiteral("只显示快速回复"));
    buttons->addWidget(only_marked_);
    buttons->addStretch();
    buttons->addWidget(save_);
    custom_button* close_button = text_button(QStringLiteral("关闭"));
    buttons->addWidget(close_button);
    layout->addLayout(buttons);

    connect(only_marked_, &QCheckBox::stateChanged, this,
            [this](int state) { show_quick_reply_only(state == Qt::Checked); });
    connect(save_, &QToolButton::clicked, this, &quick_reply_manager_widget::save_settings);
    connect(close_button, &QToolButton::clicked, this, &QDialog::close);

    const data_center& dc = data_center::instance();
    for (const quick_reply_node_spt& entry : dc.quick_replies())
        marked_.insert(entry->speechId);
    using protocol::part;
    add_group(QStringLiteral("公共分类"), dc.category_tree(library_kind::scripts, int(part::pub)));
    add_group(QStringLiteral("个人分类"),
              dc.category_tree(library_kind::scripts, int(part::personal)));
    if (!session_state::instance().dept_id().isEmpty())
        add_group(QStringLiteral("部门分类"),
                  dc.category_tree(library_kind::scripts, int(part::dept),
                                   session_state::instance().dept_id()));
    tree_->expandAll();
    setFixedSize(500, 600);
}

void quick_reply_manager_widget::add_group(const QString& title,
                                           const category_tree_t* categories) {
    if (!categories)
        return;
    auto* group = new QTreeWidgetItem(tree_, QStringList{title});
    const auto top = categories->constFind(top_level_id);
    if (top == categories->constEnd())
        return;
    QSet<QString> seen; // a damaged tree must not loop
    for (const category_node_spt& first : top->children) {
        if (!first || seen.contains(first->id))
            continue;
        seen.insert(first->id);
        auto* row = new QTreeWidgetItem(group, QStringList{first->classifyName});
        row->setData(0, kb_role::kind, first->id);
        // Scripts stored right in a first-level category, as the scripts page
        // shows them, can be quick replies too.
        add_script_rows(row, first->id);
        for (const category_node_spt& child : categories->value(first->id).children)
            add_category_row(row, *categories, child, &seen);
    }
}

void quick_reply_manager_widget::add_category_row(QTreeWidgetItem* parent,
                                                  const category_tree_t& categories,
                                                  const category_node_spt& node,
                                                  QSet<QString>* seen) {
    if (!node || seen->contains(node->id))
        return;
    seen->insert(node->id);
    auto* row = new QTreeWidgetItem(parent, QStringList{node->classifyName});
    row->setData(0, kb_role::kind, int(category_row));
    row->setData(0, kb_role::record, QVariant::fromValue(node));
    add_script_rows(row, node->id);
    for (const category_node_spt& child : categories.value(node->id).children)
        add_category_row(row, categories, child, seen);
}

void quick_reply_manager_widget::add_script_rows(QTreeWidgetItem* parent,
                                                 const QString& category_id) {
    for (const script_node_spt& script : data_center::instance().scripts_of(category_id)) {
        auto* row = new QTreeWidgetItem(parent);
        row->setData(0, kb_role::kind, int(script_row));
        row->setData(0, kb_role::record, QVariant::fromValue(script));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, marked_.contains(script->id) ? Qt::Checked : Qt::Unchecked);
        // Scripts are stored as HTML: show what the agent reads, in one line.
        const QString text = plain_script_text(script->speechContent);
        auto* label = new elided_label;
        label->set_full_text(text);
        label->setToolTip(plain_tooltip(wrap_tooltip_text(text)));
        tree_->setItemWidget(row, 0, label);
    }
}

bool quick_reply_manager_widget::is_script_row(const QTreeWidgetItem* row) {
    return row && row->data(0, kb_role::kind).userType() == QMetaType::Int &&
           row->data(0, kb_role::kind).toInt() == script_row &&
           row->data(0, kb_role::record).userType() == qMetaTypeId<script_node_spt>();
}

QStringList quick_reply_manager_widget::checked_script_ids() const {
    QStringList ids;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if (is_script_row(*it) && (*it)->checkState(0) == Qt::Checked)
            ids << (*it)->data(0, kb_role::record).value<script_node_spt>()->id;
    return ids;
}

void quick_reply_manager_widget::show_quick_reply_only(bool enable) {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if (is_script_row(*it) && (*it)->checkState(0) != Qt::Checked)
            (*it)->setHidden(enable);
}

void quick_reply_manager_widget::save_settings() {
    actions_->save_quick_replies(checked_script_ids(), [this](const action_result_t& result) {
        if (result.ok) {
            close();
            return;
        }
        show_information(this, QStringLiteral("保存失败，原因：%1").arg(result.error));
    });
}

} // namespace quorvel
