#include "ui/docs/doc_category_chooser.h"

#include "model/data_center.h"
#include "ui/docs/doc_kinds.h"
#include "ui/widgets/custom_tree_menu.h"
#include "ui/widgets/plain_text.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace quorvel {

namespace {
const QString top_level_text = QStringLiteral("顶级分类");
}

void add_doc_category_items(QTreeWidgetItem* parent, const QString& parent_id,
                            const doc_item_hook& before_children) {
    const category_tree_t& tree = data_center::instance().doc_categories();
    const auto it = tree.constFind(parent_id);
    if (it == tree.constEnd())
        return;
    for (const category_node_spt& node : it->children) {
        if (!node || doc_kinds::is_hidden_category(node->classifyName))
            continue;
        auto* item = new QTreeWidgetItem(parent);
        const QString name = doc_kinds::shown_name(node->classifyName);
        item->setText(0, name);
        item->setToolTip(0, plain_tooltip(name));
        item->setData(0, doc_role::node, QVariant::fromValue(node));
        item->setData(0, doc_role::same_node, QVariant::fromValue(node));
        item->setData(0, doc_role::id, node->id);
        if (before_children)
            before_children(item, node);
        add_doc_category_items(item, node->id, before_children);
    }
}

QTreeWidgetItem* find_doc_category_item(QTreeWidget* tree, const QString& id) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(0, doc_role::id).toString() == id)
            return *it;
    return nullptr;
}

doc_category_chooser::doc_category_chooser(bool with_top_level, QWidget* parent)
    : QToolButton(parent), with_top_level_(with_top_level) {
    setIcon(QIcon(QStringLiteral(":/images/icon/arrow_normal.png")));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setLayoutDirection(Qt::RightToLeft); // the arrow at the right, the text left
    setStyleSheet(QStringLiteral("QToolButton { text-align: left; }"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QToolButton::clicked, this, [this] { open_popup(); });
    set_category(with_top_level_ ? top_level_id : QString());
}

void doc_category_chooser::set_category(const QString& id) {
    id_ = id;
    setProperty("id", id);
    if (with_top_level_ && id == top_level_id) {
        setText(top_level_text);
        return;
    }
    const category_node_spt node = data_center::instance().doc_categories().value(id).node;
    setText(node ? doc_kinds::shown_name(node->classifyName) : QString());
}

custom_tree_menu* doc_category_chooser::open_popup() {
    auto* menu = new custom_tree_menu(this);
    menu->fill([this](QTreeWidget* tree) {
        tree->clear();
        if (with_top_level_) {
            auto* top = new QTreeWidgetItem(tree, {top_level_text});
            top->setData(0, doc_role::id, top_level_id);
        }
        add_doc_category_items(tree->invisibleRootItem(), top_level_id);
        if (QTreeWidgetItem* current = find_doc_category_item(tree, id_))
            tree->setCurrentItem(current);
        int rows = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            ++rows;
        return rows * 26 + 8;
    });
    connect(menu, &custom_tree_menu::item_clicked, this, [this, menu](QTreeWidgetItem* item) {
        set_category(item->data(0, doc_role::id).toString());
        emit category_chosen(id_);
        menu->close();
    });
    menu->setFixedWidth(qMax(width(), 200));
    menu->move(mapToGlobal(QPoint(0, height())));
    menu->show();
    return menu;
}

} // namespace quorvel
