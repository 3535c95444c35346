#include "ui/docs/doc_item_widget.h"

#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/event_names.h"
#include "net/actions/document_actions.h"
#include "sync/batch_download.h"
#include "sync/cache_manager.h"
#include "ui/docs/add_doc_dialog.h"
#include "ui/docs/doc_category_chooser.h"
#include "ui/docs/doc_category_dialogs.h"
#include "ui/docs/doc_dialogs.h"
#include "ui/docs/doc_list_item.h"
#include "ui/docs/doc_row_model.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/message_box.h"
#include "ui/widgets/status_text.h"

#include <QActionGroup>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedLayout>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace quorvel {

namespace {

const QString state_synced = QStringLiteral("已同步");
const QString state_unsynced = QStringLiteral("未同步");
const QString state_syncing = QStringLiteral("正在同步...");
const QString state_done = QStringLiteral("同步成功");
const QString state_failed = QStringLiteral("同步失败");
constexpr int row_height = 46;
constexpr int blank_page = 0;
constexpr int list_page = 1;

struct filter_entry_t {
    const char* text;
    doc_filter code;
};
const filter_entry_t filter_entries[] = {
    {"所有", doc_filter::all},   {"影音", doc_filter::media},     {"文稿", doc_filter::text},
    {"图片", doc_filter::image}, {"压缩包", doc_filter::archive}, {"其他", doc_filter::other}};

// Category ids in tree order, then any the tree does not hold.
QStringList categories_in_order() {
    const data_center& dc = data_center::instance();
    QStringList order;
    QList<QString> pending{top_level_id};
    while (!pending.isEmpty()) {
        const QString id = pending.takeFirst();
        const auto children = dc.doc_categories().value(id).children;
        for (int i = children.size() - 1; i >= 0; --i)
            if (children[i])
                pending.prepend(children[i]->id);
        if (id != top_level_id)
            order << id;
    }
    QStringList rest;
    for (auto it = dc.docs_by_category().constBegin(); it != dc.docs_by_category().constEnd(); ++it)
        if (!order.contains(it.key()))
            rest << it.key();
    rest.sort();
    return order + rest;
}

} // namespace

doc_item_widget::doc_item_widget(QWidget* parent)
    : QWidget(parent), search_(new QLineEdit(this)), tree_(new QTreeWidget(this)),
      add_(new custom_button(this)), status_(new QLabel(this)),
      filter_button_(new QToolButton(this)), pages_(new QStackedLayout),
      blank_(new blank_doc_widget(this)), list_(new QListWidget(this)),
      actions_(new document_actions(this)) {
    message_ = [this](const QString& text) { show_information(this, text); };
    search_->setPlaceholderText(QStringLiteral("搜索文档，双击发送"));
    tree_->setColumnCount(1);
    tree_->setHeaderHidden(true);
    tree_->setMinimumWidth(120);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    add_->setText(QStringLiteral("添加"));
    filter_button_->setIcon(QIcon(QStringLiteral(":/images/icon/filter.png")));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setUniformItemSizes(true);
    list_->viewport()->installEventFilter(this);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(10, 0, 10, 0);
    bar->addWidget(add_);
    bar->addStretch();
    bar->addWidget(status_);
    bar->addStretch();
    bar->addWidget(filter_button_);
    pages_->addWidget(blank_);
    pages_->addWidget(list_);
    auto* panel = new QWidget(this);
    auto* right = new QVBoxLayout(panel);
    right->setContentsMargins(0, 2, 0, 0);
    right->setSpacing(5);
    right->addLayout(bar);
    right->addLayout(pages_);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setHandleWidth(1);
    splitter->addWidget(tree_);
    splitter->addWidget(panel);
    splitter->setStretchFactor(1, 1);
    auto* below = new QVBoxLayout;
    below->setContentsMargins(0, 2, 0, 1);
    below->addWidget(splitter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->addWidget(search_);
    layout->addLayout(below);

    build_tree();
    show_all();

    connect(search_, &QLineEdit::editingFinished, this, &doc_item_widget::on_search_doc);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { on_current_item(item); });
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        exec_menu(this, tree_menu(tree_->itemAt(pos)), tree_->viewport()->mapToGlobal(pos));
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, &doc_item_widget::on_item_doubleclick);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QListWidgetItem* row = list_->itemAt(pos))
            exec_menu(this, row_menu(row), list_->viewport()->mapToGlobal(pos));
    });
    connect(list_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &doc_item_widget::schedule_row_widgets);
    connect(add_, &QToolButton::clicked, this,
            [this] { exec_menu(this, add_menu(), add_->mapToGlobal(QPoint(0, add_->height()))); });
    connect(blank_, &blank_doc_widget::add_doc_requested, this, [this] { open_add_doc(); });
    connect(filter_button_, &QToolButton::clicked, this, [this] {
        filter_menu()->popup(filter_button_->mapToGlobal(QPoint(0, filter_button_->height())));
    });
    connect(new doc_row_model(this), &doc_row_model::rows_changed, this,
            &doc_item_widget::on_rows_changed);
}

