#include "ui/kb/kb_item_widget.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "protocol/protocol.h"
#include "ui/kb/kb_item_menus.h"
#include "ui/kb/script_item.h"
#include "ui/library/category_button.h"
#include "ui/library/category_flow_widget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/widgets/flow_layout.h"

#include <QEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvel {

using namespace kb_tree;

namespace {

const QString blank_id = QStringLiteral("blank");
constexpr int dept_part = int(protocol::part::dept);

} // namespace

kb_item_widget::kb_item_widget(int part, QWidget* parent)
    : QWidget(parent), part_(part), model_(new kb_row_model(part, this)),
      menus_(new kb_item_menus(this, model_)), strip_(nullptr), strips_(new QStackedWidget(this)),
      trees_(new QStackedWidget(this)) {
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setHandleWidth(2);
    splitter->addWidget(strips_);
    splitter->addWidget(trees_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->addWidget(splitter);
    build_strip();
    connect(model_, &kb_row_model::rows_changed, this, &kb_item_widget::on_rows_changed);
}

bool kb_item_widget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
        if (auto* tree = qobject_cast<drag_drop_treewidget*>(watched->parent()))
            schedule_row_widgets(tree);
    return QWidget::eventFilter(watched, event);
}

// ---- building ----

void kb_item_widget::build_strip() {
    strip_ = new category_flow_widget(strips_);
    strip_->setMinimumHeight(140);
    auto* plus = new category_button(strip_->flow());
    plus->setText(QStringLiteral("+"));
    strip_->insert_button(0, plus);
    connect(plus, &QToolButton::clicked, this, [this] {
        QAbstractButton* checked = strip_->checked_button();
        event_bus::instance()->post(
            QLatin1String(events::kb_create_category),
            {part_, checked ? checked->property("category/data") : QVariant()});
    });
    strip_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(strip_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const int part = part_;
        exec_menu(this,
                  {{QStringLiteral("新建分类"),
                    [part] {
                        event_bus::instance()->post(QLatin1String(events::kb_create_category),
                                                    {part});
                    }}},
                  strip_->mapToGlobal(pos));
    });
    strips_->insertWidget(0, strip_);
    strips_->setCurrentIndex(0);

    trees_->setCurrentWidget(tree_of(blank_id));

    const QList<category_node_spt> tops = model_->top_categories();
    if (tops.isEmpty())
        return;
    strip_->setUpdatesEnabled(false);
    for (const category_node_spt& category : tops)
        if (category)
            add_category_button(category, false);
    strip_->setUpdatesEnabled(true);
}

void kb_item_widget::add_category_button(const category_node_spt& category, bool fill) {
    category_button* button = strip_->insert_button(strip_->count() - 1, category->classifyName);
    button->setProperty("category/id", category->id);
    button->setProperty("category/data", QVariant::fromValue(category));
    button->setCheckable(true);
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    const QString id = category->id;
    connect(button, &QToolButton::clicked, this, [this, id] { show_category(id); });
    connect(button, &QWidget::customContextMenuRequested, this, [this, button](const QPoint& pos) {
        exec_menu(
            this,
            menus_->category_menu(button->property("category/data").value<category_node_spt>()),
            button->mapToGlobal(pos));
    });
    if (fill)
        fill_tree(tree_of(category->id));
}

drag_drop_treewidget* kb_item_widget::make_tree(const QString& category_id) {
    auto* tree = new drag_drop_treewidget(trees_);
    set_up_tree(tree, category_id);
    connect(tree, &drag_drop_treewidget::item_drag_finished, this,
            [this, tree](QTreeWidgetItem* dragged, QTreeWidgetItem* to_parent, int index) {
                menus_->on_item_drag_finished(tree, dragged, to_parent, index);
            });
    connect(tree, &QWidget::customContextMenuRequested, this,
            [this, tree](const QPoint& pos) { on_tree_menu(tree, pos); });
    connect(tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) {
        if (kind_of(row) == script_row)
            menus_->send(script_of(row), setting_on(setting::kb_dbclick));
    });
    connect(tree, &QTreeWidget::itemClicked, this, [](QTreeWidgetItem* row) {
        if (row->childCount() > 0)
            row->setExpanded(!row->isExpanded());
    });
    connect(tree, &QTreeWidget::itemExpanded, tree, [this, tree](QTreeWidgetItem* row) {
        set_row_icon(tree, row);
        schedule_row_widgets(tree);
    });
    connect(tree->verticalScrollBar(), &QScrollBar::valueChanged, tree,
            [this, tree] { make_visible_row_widgets(tree); });
    tree->viewport()->installEventFilter(this);
    connect(tree, &QTreeWidget::itemCollapsed, tree,
            [tree](QTreeWidgetItem* row) { set_row_icon(tree, row); });
    return tree;
}

