#include "ui/kb/kb_item_widget.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "integration/composition.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/actions/category_actions.h"
#include "net/actions/script_actions.h"
#include "protocol/protocol.h"
#include "ui/kb/delete_script_widget.h"
#include "ui/kb/new_script_widget.h"
#include "ui/kb/script_item.h"
#include "ui/kb/transfer_script_widget.h"
#include "ui/library/category_button.h"
#include "ui/library/category_flow_widget.h"
#include "ui/library/drag_drop_treewidget.h"
#include "ui/widgets/elided_text.h"
#include "ui/widgets/flow_layout.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/plain_text.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvel {

namespace {

const QString blank_id = QStringLiteral("blank");
constexpr int dept_part = int(protocol::part::dept);
constexpr int personal_part = int(protocol::part::personal);

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
      trees_(new QStackedWidget(this)), scripts_(new script_actions(this)),
      categories_(new category_actions(this)) {
    message_ = [this](const QString& text) { show_information(this, text); };
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
    // The department part starts on the user's default department.
    if (part_ == dept_part && session_state::instance().dept_id().isEmpty())
        if (const dept_tree_node_spt dept = session_state::instance().default_department())
            session_state::instance().set_dept_id(dept->id);
    build_strip();
    connect(&dc, &data_center::changed, this, &kb_item_widget::on_store_changed);
}

bool kb_item_widget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
        if (auto* tree = qobject_cast<drag_drop_treewidget*>(watched->parent()))
            schedule_row_widgets(tree);
    return QWidget::eventFilter(watched, event);
}

// ---- lookups in the part's category tables ----

QString kb_item_widget::shown_dept() const {
    return part_ == dept_part ? session_state::instance().dept_id() : QString();
}

bool kb_item_widget::shows(int part, const QString& dept_id) const {
    return part == part_ && (part_ != dept_part || dept_id == shown_dept());
}

category_node_spt kb_item_widget::find_category(const QString& id) const {
    return data_center::instance().find_script_category(part_, shown_dept(), id);
}

category_node_spt kb_item_widget::first_level_of(const QString& id) const {
    return data_center::instance().first_level_category_of(part_, shown_dept(), id);
}

QList<category_node_spt> kb_item_widget::children_of(const QString& id) const {
    const QList<category_node_spt>* children =
        data_center::instance().script_children(part_, shown_dept(), id);
    return children ? *children : QList<category_node_spt>{};
}