// ---- the tree ----

void doc_item_widget::build_tree() {
    const QString current = shown_category();
    tree_->blockSignals(true);
    tree_->clear();
    root_ = new QTreeWidgetItem(tree_, {QStringLiteral("云文档")});
    root_->setData(0, Qt::UserRole, 2);
    add_doc_category_items(root_, top_level_id);
    QTreeWidgetItem* item = current.isEmpty() ? nullptr : find_doc_category_item(tree_, current);
    tree_->setCurrentItem(item ? item : root_);
    tree_->expandAll();
    tree_->blockSignals(false);
}

category_node_spt doc_item_widget::current_category() const {
    QTreeWidgetItem* item = tree_->currentItem();
    return item ? item->data(0, doc_role::node).value<category_node_spt>() : category_node_spt();
}

void doc_item_widget::on_current_item(QTreeWidgetItem* item) {
    status_->clear();
    const auto node =
        item ? item->data(0, doc_role::node).value<category_node_spt>() : category_node_spt();
    if (node)
        show_category(node->id);
    else
        show_all();
}

// ---- the list ----

QString doc_item_widget::shown_category() const {
    return list_->property("id").toString();
}

void doc_item_widget::show_all() {
    showing_search_ = false;
    list_->setProperty("id", QString());
    fill_list(all_docs());
    show_list_or_blank();
}

void doc_item_widget::show_category(const QString& category_id) {
    if (QTreeWidgetItem* item = find_doc_category_item(tree_, category_id)) {
        tree_->blockSignals(true);
        tree_->setCurrentItem(item);
        tree_->blockSignals(false);
    }
    showing_search_ = false;
    list_->setProperty("id", category_id);
    const QList<doc_node_spt>* docs = data_center::instance().docs_of_category(category_id);
    fill_list(docs ? *docs : QList<doc_node_spt>{});
    show_list_or_blank();
}

QList<doc_node_spt> doc_item_widget::all_docs() const {
    QList<doc_node_spt> docs;
    const data_center& dc = data_center::instance();
    for (const QString& id : categories_in_order())
        if (const QList<doc_node_spt>* list = dc.docs_of_category(id))
            docs += *list;
    return docs;
}

void doc_item_widget::show_list_or_blank() {
    pages_->setCurrentIndex(list_->count() > 0 || showing_search_ ? list_page : blank_page);
}

void doc_item_widget::fill_list(const QList<doc_node_spt>& docs) {
    list_->setUpdatesEnabled(false);
    list_->clear();
    for (const doc_node_spt& doc : docs) {
        if (!doc)
            continue;
        auto* row = new QListWidgetItem(list_);
        row->setSizeHint(QSize(0, row_height));
        row->setData(doc_row::doc, QVariant::fromValue(doc));
        // The cached file is looked at when the row is shown or asked about.
        const QString state = override_state(doc->id);
        if (!state.isEmpty())
            row->setData(doc_row::state, state);
        row->setHidden(!doc_kinds::matches_filter(doc->fileSuffix, filter_));
    }
    list_->setUpdatesEnabled(true);
    schedule_row_widgets();
}

// Filtering hides rows instead of rebuilding the list: a category of a
// thousand documents changes its filter without making a row anew.
void doc_item_widget::apply_filter() {
    list_->setUpdatesEnabled(false);
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* row = list_->item(i);
        const doc_node_spt doc = doc_of(row);
        row->setHidden(!doc || !doc_kinds::matches_filter(doc->fileSuffix, filter_));
    }
    list_->setUpdatesEnabled(true);
    schedule_row_widgets();
}

void doc_item_widget::set_filter(doc_filter filter) {
    filter_ = filter;
    if (filter_menu_)
        for (QAction* action : filter_menu_->actions())
            action->setChecked(action->data().toInt() == int(filter));
    apply_filter();
}