drag_drop_treewidget* kb_item_widget::tree_of(const QString& category_id) {
    // Made on demand: a view per first-level category up front took minutes
    // and hundreds of megabytes for a library of many thousand categories.
    if (drag_drop_treewidget* tree = trees_by_id_.value(category_id))
        return tree;
    if (category_id != blank_id && !button_of(category_id))
        return nullptr;
    drag_drop_treewidget* tree = make_tree(category_id);
    trees_->addWidget(tree);
    trees_by_id_.insert(category_id, tree);
    return tree;
}

drag_drop_treewidget* kb_item_widget::current_tree() const {
    return qobject_cast<drag_drop_treewidget*>(trees_->currentWidget());
}

QWidget* kb_item_widget::button_of(const QString& category_id) const {
    for (int i = 0; i < strip_->count(); ++i) {
        QWidget* button = strip_->button_at(i);
        if (button && button->property("category/id").toString() == category_id)
            return button;
    }
    return nullptr;
}

void kb_item_widget::show_category(const QString& category_id) {
    drag_drop_treewidget* tree = tree_of(category_id);
    if (!tree)
        return;
    if (auto* button = qobject_cast<QAbstractButton*>(button_of(category_id)))
        button->setChecked(true);
    fill_tree(tree);
    trees_->setCurrentWidget(tree);
}

void kb_item_widget::fill_tree(drag_drop_treewidget* tree) {
    if (!tree || tree->property("initialized").toInt() != 0)
        return;
    tree->setProperty("initialized", 1);
    const QString id = tree->property("category/id").toString();
    if (id == blank_id)
        return;
    tree->setUpdatesEnabled(false);
    add_scripts(tree, nullptr, id);
    add_categories(tree, nullptr, id);
    number_tree(tree);
    tree->setUpdatesEnabled(true);
}

void kb_item_widget::add_scripts(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                                 const QString& category_id) {
    for (const script_node_spt& script : model_->scripts_in(category_id))
        if (script)
            add_script_row(tree, parent, script);
}

void kb_item_widget::add_categories(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                                    const QString& category_id) {
    for (const category_node_spt& child : model_->categories_in(category_id)) {
        if (!child)
            continue;
        QTreeWidgetItem* row = make_category_row(tree, parent, child);
        add_scripts(tree, row, child->id);
        add_categories(tree, row, child->id);
    }
}

script_item* kb_item_widget::row_widget(QTreeWidget* tree, QTreeWidgetItem* row) {
    if (!tree || !row || kind_of(row) != script_row)
        return nullptr;
    if (auto* item = qobject_cast<script_item*>(tree->itemWidget(row, 0)))
        return item;
    auto* item = new script_item;
    connect(item, &script_item::send_clicked, this,
            [this, row] { menus_->send(script_of(row), setting_on(setting::kb_arrow)); });
    tree->setItemWidget(row, 0, item);
    render_script_row(tree, row, script_of(row));
    item->set_index(row->data(0, kb_role::number).toInt());
    return item;
}

QTreeWidgetItem* kb_item_widget::add_script_row(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                                                const script_node_spt& script, int at) {
    QTreeWidgetItem* row = make_script_row(tree, parent, script, at);
    schedule_row_widgets(tree);
    return row;
}

void kb_item_widget::schedule_row_widgets(drag_drop_treewidget* tree) {
    if (tree->property("widgets_pending").toBool())
        return;
    tree->setProperty("widgets_pending", true);
    QTimer::singleShot(0, tree, [this, tree] {
        tree->setProperty("widgets_pending", false);
        make_visible_row_widgets(tree);
    });
}

