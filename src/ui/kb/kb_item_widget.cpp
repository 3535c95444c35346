#include "ui/kb/kb_item_widget.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "integration/composition.h"
#include "model/data_center.h"
#include "net/request_center.h"
#include "ui/kb/script_item.h"
#include "ui/library/category_button.h"
#include "ui/library/category_flow_widget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/widgets/elided_text.h"
#include "ui/widgets/flow_layout.h"

#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvel {

namespace {

const QString blank_id = QStringLiteral("blank");

template <class T> QList<T> sorted_by_sort(QList<T> list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const T& a, const T& b) { return a->sort < b->sort; });
    return list;
}

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

QString category_button_text(const QString& name) {
    QString text = name;
    return text.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

void set_row_icon(QTreeWidget* tree, QTreeWidgetItem* row) {
    if (auto* button = qobject_cast<QToolButton*>(tree->itemWidget(row, 0)))
        button->setIcon(QIcon(row->isExpanded() ? QStringLiteral(":/images/icon/expanded.png")
                                                : QStringLiteral(":/images/icon/collapsed.png")));
}

// The rows under a parent row, or the top level without one.
QList<QTreeWidgetItem*> siblings(QTreeWidget* tree, QTreeWidgetItem* parent) {
    QList<QTreeWidgetItem*> rows;
    const int n = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < n; ++i)
        rows << (parent ? parent->child(i) : tree->topLevelItem(i));
    return rows;
}

// Where a script row goes among its siblings: after the scripts, before the
// first sub-category, as filling the tree orders them.
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

} // namespace

kb_item_widget::kb_item_widget(int part, QWidget* parent)
    : QWidget(parent), part_(part), strip_(nullptr), strips_(new QStackedWidget(this)),
      trees_(new QStackedWidget(this)) {
    message_ = [this](const QString& text) {
        QMessageBox::information(this, QStringLiteral("Quorvel"), text, QMessageBox::Ok);
    };
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setHandleWidth(2);
    splitter->addWidget(strips_);
    splitter->addWidget(trees_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->addWidget(splitter);

    data_center& dc = data_center::instance();
    if (part_ == 2 && dc.dept_id().isEmpty())
        if (const dept_tree_node_spt dept = dc.default_department())
            dc.set_dept_id(dept->id);
    build_strip();
}

bool kb_item_widget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
        if (auto* tree = qobject_cast<drag_drop_treewidget*>(watched->parent()))
            schedule_row_widgets(tree);
    return QWidget::eventFilter(watched, event);
}

// ---- lookups in the part's category tables ----

category_node_spt kb_item_widget::find_category(const QString& id) const {
    const data_center& dc = data_center::instance();
    return part_ == 2 ? dc.find_dept_script_category(dc.dept_id(), id)
                      : dc.find_script_category(part_, id);
}

category_node_spt kb_item_widget::first_level_of(const QString& id) const {
    const data_center& dc = data_center::instance();
    return part_ == 2 ? dc.first_level_category_of(dc.dept_id(), id)
                      : dc.first_level_category_of(part_, id);
}

QList<category_node_spt> kb_item_widget::children_of(const QString& id) const {
    const data_center& dc = data_center::instance();
    if (part_ == 2) {
        const QList<category_node_spt>* children = dc.dept_script_children(dc.dept_id(), id);
        return children ? *children : QList<category_node_spt>{};
    }
    return dc.script_categories[part_].value(id).children;
}

const QList<category_node_spt>* kb_item_widget::top_categories() const {
    const data_center& dc = data_center::instance();
    return part_ == 2 ? dc.top_dept_script_categories(dc.dept_id())
                      : dc.top_script_categories(part_);
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
        exec_menu({{QStringLiteral("新建分类"),
                    [part] {
                        event_bus::instance()->post(QLatin1String(events::kb_create_category),
                                                    {part});
                    }}},
                  strip_->mapToGlobal(pos));
    });
    strips_->insertWidget(0, strip_);
    strips_->setCurrentIndex(0);

    trees_->setCurrentWidget(tree_of(blank_id));

    const QList<category_node_spt>* tops = top_categories();
    if (!tops)
        return;
    strip_->setUpdatesEnabled(false);
    for (const category_node_spt& category : *tops)
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
        exec_menu(category_menu(button->property("category/data").value<category_node_spt>()),
                  button->mapToGlobal(pos));
    });
    if (fill)
        fill_tree(tree_of(category->id));
}