QMenu* doc_item_widget::filter_menu() {
    if (filter_menu_)
        return filter_menu_;
    filter_menu_ = new QMenu(this);
    auto* group = new QActionGroup(filter_menu_);
    group->setExclusive(true);
    for (const filter_entry_t& entry : filter_entries) {
        QAction* action = filter_menu_->addAction(QString::fromUtf8(entry.text));
        action->setCheckable(true);
        action->setData(int(entry.code));
        action->setChecked(entry.code == filter_);
        group->addAction(action);
        const doc_filter code = entry.code;
        connect(action, &QAction::triggered, this, [this, code] { set_filter(code); });
    }
    return filter_menu_;
}

QList<doc_node_spt> doc_item_widget::shown_docs() const {
    QList<doc_node_spt> docs;
    for (int i = 0; i < list_->count(); ++i)
        if (!list_->item(i)->isHidden())
            docs << doc_of(list_->item(i));
    return docs;
}

QListWidgetItem* doc_item_widget::row_of(const QString& doc_id) const {
    for (int i = 0; i < list_->count(); ++i) {
        const doc_node_spt doc = doc_of(list_->item(i));
        if (doc && doc->id == doc_id)
            return list_->item(i);
    }
    return nullptr;
}

QString doc_item_widget::state_of(const QListWidgetItem* row) {
    if (!row)
        return {};
    const QString state = row->data(doc_row::state).toString();
    if (!state.isEmpty())
        return state;
    const QString path = cache_manager::instance()->doc_path(doc_of(row));
    return !path.isEmpty() && QFileInfo::exists(path) ? state_synced : state_unsynced;
}

doc_node_spt doc_item_widget::doc_of(const QListWidgetItem* row) {
    return row ? row->data(doc_row::doc).value<doc_node_spt>() : doc_node_spt();
}

QString doc_item_widget::override_state(const QString& doc_id) const {
    if (downloading_.contains(doc_id))
        return state_syncing;
    return results_.value(doc_id);
}

void doc_item_widget::set_row_state(const QString& doc_id, const QString& state) {
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* row = list_->item(i);
        const doc_node_spt doc = doc_of(row);
        if (!doc || doc->id != doc_id)
            continue;
        row->setData(doc_row::state, state);
        if (auto* widget = qobject_cast<doc_list_item*>(list_->itemWidget(row)))
            widget->set_state(state);
    }
}

// Row widgets are made for the rows in view only: making one per row costs
// far more than the row itself.
bool doc_item_widget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        schedule_row_widgets();
    return QWidget::eventFilter(watched, event);
}

void doc_item_widget::schedule_row_widgets() {
    if (widgets_scheduled_)
        return;
    widgets_scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        widgets_scheduled_ = false;
        make_visible_row_widgets();
    });
}

void doc_item_widget::make_visible_row_widgets() {
    if (!list_->isVisible())
        return;
    const int bottom = list_->viewport()->height();
    QListWidgetItem* first = list_->itemAt(QPoint(1, 1));
    for (int i = first ? list_->row(first) : 0; i < list_->count(); ++i) {
        QListWidgetItem* row = list_->item(i);
        if (row->isHidden())
            continue;
        if (list_->visualItemRect(row).top() > bottom)
            break;
        if (!list_->itemWidget(row))
            list_->setItemWidget(row, new doc_list_item(doc_of(row), state_of(row)));
    }
}

// ---- search ----

void doc_item_widget::on_search_doc() {
    status_->setText(status_text::progress(QStringLiteral("正在搜索，请稍候...")));
    actions_->search_docs(
        search_->text(), [this](const action_result_t& r, const QList<doc_node_spt>& docs) {
            if (!r.ok) {
                status_->setText(status_text::failure(QStringLiteral("搜索失败"), r.error));
                return;
            }
            show_search_results(docs);
        });
}

void doc_item_widget::show_search_results(const QList<doc_node_spt>& docs) {
    tree_->blockSignals(true);
    tree_->setCurrentItem(root_);
    tree_->blockSignals(false);
    list_->setProperty("id", QString());
    showing_search_ = true;
    fill_list(docs);
    show_list_or_blank();
    status_->setText(status_text::progress(QStringLiteral("查找到%1个结果").arg(docs.size())));
}

// ---- sending and downloading ----