void kb_item_widget::make_visible_row_widgets(QTreeWidget* tree) {
    if (!tree->isVisible())
        return;
    const int bottom = tree->viewport()->height();
    for (QTreeWidgetItem* row = tree->itemAt(QPoint(1, 1)); row; row = tree->itemBelow(row)) {
        if (tree->visualItemRect(row).top() > bottom)
            break;
        row_widget(tree, row);
    }
}

void kb_item_widget::on_tree_menu(drag_drop_treewidget* tree, const QPoint& pos) {
    QTreeWidgetItem* row = tree->itemAt(pos);
    exec_menu(this, row ? menus_->row_menu(row) : menus_->empty_area_menu(tree),
              tree->viewport()->mapToGlobal(pos));
}

void kb_item_widget::expand_category(const category_node_spt& category, bool expand) {
    if (!category)
        return;
    const QString tree_id = category->superId == top_level_id ? category->id : category->superId;
    drag_drop_treewidget* tree = tree_of(tree_id);
    if (!tree)
        return;
    expand_tree(tree, expand);
}

// ---- following the rows of the model ----

void kb_item_widget::on_rows_changed(const kb_row_change_t& change) {
    const bool scripts = change.kind == script_row;
    switch (change.op) {
    case kb_row_op::reset:
        if (scripts)
            show_reloaded(change.parent_id, change.scripts);
        else if (strip_)
            rebuild_view();
        break;
    case kb_row_op::inserted:
        if (scripts)
            insert_script(change.script);
        else
            insert_category(change.category);
        break;
    case kb_row_op::updated:
        if (scripts)
            refresh_script(change.script);
        else
            rename_category(change.category);
        break;
    case kb_row_op::removed:
        if (scripts) {
            remove_script(change.script);
        } else {
            auto gone = category_node_spt::create();
            gone->id = change.id;
            gone->superId = change.parent_id;
            remove_category(gone);
        }
        break;
    case kb_row_op::reordered:
        reorder_categories(change.parent_id, change.ids);
        break;
    }
}

drag_drop_treewidget* kb_item_widget::tree_of_script(const script_node_spt& script) {
    const QString top_id = model_->top_of_script(script);
    drag_drop_treewidget* tree = top_id.isEmpty() ? nullptr : tree_of(top_id);
    fill_tree(tree);
    return tree;
}

void kb_item_widget::show_reloaded(const QString& category_id,
                                   const QList<script_node_spt>& scripts) {
    const category_node_spt top = model_->first_level_of(category_id);
    drag_drop_treewidget* tree = top ? tree_of(top->id) : nullptr;
    if (!tree)
        return;
    fill_tree(tree);
    QTreeWidgetItem* parent =
        top->id == category_id ? nullptr : find_row(tree, category_row, category_id);
    if (top->id != category_id && !parent)
        return;
    tree->setUpdatesEnabled(false);
    for (QTreeWidgetItem* row : siblings(tree, parent)) {
        if (kind_of(row) != script_row)
            continue;
        tree->removeItemWidget(row, 0);
        take_row(tree, row);
        delete row;
    }
    // Before the category rows, as when the tree was filled.
    int at = 0;
    for (const script_node_spt& script : scripts)
        if (script)
            add_script_row(tree, parent, script, at++);
    number_tree(tree);
    tree->setUpdatesEnabled(true);
}

void kb_item_widget::insert_script(const script_node_spt& script) {
    drag_drop_treewidget* tree = script ? tree_of_script(script) : nullptr;
    if (!tree)
        return;
    const QString top_id = tree->property("category/id").toString();
    QTreeWidgetItem* parent = nullptr;
    if (script->classifyId != top_id) {
        parent = find_row(tree, category_row, script->classifyId);
        if (!parent)
            return;
    }
    add_script_row(tree, parent, script, first_category_index(tree, parent));
    number_tree(tree);
}

void kb_item_widget::refresh_script(const script_node_spt& script) {
    drag_drop_treewidget* tree = script ? tree_of_script(script) : nullptr;
    QTreeWidgetItem* row = find_row(tree, script_row, script ? script->id : QString());
    if (!row)
        return;
    row->setData(0, kb_role::record, QVariant::fromValue(script));
    render_script_row(tree, row, script);
}

void kb_item_widget::remove_script(const script_node_spt& script) {
    drag_drop_treewidget* tree = script ? tree_of_script(script) : nullptr;
    if (QTreeWidgetItem* row = find_row(tree, script_row, script ? script->id : QString())) {
        tree->removeItemWidget(row, 0);
        take_row(tree, row);
        delete row;
        number_tree(tree);
    }
}

