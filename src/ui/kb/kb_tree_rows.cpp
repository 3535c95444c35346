#include "ui/kb/kb_tree_rows.h"

#include "ui/kb/script_item.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/widgets/elided_text.h"
#include "ui/widgets/plain_text.h"

#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace quorvel::kb_tree {

int kind_of(const QTreeWidgetItem* row) {
    return row ? row->data(0, kb_role::kind).toInt() : -1;
}

QString id_of(const QTreeWidgetItem* row) {
    return row->data(0, kb_role::id).toString();
}

script_node_spt script_of(const QTreeWidgetItem* row) {
    return row->data(0, kb_role::record).value<script_node_spt>();
}

category_node_spt category_of(const QTreeWidgetItem* row) {
    return row->data(0, kb_role::record).value<category_node_spt>();
}

QList<QTreeWidgetItem*> siblings(QTreeWidget* tree, QTreeWidgetItem* parent) {
    QList<QTreeWidgetItem*> rows;
    const int n = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < n; ++i)
        rows << (parent ? parent->child(i) : tree->topLevelItem(i));
    return rows;
}

int first_category_index(QTreeWidget* tree, QTreeWidgetItem* parent) {
    const QList<QTreeWidgetItem*> rows = siblings(tree, parent);
    for (int i = 0; i < rows.size(); ++i)
        if (kind_of(rows[i]) == category_row)
            return i;
    return rows.size();
}

void take_row(QTreeWidget* tree, QTreeWidgetItem* row) {
    if (QTreeWidgetItem* parent = row->parent())
        parent->removeChild(row);
    else
        tree->takeTopLevelItem(tree->indexOfTopLevelItem(row));
}

QTreeWidgetItem* find_row(QTreeWidget* tree, int kind, const QString& id) {
    if (!tree)
        return nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (kind_of(*it) == kind && id_of(*it) == id)
            return *it;
    return nullptr;
}

void number_tree(QTreeWidget* tree) {
    int number = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (kind_of(*it) != script_row)
            continue;
        (*it)->setData(0, kb_role::number, ++number);
        if (auto* item = qobject_cast<script_item*>(tree->itemWidget(*it, 0)))
            item->set_index(number);
    }
}

void set_row_icon(QTreeWidget* tree, QTreeWidgetItem* row) {
    if (auto* button = qobject_cast<QToolButton*>(tree->itemWidget(row, 0)))
        button->setIcon(QIcon(row->isExpanded() ? QStringLiteral(":/images/icon/expanded.png")
                                                : QStringLiteral(":/images/icon/collapsed.png")));
}

void expand_tree(QTreeWidget* tree, bool expand) {
    if (expand)
        tree->expandAll();
    else
        tree->collapseAll();
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        set_row_icon(tree, *it);
}

void set_up_tree(drag_drop_treewidget* tree, const QString& category_id) {
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setIndentation(0);
    QFont font = tree->font();
    font.setPointSize(12);
    tree->setFont(font);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->setProperty("category/id", category_id);
    tree->setProperty("initialized", 0);
    tree->set_drag_predicate([](QTreeWidgetItem* row) { return kind_of(row) == script_row; });
    tree->set_drop_predicate([](QTreeWidgetItem* row) {
        return kind_of(row) == script_row && row->parent() != nullptr;
    });
}

QString category_button_text(const QString& name) {
    QString text = name;
    return text.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QTreeWidgetItem* make_category_row(QTreeWidget* tree, QTreeWidgetItem* parent,
                                   const category_node_spt& category) {
    auto* row = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    row->setData(0, kb_role::kind, int(category_row));
    row->setData(0, kb_role::record, QVariant::fromValue(category));
    row->setData(0, kb_role::id, category->id);
    // Long names lose their middle: the end often tells siblings apart.
    auto* button = new elided_tool_button;
    QFont font = button->font();
    font.setPointSize(12);
    button->setFont(font);
    button->setFixedHeight(QFontMetrics(font).height() + 10);
    button->set_full_text(category_button_text(category->classifyName));
    button->setStyleSheet(QStringLiteral("border: none;"));
    button->setIcon(QIcon(QStringLiteral(":/images/icon/collapsed.png")));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setToolTip(plain_tooltip(category->classifyName));
    tree->setItemWidget(row, 0, button);
    QObject::connect(button, &QToolButton::clicked, tree,
                     [row] { row->setExpanded(!row->isExpanded()); });
    return row;
}

void render_category_row(QTreeWidget* tree, QTreeWidgetItem* row,
                         const category_node_spt& category) {
    if (auto* button = qobject_cast<elided_tool_button*>(tree->itemWidget(row, 0))) {
        button->set_full_text(category_button_text(category->classifyName));
        button->setToolTip(plain_tooltip(category->classifyName));
    }
}

QTreeWidgetItem* make_script_row(QTreeWidget* tree, QTreeWidgetItem* parent,
                                 const script_node_spt& script, int at) {
    auto* row = new QTreeWidgetItem;
    row->setData(0, kb_role::kind, int(script_row));
    row->setData(0, kb_role::record, QVariant::fromValue(script));
    row->setData(0, kb_role::id, script->id);
    // Until its widget is made the row keeps the height it will have.
    row->setSizeHint(0, QSize(0, script_row_height()));
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    const int index = at < 0 || at > count ? count : at;
    if (parent)
        parent->insertChild(index, row);
    else
        tree->insertTopLevelItem(index, row);
    render_script_row(tree, row, script);
    return row;
}

void render_script_row(QTreeWidget* tree, QTreeWidgetItem* row, const script_node_spt& script) {
    row->setToolTip(0, script_tooltip(script->speechContent));
    auto* item = qobject_cast<script_item*>(tree->itemWidget(row, 0));
    if (!item)
        return;
    item->set_keywords(script->speechContentKeywords);
    item->set_content(script->speechContent);
}

int script_row_height() {
    static const int height = script_item().sizeHint().height();
    return height;
}

} // namespace quorvel::kb_tree