void doc_item_widget::on_item_doubleclick(QListWidgetItem* item) {
    send_or_download(doc_of(item));
}

void doc_item_widget::send_or_download(const doc_node_spt& doc) {
    if (!doc)
        return;
    const QString path = cache_manager::instance()->doc_path(doc);
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        event_bus::instance()->post(QLatin1String(events::send_clouddoc), {path});
        return;
    }
    download(doc);
}

void doc_item_widget::download(const doc_node_spt& doc) {
    if (!doc || downloading_.contains(doc->id))
        return;
    const download_task_spt task = make_doc_task(doc);
    if (!task) {
        results_.insert(doc->id, state_failed);
        set_row_state(doc->id, state_failed);
        return;
    }
    if (!downloader_) {
        downloader_ = new batch_download(this);
        downloader_->set_max_parallel(3);
        downloader_->set_root(app_paths::instance().cache_dir());
        connect(downloader_, &batch_download::task_finished, this,
                [this](const QString& remote) { on_download_result(remote, true); });
        connect(
            downloader_, &batch_download::task_failed, this,
            [this](const QString& remote, const QString&) { on_download_result(remote, false); });
    }
    downloading_.insert(doc->id);
    results_.remove(doc->id);
    set_row_state(doc->id, state_syncing);
    QStringList& waiting = remote_docs_[task->remote];
    waiting << doc->id;
    if (waiting.size() > 1)
        return; // the same file is on its way already
    downloader_->add_task(task->kind, task->remote, task->local_path);
    downloader_->start();
}

void doc_item_widget::on_download_result(const QString& remote, bool ok) {
    for (const QString& id : remote_docs_.take(remote)) {
        downloading_.remove(id);
        results_.insert(id, ok ? state_done : state_failed);
        set_row_state(id, ok ? state_done : state_failed);
    }
}

// ---- menus ----

bool doc_item_widget::in_attachments(const doc_node_spt& doc) const {
    const data_center& dc = data_center::instance();
    const category_node_spt category = dc.doc_categories().value(doc->classifyId).node;
    if (category)
        return doc_kinds::is_attachments_category(category->classifyName);
    return dc.attachments_category() && dc.attachments_category()->id == doc->classifyId;
}

QList<doc_item_widget::menu_entry_t> doc_item_widget::row_menu(QListWidgetItem* row) {
    const doc_node_spt doc = doc_of(row);
    if (!doc)
        return {};
    const QString path = cache_manager::instance()->doc_path(doc);
    QList<menu_entry_t> entries;
    if (!path.isEmpty() && QFileInfo::exists(path))
        entries << menu_entry_t{QStringLiteral("发送"), [this, doc] { send_or_download(doc); }};
    else
        entries << menu_entry_t{QStringLiteral("同步"), [this, doc] { download(doc); }};
    if (!in_attachments(doc))
        entries << menu_entry_t{QStringLiteral("修改"), [this, doc] { open_update_doc(doc); }}
                << menu_entry_t{QStringLiteral("删除"), [this, doc] { open_delete_doc(doc); }}
                << menu_entry_t{}
                << menu_entry_t{QStringLiteral("复制"),
                                [this, doc] { open_transfer_doc(doc, true); }}
                << menu_entry_t{QStringLiteral("移动"),
                                [this, doc] { open_transfer_doc(doc, false); }};
    entries << menu_entry_t{}
            << menu_entry_t{QStringLiteral("置顶"), [this, doc] { pin_doc(doc, true); }}
            << menu_entry_t{QStringLiteral("置底"), [this, doc] { pin_doc(doc, false); }};
    return entries;
}

QList<doc_item_widget::menu_entry_t> doc_item_widget::tree_menu(QTreeWidgetItem* item) {
    if (!item)
        return {{QStringLiteral("添加本地文档分类"),
                 [this] { open_new_category(true, top_level_id); }}};
    if (item == root_)
        return {
            {QStringLiteral("添加云文档分类"), [this] { open_new_category(false, top_level_id); }}};
    const auto node = item->data(0, doc_role::node).value<category_node_spt>();
    if (!node || doc_kinds::is_marked_category(node->classifyName))
        return {};
    return {{QStringLiteral("修改"), [this, node] { open_update_category(node); }},
            {QStringLiteral("删除"), [this, node] { open_delete_category(node); }},
            {QStringLiteral("添加"), [this, node] { open_new_category(false, node->id); }}};
}