drag_drop_treewidget* kb_item_widget::make_tree(const QString& category_id) {
    auto* tree = new drag_drop_treewidget(trees_);
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setIndentation(0);
    QFont font = tree->font();
    font.setPointSize(12);
    tree->setFont(font);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->setProperty("category/id", category_id);
    tree->setProperty("initialized", 0);
    tree->set_drag_predicate([](QTreeWidgetItem* row) { return kind_of(row) == 1; });
    tree->set_drop_predicate(
        [](QTreeWidgetItem* row) { return kind_of(row) == 1 && row->parent() != nullptr; });
    connect(tree, &drag_drop_treewidget::item_drag_finished, this,
            &kb_item_widget::on_item_drag_finished);
    connect(tree, &QWidget::customContextMenuRequested, this,
            [this, tree](const QPoint& pos) { on_tree_menu(tree, pos); });
    connect(tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) {
        if (kind_of(row) == 1)
            send(script_of(row), setting_on(setting::kb_dbclick));
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
    add_categories(tree, nullptr, id, true);
    number_tree(tree);
    tree->setUpdatesEnabled(true);
}

void kb_item_widget::add_scripts(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                                 const QString& category_id) {
    const QList<script_node_spt> scripts =
        sorted_by_sort(data_center::instance().scripts_by_category.value(category_id));
    for (const script_node_spt& script : scripts)
        if (script)
            add_script_row(tree, parent, script);
}

void kb_item_widget::add_categories(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                                    const QString& category_id, bool with_content) {
    for (const category_node_spt& child : sorted_by_sort(children_of(category_id))) {
        if (!child)
            continue;
        QTreeWidgetItem* row = add_category_row(tree, parent, child);
        if (!with_content)
            continue;
        add_scripts(tree, row, child->id);
        add_categories(tree, row, child->id, true);
    }
}

QTreeWidgetItem* kb_item_widget::add_category_row(drag_drop_treewidget* tree,
                                                  QTreeWidgetItem* parent,
                                                  const category_node_spt& category) {
    auto* row = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    row->setData(0, kb_role::kind, 0);
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
    button->setToolTip(category->classifyName);
    tree->setItemWidget(row, 0, button);
    connect(button, &QToolButton::clicked, tree, [row] { row->setExpanded(!row->isExpanded()); });
    return row;
}

QTreeWidgetItem* kb_item_widget::add_script_row(drag_drop_treewidget* tree, QTreeWidgetItem* parent,
                                                const script_node_spt& script, int at) {
    auto* row = new QTreeWidgetItem;
    row->setData(0, kb_role::kind, 1);
    row->setData(0, kb_role::record, QVariant::fromValue(script));
    row->setData(0, kb_role::id, script->id);
    // The row widget is made when the row first comes into view; until then
    // the row keeps the height it will have.
    row->setSizeHint(0, QSize(0, script_row_height()));
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    const int index = at < 0 || at > count ? count : at;
    if (parent)
        parent->insertChild(index, row);
    else
        tree->insertTopLevelItem(index, row);
    render_script_row(tree, row, script);
    schedule_row_widgets(tree);
    return row;
}

int kb_item_widget::script_row_height() {
    static const int height = script_item().sizeHint().height();
    return height;
}

script_item* kb_item_widget::row_widget(QTreeWidget* tree, QTreeWidgetItem* row) {
    if (!tree || !row || kind_of(row) != 1)
        return nullptr;
    if (auto* item = qobject_cast<script_item*>(tree->itemWidget(row, 0)))
        return item;
    auto* item = new script_item;
    connect(item, &script_item::send_clicked, this,
            [this, row] { send(script_of(row), setting_on(setting::kb_arrow)); });
    tree->setItemWidget(row, 0, item);
    render_script_row(tree, row, script_of(row));
    item->set_index(row->data(0, kb_role::number).toInt());
    return item;
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

void kb_item_widget::render_script_row(QTreeWidget* tree, QTreeWidgetItem* row,
                                       const script_node_spt& script) {
    row->setToolTip(0, wrap_tooltip_text(script->speechContent));
    auto* item = qobject_cast<script_item*>(tree->itemWidget(row, 0));
    if (!item)
        return;
    item->set_keywords(script->speechContentKeywords);
    item->set_content(script->speechContent);
}

void kb_item_widget::number_tree(QTreeWidget* tree) {
    int number = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (kind_of(*it) != 1)
            continue;
        (*it)->setData(0, kb_role::number, ++number);
        if (auto* item = qobject_cast<script_item*>(tree->itemWidget(*it, 0)))
            item->set_index(number);
    }
}

QTreeWidgetItem* kb_item_widget::find_row(QTreeWidget* tree, int kind, const QString& id) {
    if (!tree)
        return nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (kind_of(*it) == kind && id_of(*it) == id)
            return *it;
    return nullptr;
}

// ---- sending ----

void kb_item_widget::send(const script_node_spt& script, bool direct) {
    if (!script)
        return;
    event_bus::instance()->post(QLatin1String(direct ? events::send_script : events::input_script),
                                {script->speechContent});
}

// ---- menus ----

QList<kb_item_widget::menu_entry_t>
kb_item_widget::category_menu(const category_node_spt& category) {
    const bool manager = data_center::instance().has_manager_role();
    const bool personal = part_ == 1;
    auto expand = [this, category] { expand_category(category, true); };
    auto collapse = [this, category] { expand_category(category, false); };
    // The dialogs behind the disabled entries are not part of this page yet.
    const std::function<void()> none;
    if (!manager && !personal)
        return {{QStringLiteral("复制分类"), none, false},
                {QStringLiteral("展开分类"), expand},
                {QStringLiteral("折叠分类"), collapse}};
    QList<menu_entry_t> entries{{QStringLiteral("修改分类"), none, false},
                                {QStringLiteral("删除分类"), none, false},
                                {},
                                {QStringLiteral("复制分类"), none, false}};
    if (manager)
        entries << menu_entry_t{QStringLiteral("移动分类"), none, false};
    entries << menu_entry_t{} << menu_entry_t{QStringLiteral("分类排序"), none, false}
            << menu_entry_t{} << menu_entry_t{QStringLiteral("展开分类"), expand}
            << menu_entry_t{QStringLiteral("折叠分类"), collapse} << menu_entry_t{}
            << menu_entry_t{QStringLiteral("新建话术"), none, false};
    return entries;
}

QList<kb_item_widget::menu_entry_t> kb_item_widget::row_menu(QTreeWidgetItem* row) {
    if (!row)
        return {};
    if (kind_of(row) == 0)
        return category_menu(category_of(row));
    const script_node_spt script = script_of(row);
    const bool manager = data_center::instance().has_manager_role();
    const std::function<void()> none;
    const menu_entry_t input{QStringLiteral("输入话术"), [this, script] { send(script, false); }};
    const menu_entry_t direct{QStringLiteral("发送话术"), [this, script] { send(script, true); }};
    const menu_entry_t clipboard{QStringLiteral("复制到剪贴板"),
                                 [script] { copy_script_as_text(script->speechContent); }};
    if (!manager && part_ != 1)
        return {input, direct, {QStringLiteral("复制话术"), none, false}, clipboard};
    QList<menu_entry_t> entries{input,
                                direct,
                                {},
                                {QStringLiteral("新建话术"), none, false},
                                {QStringLiteral("修改话术"), none, false},
                                {QStringLiteral("删除话术"), none, false},
                                {}};
    if (manager)
        entries << menu_entry_t{QStringLiteral("复制话术"), none, false}
                << menu_entry_t{QStringLiteral("移动话术"), none, false} << menu_entry_t{};
    entries << menu_entry_t{QStringLiteral("置顶话术"),
                            [this, script] { pin_script(script, true); }}
            << menu_entry_t{QStringLiteral("置底话术"),
                            [this, script] { pin_script(script, false); }}
            << menu_entry_t{} << clipboard;
    return entries;
}

QList<kb_item_widget::menu_entry_t> kb_item_widget::empty_area_menu(drag_drop_treewidget*) {
    if (!data_center::instance().has_manager_role() && part_ != 1)
        return {};
    return {{QStringLiteral("新建话术"), {}, false}};
}

void kb_item_widget::on_tree_menu(drag_drop_treewidget* tree, const QPoint& pos) {
    QTreeWidgetItem* row = tree->itemAt(pos);
    exec_menu(row ? row_menu(row) : empty_area_menu(tree), tree->viewport()->mapToGlobal(pos));
}

void kb_item_widget::exec_menu(const QList<menu_entry_t>& entries, const QPoint& global_pos) {
    if (entries.isEmpty())
        return;
    QMenu menu(this);
    for (const menu_entry_t& entry : entries) {
        if (entry.text.isEmpty()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(entry.text);
        action->setEnabled(entry.enabled && entry.action);
        if (entry.action)
            connect(action, &QAction::triggered, this, entry.action);
    }
    menu.exec(global_pos);
}

void kb_item_widget::expand_category(const category_node_spt& category, bool expand) {
    if (!category)
        return;
    const QString tree_id = category->superId == top_level_id ? category->id : category->superId;
    drag_drop_treewidget* tree = tree_of(tree_id);
    if (!tree)
        return;
    if (expand)
        tree->expandAll();
    else
        tree->collapseAll();
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        set_row_icon(tree, *it);
}

// ---- changes through the server ----

drag_drop_treewidget* kb_item_widget::tree_of_script(const script_node_spt& script) {
    const data_center& dc = data_center::instance();
    const category_node_spt category =
        part_ == 2 ? dc.find_dept_script_category(script->deptId, script->classifyId)
                   : dc.find_script_category(part_, script->classifyId);
    if (!category)
        return nullptr;
    const category_node_spt top = dc.first_level_category(category);
    drag_drop_treewidget* tree = top ? tree_of(top->id) : nullptr;
    fill_tree(tree);
    return tree;
}

void kb_item_widget::pin_script(const script_node_spt& script, bool to_top) {
    drag_drop_treewidget* tree = script ? tree_of_script(script) : nullptr;
    QTreeWidgetItem* row = find_row(tree, script_row, script ? script->id : QString());
    if (!row)
        return;
    QStringList ids;
    for (QTreeWidgetItem* sibling : siblings(tree, row->parent()))
        if (sibling != row)
            ids << id_of(sibling);
    if (to_top)
        ids.prepend(script->id);
    else
        ids.append(script->id);
    const QString category_id = script->classifyId;
    request_center::instance()->move_script(
        script->id, category_id, ids, this, [this, category_id] { reload_category(category_id); },
        [this](const QString& error) {
            message_(QStringLiteral("调整位置失败，原因：%1").arg(error));
        });
}

void kb_item_widget::on_item_drag_finished(QTreeWidgetItem* dragged, QTreeWidgetItem* to_parent,
                                           int index) {
    if (!dragged || !to_parent)
        return;
    auto* tree = qobject_cast<drag_drop_treewidget*>(sender());
    if (!tree)
        tree = qobject_cast<drag_drop_treewidget*>(dragged->treeWidget());
    const QString moved_id = id_of(dragged);
    QStringList ids;
    if (index < 0)
        ids << moved_id;
    for (int i = 0; i < to_parent->childCount(); ++i) {
        QTreeWidgetItem* child = to_parent->child(i);
        if (i == index)
            ids << moved_id;
        if (kind_of(child) == 1 && child != dragged)
            ids << id_of(child);
    }
    const QString category_id = id_of(to_parent);
    if (tree)
        tree->removeItemWidget(dragged, 0);
    if (dragged->treeWidget())
        take_row(dragged->treeWidget(), dragged);
    delete dragged;
    if (tree)
        number_tree(tree);
    request_center::instance()->move_script(
        moved_id, category_id, ids, this, [this, category_id] { reload_category(category_id); },
        [](const QString&) {});
}

void kb_item_widget::reload_category(const QString& category_id) {
    const json_map_t params{{QStringLiteral("speechContent"), QString()},
                            {QStringLiteral("speechContentKeywords"), QString()},
                            {QStringLiteral("classifyId"), category_id},
                            {QStringLiteral("deptId"), QString()},
                            {QStringLiteral("classifyType"), QString::number(part_)}};
    request_center::instance()->query_scripts(
        params, this,
        [this, category_id](const script_list_t& scripts) {
            data_center& dc = data_center::instance();
            if (dc.scripts_by_category.contains(category_id))
                dc.scripts_by_category[category_id] = scripts;
            const category_node_spt top = first_level_of(category_id);
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
                if (kind_of(row) != 1)
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
        },
        [this](const QString& error) {
            message_(QStringLiteral("更新分类话术信息失败，原因：%1").arg(error));
        });
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
    if (!script)
        return;
    auto it = data_center::instance().scripts_by_category.find(script->classifyId);
    if (it == data_center::instance().scripts_by_category.end())
        return;
    for (int i = it->size() - 1; i >= 0; --i)
        if (it->at(i) && it->at(i)->id == script->id)
            it->removeAt(i);
}

void kb_item_widget::insert_category(const category_node_spt& category) {
    if (!category)
        return;
    if (part_ == 2 && category->deptId != data_center::instance().dept_id())
        return;
    if (category->superId == top_level_id) {
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
    add_category_row(tree, nullptr, category);
    number_tree(tree);
}

void kb_item_widget::remove_category(const category_node_spt& category, bool deleted) {
    if (!category)
        return;
    if (category->superId == top_level_id) {
        if (drag_drop_treewidget* tree = trees_by_id_.take(category->id)) {
            trees_->removeWidget(tree);
            delete tree;
        }
        delete strip_->take_button(button_of(category->id));
    } else {
        const category_node_spt top = first_level_of(category->id);
        drag_drop_treewidget* tree = top ? tree_of(top->id) : nullptr;
        if (QTreeWidgetItem* row = find_row(tree, category_row, category->id)) {
            take_row(tree, row);
            delete row;
            number_tree(tree);
        }
    }
    if (deleted)
        data_center::instance().remove_script_category(category);
}

void kb_item_widget::rename_category(const category_node_spt& category) {
    if (!category)
        return;
    if (category->superId == top_level_id) {
        if (auto* button = qobject_cast<QAbstractButton*>(button_of(category->id)))
            button->setText(category->classifyName);
    } else {
        const category_node_spt top = first_level_of(category->id);
        drag_drop_treewidget* tree = top ? tree_of(top->id) : nullptr;
        if (QTreeWidgetItem* row = find_row(tree, category_row, category->id))
            if (auto* button = qobject_cast<elided_tool_button*>(tree->itemWidget(row, 0))) {
                button->set_full_text(category_button_text(category->classifyName));
                button->setToolTip(category->classifyName);
            }
    }
    data_center::instance().update_script_category(category);
}

void kb_item_widget::apply_category_sort(const category_node_spt& category,
                                         const QStringList& ordered_ids) {
    if (!category || ordered_ids.isEmpty())
        return;
    request_center::instance()->sort_category(
        category->id, category->superId, ordered_ids, this,
        [this, category, ordered_ids] {
            if (category->superId == top_level_id) {
                QList<QWidget*> buttons;
                while (strip_->count() > 0)
                    buttons << strip_->take_button(0);
                QWidget* plus = buttons.isEmpty() ? nullptr : buttons.takeLast();
                for (const QString& id : ordered_ids)
                    for (QWidget* button : buttons)
                        if (button->property("category/id").toString() == id) {
                            strip_->insert_button(strip_->count(),
                                                  qobject_cast<QAbstractButton*>(button));
                            buttons.removeOne(button);
                            break;
                        }
                qDeleteAll(buttons);
                if (plus)
                    strip_->insert_button(strip_->count(), qobject_cast<QAbstractButton*>(plus));
                return;
            }
            drag_drop_treewidget* tree = tree_of(category->superId);
            if (!tree)
                return;
            // Rows lose their item widgets when taken out, so they are rebuilt.
            QList<category_node_spt> kept;
            for (QTreeWidgetItem* row : siblings(tree, nullptr)) {
                if (kind_of(row) != 0)
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
                        QTreeWidgetItem* row = add_category_row(tree, nullptr, node);
                        add_scripts(tree, row, node->id);
                        add_categories(tree, row, node->id, true);
                    }
            number_tree(tree);
            tree->setUpdatesEnabled(true);
        },
        [this](const QString& error) {
            message_(QStringLiteral("分类排序失败，原因：%1").arg(error));
        });
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

void kb_item_widget::switch_department(const QString& dept_id) {
    if (part_ != 2)
        return;
    clear_view();
    data_center::instance().set_dept_id(dept_id);
    build_strip();
}

} // namespace quorvel