void kb_item_widget::insert_category(const category_node_spt& category) {
    if (!category || !model_->shows(part_, part_ == dept_part ? category->deptId : QString()))
        return;
    if (category->superId == top_level_id) {
        if (!button_of(category->id))
            add_category_button(category, true);
        return;
    }
    drag_drop_treewidget* tree = tree_of(category->superId);
    if (!tree)
        return;
    // Filling takes the category from the store when it is already there.
    fill_tree(tree);
    if (find_row(tree, category_row, category->id))
        return;
    make_category_row(tree, nullptr, category);
    number_tree(tree);
}

void kb_item_widget::remove_category(const category_node_spt& category) {
    if (!category)
        return;
    if (category->superId == top_level_id) {
        if (drag_drop_treewidget* tree = trees_by_id_.take(category->id)) {
            trees_->removeWidget(tree);
            delete tree;
        }
        delete strip_->take_button(button_of(category->id));
        return;
    }
    // Through the parent: the category itself may have left the store already.
    const category_node_spt top = model_->first_level_of(category->superId);
    drag_drop_treewidget* tree = top ? tree_of(top->id) : nullptr;
    if (QTreeWidgetItem* row = find_row(tree, category_row, category->id)) {
        take_row(tree, row);
        delete row;
        number_tree(tree);
    }
}

void kb_item_widget::rename_category(const category_node_spt& category) {
    if (!category)
        return;
    if (category->superId == top_level_id) {
        if (auto* button = qobject_cast<QAbstractButton*>(button_of(category->id)))
            button->setText(category->classifyName);
        return;
    }
    const category_node_spt top = model_->first_level_of(category->id);
    drag_drop_treewidget* tree = top ? tree_of(top->id) : nullptr;
    if (QTreeWidgetItem* row = find_row(tree, category_row, category->id))
        render_category_row(tree, row, category);
}

void kb_item_widget::reorder_categories(const QString& parent_id, const QStringList& ordered_ids) {
    if (parent_id == top_level_id) {
        QList<QWidget*> buttons;
        while (strip_->count() > 0)
            buttons << strip_->take_button(0);
        QWidget* plus = buttons.isEmpty() ? nullptr : buttons.takeLast();
        for (const QString& id : ordered_ids)
            for (QWidget* button : buttons)
                if (button->property("category/id").toString() == id) {
                    strip_->insert_button(strip_->count(), qobject_cast<QAbstractButton*>(button));
                    buttons.removeOne(button);
                    break;
                }
        qDeleteAll(buttons);
        if (plus)
            strip_->insert_button(strip_->count(), qobject_cast<QAbstractButton*>(plus));
        return;
    }
    drag_drop_treewidget* tree = tree_of(parent_id);
    if (!tree)
        return;
    // Rows lose their item widgets when taken out, so they are rebuilt.
    QList<category_node_spt> kept;
    for (QTreeWidgetItem* row : siblings(tree, nullptr)) {
        if (kind_of(row) != category_row)
            continue;
        if (ordered_ids.contains(id_of(row)))
            kept << category_of(row);
        tree->removeItemWidget(row, 0);
        take_row(tree, row);
        delete row;
    }
    tree->setUpdatesEnabled(false);
    for (const QString& id : ordered_ids)
        for (const category_node_spt& node : kept)
            if (node->id == id) {
                QTreeWidgetItem* row = make_category_row(tree, nullptr, node);
                add_scripts(tree, row, node->id);
                add_categories(tree, row, node->id);
            }
    number_tree(tree);
    tree->setUpdatesEnabled(true);
}

void kb_item_widget::clear_view() {
    strips_->removeWidget(strip_);
    delete strip_;
    strip_ = nullptr;
    while (trees_->count() > 0) {
        QWidget* tree = trees_->widget(0);
        trees_->removeWidget(tree);
        delete tree;
    }
    trees_by_id_.clear();
}

void kb_item_widget::rebuild_view() {
    clear_view();
    build_strip();
}

void kb_item_widget::switch_department(const QString& dept_id) {
    if (part_ != dept_part)
        return;
    clear_view();
    model_->set_shown_dept(dept_id);
    build_strip();
}

} // namespace quorvel