QList<doc_item_widget::menu_entry_t> doc_item_widget::add_menu() {
    const category_node_spt current = current_category();
    const bool closed = current && doc_kinds::is_attachments_category(current->classifyName);
    const QString parent = current ? current->id : top_level_id;
    return {{QStringLiteral("添加文档"), [this] { open_add_doc(); }, !closed},
            {QStringLiteral("添加文档分类"), [this, parent] { open_new_category(false, parent); },
             !closed}};
}

// ---- changes ----

void doc_item_widget::pin_doc(const doc_node_spt& doc, bool to_top) {
    const QString what = to_top ? QStringLiteral("置顶") : QStringLiteral("置底");
    actions_->pin_doc(doc, to_top, [this, doc, what](const action_result_t& r) {
        if (!r.ok) {
            message_(QStringLiteral("%1失败，原因：%2").arg(what, r.error));
            return;
        }
        refresh_category(doc->classifyId, QStringLiteral("刷新分类文档数据失败，原因：%1"));
    });
}

void doc_item_widget::refresh_category(const QString& category_id, const QString& failure_format) {
    actions_->reload_category(category_id, [this, failure_format](const action_result_t& r) {
        if (!r.ok)
            message_(failure_format.arg(r.error));
    });
}

void doc_item_widget::on_rows_changed(const doc_row_change_t& change) {
    if (change.op == doc_row_op::categories_reset) {
        const QString shown = shown_category();
        build_tree();
        if (!shown.isEmpty() && !find_doc_category_item(tree_, shown)) {
            tree_->blockSignals(true);
            tree_->setCurrentItem(root_);
            tree_->blockSignals(false);
            show_all();
        }
        return;
    }
    if (change.op == doc_row_op::updated) {
        for (const QString& id : change.ids)
            if (QListWidgetItem* row = row_of(id))
                if (auto* widget = qobject_cast<doc_list_item*>(list_->itemWidget(row)))
                    widget->set_title(doc_of(row)->keywords);
        return;
    }
    if (change.op == doc_row_op::removed && showing_search_) {
        for (const QString& id : change.ids)
            delete row_of(id);
        return;
    }
    if (showing_search_)
        return;
    const QString shown = shown_category();
    if (shown.isEmpty())
        show_all();
    else if (change.category_id.isEmpty() || change.category_id == shown)
        show_category(shown);
}

// ---- dialogs ----

template <class D> D* doc_item_widget::opened(D* dialog) {
    dialog->show();
    return dialog;
}

add_doc_dialog* doc_item_widget::open_add_doc() {
    const category_node_spt current = current_category();
    if (current && doc_kinds::is_attachments_category(current->classifyName)) {
        message_(QStringLiteral("该分类暂未开放修改功能，试试其他分类吧"));
        return nullptr;
    }
    auto* dialog = new add_doc_dialog(current ? current->id : QString(), this);
    connect(dialog, &add_doc_dialog::refresh_category_requested, this, [this](const QString& id) {
        refresh_category(id, QStringLiteral("刷新分类下的文档失败，原因：%1"));
    });
    return opened(dialog);
}

update_doc_item_dialog* doc_item_widget::open_update_doc(const doc_node_spt& doc) {
    return opened(new update_doc_item_dialog(doc, this));
}

delete_doc_dialog* doc_item_widget::open_delete_doc(const doc_node_spt& doc) {
    return opened(new delete_doc_dialog(doc, this));
}

doc_transfer_dialog* doc_item_widget::open_transfer_doc(const doc_node_spt& doc, bool copy) {
    auto* dialog = new doc_transfer_dialog(doc, copy, this);
    const QString source = doc ? doc->classifyId : QString();
    connect(dialog, &doc_transfer_dialog::transfer_finished, this, [this, dialog, source, copy] {
        const QString failure = QStringLiteral("刷新分类文档数据失败，原因：%1");
        if (!copy)
            refresh_category(source, failure);
        refresh_category(dialog->chooser()->category_id(), failure);
    });
    return opened(dialog);
}

new_doc_category* doc_item_widget::open_new_category(bool local, const QString& parent_id) {
    return opened(new new_doc_category(local, parent_id, this));
}

update_doc_category* doc_item_widget::open_update_category(const category_node_spt& category) {
    return opened(new update_doc_category(category, this));
}

delete_doc_category* doc_item_widget::open_delete_category(const category_node_spt& category) {
    return opened(new delete_doc_category(category, false, this));
}

} // namespace quorvel