const QList<category_node_spt>* kb_item_widget::top_categories() const {
    return data_center::instance().top_script_categories(part_, shown_dept());
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
        exec_menu(this, category_menu(button->property("category/data").value<category_node_spt>()),
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
        sorted_by_sort(data_center::instance().scripts_of(category_id));
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
    button->setToolTip(plain_tooltip(category->classifyName));
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
    row->setToolTip(0, script_tooltip(script->speechContent));
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
    const bool manager = session_state::instance().has_manager_role();
    const bool personal = part_ == personal_part;
    auto expand = [this, category] { expand_category(category, true); };
    auto collapse = [this, category] { expand_category(category, false); };
    const menu_entry_t copy{QStringLiteral("复制分类"),
                            [this, category] { open_transfer_category(category, false); }};
    if (!manager && !personal)
        return {copy, {QStringLiteral("展开分类"), expand}, {QStringLiteral("折叠分类"), collapse}};
    QList<menu_entry_t> entries{
        {QStringLiteral("修改分类"), [this, category] { open_update_category(category); }},
        {QStringLiteral("删除分类"), [this, category] { open_delete_category(category); }},
        {},
        copy};
    if (manager)
        entries << menu_entry_t{QStringLiteral("移动分类"),
                                [this, category] { open_transfer_category(category, true); }};
    entries << menu_entry_t{}
            << menu_entry_t{QStringLiteral("分类排序"),
                            [this, category] { open_sort_category(category); }}
            << menu_entry_t{} << menu_entry_t{QStringLiteral("展开分类"), expand}
            << menu_entry_t{QStringLiteral("折叠分类"), collapse} << menu_entry_t{}
            << menu_entry_t{QStringLiteral("新建话术"),
                            [this, category] { open_new_script(category->id); }};
    return entries;
}

QList<kb_item_widget::menu_entry_t> kb_item_widget::row_menu(QTreeWidgetItem* row) {
    if (!row)
        return {};
    if (kind_of(row) == 0)
        return category_menu(category_of(row));
    const script_node_spt script = script_of(row);
    const bool manager = session_state::instance().has_manager_role();
    const menu_entry_t input{QStringLiteral("输入话术"), [this, script] { send(script, false); }};
    const menu_entry_t direct{QStringLiteral("发送话术"), [this, script] { send(script, true); }};
    const menu_entry_t clipboard{QStringLiteral("复制到剪贴板"),
                                 [script] { copy_script_as_text(script->speechContent); }};
    const menu_entry_t copy{QStringLiteral("复制话术"),
                            [this, script] { open_transfer_script(script, true); }};
    if (!manager && part_ != personal_part)
        return {input, direct, copy, clipboard};
    QList<menu_entry_t> entries{
        input,
        direct,
        {},
        {QStringLiteral("新建话术"), [this, script] { open_new_script(script->classifyId); }},
        {QStringLiteral("修改话术"), [this, script] { open_edit_script(script); }},
        {QStringLiteral("删除话术"), [this, script] { open_delete_script(script); }},
        {}};
    if (manager)
        entries << copy
                << menu_entry_t{QStringLiteral("移动话术"),
                                [this, script] { open_transfer_script(script, false); }}
                << menu_entry_t{};
    entries << menu_entry_t{QStringLiteral("置顶话术"),
                            [this, script] { pin_script(script, true); }}
            << menu_entry_t{QStringLiteral("置底话术"),
                            [this, script] { pin_script(script, false); }}
            << menu_entry_t{} << clipboard;
    return entries;
}

QList<kb_item_widget::menu_entry_t> kb_item_widget::empty_area_menu(drag_drop_treewidget* tree) {
    if (!session_state::instance().has_manager_role() && part_ != personal_part)
        return {};
    const QString category_id = tree ? tree->property("category/id").toString() : QString();
    return {{QStringLiteral("新建话术"), [this, category_id] { open_new_script(category_id); }}};
}

void kb_item_widget::on_tree_menu(drag_drop_treewidget* tree, const QPoint& pos) {
    QTreeWidgetItem* row = tree->itemAt(pos);
    exec_menu(this, row ? row_menu(row) : empty_area_menu(tree),
              tree->viewport()->mapToGlobal(pos));
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

// ---- script dialogs ----

// The dialogs change the store through the script actions; the rows follow
// its change signal, so only the event for the receiving part is left here.
transfer_script_widget* kb_item_widget::open_transfer_script(const script_node_spt& script,
                                                             bool copy) {
    auto* dialog = new transfer_script_widget(copy, script, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &transfer_script_widget::transfer_finished, this,
            [](int part, const QString& category_id) {
                event_bus::instance()->post(QLatin1String(events::kb_transfer_script),
                                            {part, category_id});
            });
    dialog->show();
    return dialog;
}

delete_script_widget* kb_item_widget::open_delete_script(const script_node_spt& script) {
    auto* dialog = new delete_script_widget(script, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

// The editor reports a saved script once its files are cached; the store
// takes it then, and the row follows the store's change.
new_script_widget* kb_item_widget::open_new_script(const QString& category_id) {
    auto* dialog = new new_script_widget(part_, category_id, nullptr, this);
    connect(dialog, &new_script_widget::create_script_finished, this,
            [](const script_node_spt& node) { script_actions::keep_saved(node, true); });
    dialog->show();
    return dialog;
}

new_script_widget* kb_item_widget::open_edit_script(const script_node_spt& script) {
    if (!script)
        return nullptr;
    auto* dialog = new new_script_widget(part_, script->classifyId, script, this);
    connect(dialog, &new_script_widget::update_script_finished, this,
            [](const script_node_spt& node) { script_actions::keep_saved(node, false); });
    dialog->show();
    return dialog;
}

// ---- changes through the server ----

drag_drop_treewidget* kb_item_widget::tree_of_script(const script_node_spt& script) {
    const data_center& dc = data_center::instance();
    // The script's own department: a reply may come after a department switch.
    const category_node_spt category =
        dc.find_script_category(part_, script->deptId, script->classifyId);
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
    scripts_->sort_scripts(
        script->id, category_id, ids, [this, category_id](const action_result_t& result) {
            if (result.ok)
                reload_category(category_id);
            else
                message_(QStringLiteral("调整位置失败，原因：%1").arg(result.error));
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
        if (kind_of(child) == script_row && child != dragged)
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
    // A failed reorder shows nothing; the row comes back with the next reload.
    scripts_->sort_scripts(moved_id, category_id, ids,
                           [this, category_id](const action_result_t& result) {
                               if (result.ok)
                                   reload_category(category_id);
                           });
}

void kb_item_widget::reload_category(const QString& category_id) {
    // The rows follow from the store's change (show_reloaded).
    scripts_->reload_category(
        part_, shown_dept(), category_id, [this](const action_result_t& result) {
            if (!result.ok)
                message_(QStringLiteral("更新分类话术信息失败，原因：%1").arg(result.error));
        });
}

void kb_item_widget::show_reloaded(const QString& category_id,
                                   const QList<script_node_spt>& scripts) {
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
    if (!category || !shows(part_, part_ == dept_part ? category->deptId : QString()))
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
    add_category_row(tree, nullptr, category);
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
    const category_node_spt top = first_level_of(category->superId);
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
    const category_node_spt top = first_level_of(category->id);
    drag_drop_treewidget* tree = top ? tree_of(top->id) : nullptr;
    if (QTreeWidgetItem* row = find_row(tree, category_row, category->id))
        if (auto* button = qobject_cast<elided_tool_button*>(tree->itemWidget(row, 0))) {
            button->set_full_text(category_button_text(category->classifyName));
            button->setToolTip(plain_tooltip(category->classifyName));
        }
}

void kb_item_widget::apply_category_sort(const category_node_spt& category,
                                         const QStringList& ordered_ids) {
    if (!category || ordered_ids.isEmpty())
        return;
    // The new order reaches the view from the store (reorder_categories).
    categories_->sort_categories(category, ordered_ids, [this](const action_result_t& result) {
        if (!result.ok)
            message_(QStringLiteral("分类排序失败，原因：%1").arg(result.error));
    });
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
                QTreeWidgetItem* row = add_category_row(tree, nullptr, node);
                add_scripts(tree, row, node->id);
                add_categories(tree, row, node->id, true);
            }
    number_tree(tree);
    tree->setUpdatesEnabled(true);
}

// ---- following the store ----

void kb_item_widget::on_store_changed(const store_change_t& change) {
    if (change.library != library_kind::scripts || !shows(change.part, change.dept_id))
        return;
    if (change.subject == store_subject::categories)
        on_categories_changed(change);
    else if (change.subject == store_subject::scripts)
        on_scripts_changed(change);
}

void kb_item_widget::on_categories_changed(const store_change_t& change) {
    // The synchronisation fills the store before any view; later a part
    // reloaded from the server rebuilds the view from it.
    if (change.op == store_op::replaced && change.part >= 0 && strip_)
        return rebuild_view();
    if (change.ids.isEmpty())
        return;
    switch (change.op) {
    case store_op::added:
        insert_category(find_category(change.ids.first()));
        break;
    case store_op::updated:
        rename_category(find_category(change.ids.first()));
        break;
    case store_op::removed: {
        // Gone from the store: the change names it and its parent.
        auto gone = category_node_spt::create();
        gone->id = change.ids.first();
        gone->superId = change.category_id;
        remove_category(gone);
        break;
    }
    case store_op::sorted:
        reorder_categories(change.category_id, change.ids);
        break;
    case store_op::replaced:
        break;
    }
}

void kb_item_widget::on_scripts_changed(const store_change_t& change) {
    if (change.op == store_op::replaced) {
        if (!change.category_id.isEmpty())
            show_reloaded(change.category_id, change.scripts);
        return;
    }
    if (change.ids.isEmpty())
        return;
    script_node_spt script;
    for (const script_node_spt& stored : data_center::instance().scripts_of(change.category_id))
        if (stored && stored->id == change.ids.first())
            script = stored;
    if (!script) { // removed: the change names it
        script = script_node_spt::create();
        script->id = change.ids.first();
        script->classifyId = change.category_id;
        script->deptId = change.dept_id;
    }
    if (change.op == store_op::added)
        insert_script(script);
    else if (change.op == store_op::updated)
        refresh_script(script);
    else if (change.op == store_op::removed)
        remove_script(script);
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
    if (part_ != dept_part)
        return;
    clear_view();
    session_state::instance().set_dept_id(dept_id);
    build_strip();
}

} // namespace quorvel
