#include "ui/stickers/sticker_item_widget.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "integration/composition.h"
#include "model/session_state.h"
#include "sync/batch_download.h"
#include "sync/cache_manager.h"
#include "ui/kb/delete_category_widget.h"
#include "ui/kb/update_category_widget.h"
#include "ui/library/category_button.h"
#include "ui/library/category_flow_widget.h"
#include "ui/stickers/add_sticker_dialog.h"
#include "ui/stickers/blank_widgets.h"
#include "ui/stickers/delete_sticker_dialog.h"
#include "ui/stickers/new_sticker_category.h"
#include "ui/stickers/sticker_flow_widget.h"
#include "ui/stickers/sticker_item.h"
#include "ui/stickers/sticker_preview_dialog.h"
#include "ui/stickers/sticker_row_model.h"
#include "ui/stickers/sticker_transfer_category.h"
#include "ui/stickers/transfer_sticker_dialog.h"
#include "ui/stickers/update_sticker_dialog.h"

#include <QFileInfo>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

bool is_dept(int type) {
    return type == int(protocol::part::dept);
}

// The menu entries; an empty text stands for a separator.
void add_entries(QMenu* menu, const QList<QPair<QString, std::function<void()>>>& entries) {
    for (const auto& [text, run] : entries) {
        if (text.isEmpty()) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(text);
        if (run)
            QObject::connect(action, &QAction::triggered, menu, run);
        else
            action->setEnabled(false);
    }
}

sticker_flow_widget* page_of(QWidget* tile) {
    QWidget* w = tile;
    while (w && !qobject_cast<sticker_flow_widget*>(w))
        w = w->parentWidget();
    return static_cast<sticker_flow_widget*>(w);
}

} // namespace

sticker_item_widget::sticker_item_widget(int type, QWidget* parent)
    : QWidget(parent), type_(type), splitter_(new QSplitter(Qt::Vertical, this)),
      bar_(new category_flow_widget), plus_(new category_button), pages_(new QStackedWidget),
      empty_(new blank_widget), no_stickers_(new blank_sticker_flow_widget),
      model_(new sticker_row_model(type, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 0, 1);
    layout->addWidget(splitter_);
    splitter_->setHandleWidth(2);
    bar_->setMinimumHeight(160);
    splitter_->addWidget(bar_);
    splitter_->addWidget(pages_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 2);
    pages_->addWidget(empty_);
    pages_->addWidget(no_stickers_);

    plus_->setText(QStringLiteral("+"));
    plus_->setCheckable(false);
    bar_->insert_button(0, plus_);
    connect(plus_, &QToolButton::clicked, this, &sticker_item_widget::open_new_category);
    connect(no_stickers_, &blank_sticker_flow_widget::add_button_clicked, this,
            [this] { open_add_dialog(checked_category()); });
    connect(model_, &sticker_row_model::rows_changed, this, &sticker_item_widget::on_rows_changed);
    load();
}

// ---- building ----

void sticker_item_widget::load() {
    data_center& dc = data_center::instance();
    if (is_dept(type_)) {
        dept_id_ = dc.sticker_dept_id();
        if (dept_id_.isEmpty()) {
            if (const dept_tree_node_spt dept = session_state::instance().default_department())
                dc.set_sticker_dept_id(dept_id_ = dept->id); // view state, not library
        }
        model_->set_dept(dept_id_);
    }
    const category_tree_t* tree = dc.category_tree(library_kind::stickers, type_, dept_id_);
    const QList<category_node_spt> tops =
        tree ? tree->value(top_level_id).children : QList<category_node_spt>();
    for (const category_node_spt& category : tops)
        add_category(category);
    if (!buttons_.isEmpty())
        check_category(category_ids().first());
    else
        pages_->setCurrentIndex(empty_page);
}

void sticker_item_widget::clear() {
    for (const QString& id : buttons_.keys())
        remove_category(id);
    pages_->setCurrentIndex(empty_page);
}

void sticker_item_widget::switch_department(const QString& dept_id) {
    if (!is_dept(type_))
        return;
    clear();
    data_center::instance().set_sticker_dept_id(dept_id);
    load();
}

category_node_spt sticker_item_widget::category(const QString& category_id) const {
    return data_center::instance().find_category(library_kind::stickers, type_, dept_id_,
                                                 category_id);
}

sticker_flow_widget* sticker_item_widget::add_category(const category_node_spt& category) {
    if (!category || buttons_.contains(category->id))
        return nullptr;
    category_button* button = bar_->insert_button(bar_->count() - 1, category->classifyName);
    button->setCheckable(true);
    button->setProperty("id", category->id);
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(button, &QToolButton::toggled, this, [this](bool on) {
        if (on)
            show_checked_page();
    });
    connect(button, &QWidget::customContextMenuRequested, this, [this, button] {
        category_menu(button)->popup(button->mapToGlobal(button->rect().bottomLeft()));
    });
    buttons_.insert(category->id, button);

    auto* page = new sticker_flow_widget(category->id);
    connect(page, &QWidget::customContextMenuRequested, this, [this, page](const QPoint& at) {
        QWidget* under = page->widget()->childAt(page->widget()->mapFrom(page, at));
        while (under && !qobject_cast<sticker_item*>(under))
            under = under->parentWidget();
        QMenu* menu = under ? sticker_menu(static_cast<sticker_item*>(under)) : page_menu(page);
        menu->popup(page->mapToGlobal(at));
    });
    connect(page, &sticker_flow_widget::tile_added, this, [this](sticker_item* tile) {
        connect(tile, &sticker_item::image_clicked, this, [this, tile] { preview(tile); });
        connect(tile, &sticker_item::image_double_clicked, this, [this, tile] { send(tile); });
    });
    pages_by_id_.insert(category->id, page);
    pages_->addWidget(page);
    fill_page(page);
    return page;
}

void sticker_item_widget::fill_page(sticker_flow_widget* page) {
    for (const sticker_node_spt& sticker :
         data_center::instance().stickers_by_category().value(page->category_id()))
        page->add_tile(sticker);
}

void sticker_item_widget::remove_category(const QString& category_id) {
    if (category_button* button = buttons_.take(category_id)) {
        bar_->take_button(button);
        button->hide();
        button->deleteLater();
    }
    if (sticker_flow_widget* page = pages_by_id_.take(category_id)) {
        pages_->removeWidget(page);
        page->deleteLater();
    }
}

void sticker_item_widget::after_category_removed(bool was_checked) {
    if (buttons_.isEmpty())
        pages_->setCurrentIndex(empty_page);
    else if (was_checked || !bar_->checked_button())
        check_category(category_ids().first());
}

// ---- reading ----

category_button* sticker_item_widget::button(const QString& category_id) const {
    return buttons_.value(category_id);
}

sticker_flow_widget* sticker_item_widget::page(const QString& category_id) const {
    return pages_by_id_.value(category_id);
}

QStringList sticker_item_widget::category_ids() const {
    QStringList ids;
    for (int i = 0; i < bar_->count(); ++i)
        if (QWidget* b = bar_->button_at(i); b && b != plus_)
            ids << b->property("id").toString();
    return ids;
}

QString sticker_item_widget::checked_category() const {
    QAbstractButton* checked = bar_->checked_button();
    return checked ? checked->property("id").toString() : QString();
}

void sticker_item_widget::check_category(const QString& category_id) {
    if (category_button* b = buttons_.value(category_id)) {
        b->setChecked(true);
        show_checked_page();
    }
}

void sticker_item_widget::show_checked_page() {
    sticker_flow_widget* page = pages_by_id_.value(checked_category());
    if (!page)
        pages_->setCurrentIndex(buttons_.isEmpty() ? empty_page : no_stickers_page);
    else if (page->tile_count() == 0)
        pages_->setCurrentIndex(no_stickers_page);
    else
        pages_->setCurrentWidget(page);
}

sticker_item* sticker_item_widget::tile_of(const QString& category_id,
                                           const QString& sticker_id) const {
    sticker_flow_widget* page = pages_by_id_.value(category_id);
    return page ? page->tile(sticker_id) : nullptr;
}

bool sticker_item_widget::ensure_category(const category_node_spt& category) {
    if (!category || category->classifyType != QString::number(type_) ||
        category->superId != top_level_id || (is_dept(type_) && category->deptId != dept_id_))
        return false;
    const bool first = buttons_.isEmpty();
    if (sticker_flow_widget* page = add_category(category)) {
        if (first)
            check_category(category->id);
    } else if (sticker_flow_widget* existing = pages_by_id_.value(category->id)) {
        fill_page(existing);
        existing->load_images(true);
        if (checked_category() == category->id)
            show_checked_page();
    }
    return true;
}

void sticker_item_widget::ensure_tile(const sticker_node_spt& sticker) {
    sticker_flow_widget* page = sticker ? pages_by_id_.value(sticker->classifyId) : nullptr;
    if (!page)
        return;
    page->add_tile(sticker);
    if (checked_category() == sticker->classifyId)
        show_checked_page();
}

// ---- the store ----

void sticker_item_widget::on_rows_changed(const sticker_row_change_t& change) {
    if (change.op == sticker_row_op::reset) {
        clear();
        load();
    } else if (change.categories) {
        on_categories_changed(change);
    } else {
        on_stickers_changed(change);
    }
}

void sticker_item_widget::on_stickers_changed(const sticker_row_change_t& change) {
    sticker_flow_widget* page = pages_by_id_.value(change.category_id);
    if (!page)
        return;
    switch (change.op) {
    case sticker_row_op::inserted:
        for (const sticker_node_spt& sticker : change.stickers)
            page->add_tile(sticker);
        break;
    case sticker_row_op::removed:
        if (change.ids.isEmpty())
            page->clear_tiles();
        for (const QString& id : change.ids)
            page->remove_tile(id);
        break;
    case sticker_row_op::updated:
        for (int i = 0; i < change.ids.size(); ++i)
            if (sticker_item* tile = page->tile(change.ids[i]); tile && change.stickers.value(i))
                tile->set_sticker(change.stickers.value(i));
        break;
    default:
        page->clear_tiles();
        fill_page(page);
    }
    if (checked_category() == change.category_id)
        show_checked_page();
}

void sticker_item_widget::on_categories_changed(const sticker_row_change_t& change) {
    const bool was_checked = change.ids.contains(checked_category());
    switch (change.op) {
    case sticker_row_op::inserted:
        for (const category_node_spt& category : change.category_records)
            ensure_category(category);
        break;
    case sticker_row_op::removed:
        for (const QString& id : change.ids)
            remove_category(id);
        after_category_removed(was_checked);
        break;
    case sticker_row_op::updated:
        for (int i = 0; i < change.ids.size(); ++i)
            if (category_button* b = buttons_.value(change.ids[i]);
                b && change.category_records.value(i))
                b->setText(change.category_records.value(i)->classifyName);
        break;
    default:
        break;
    }
}

// ---- menus ----

QMenu* sticker_item_widget::category_menu(category_button* button) {
    const category_node_spt node = category(button->property("id").toString());
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (!node)
        return menu;
    add_entries(
        menu, {{QStringLiteral("修改分类"), [this, node] { open_rename_category(node); }},
               {QStringLiteral("删除分类"), [this, node] { open_delete_category(node); }},
               {QString(), nullptr},
               {QStringLiteral("复制分类"), [this, node] { open_transfer_category(node, true); }},
               {QStringLiteral("移动分类"), [this, node] { open_transfer_category(node, false); }},
               {QString(), nullptr},
               {QStringLiteral("添加表情"), [this, node] { open_add_dialog(node->id); }}});
    return menu;
}

QMenu* sticker_item_widget::sticker_menu(sticker_item* tile) {
    const sticker_node_spt s = tile->sticker();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    add_entries(menu,
                {{QStringLiteral("修改表情"), [this, s] { open_update_sticker(s); }},
                 {QStringLiteral("删除表情"), [this, s] { open_delete_sticker(s); }},
                 {QString(), nullptr},
                 {QStringLiteral("复制表情"), [this, s] { open_transfer_sticker(s, true); }},
                 {QStringLiteral("移动表情"), [this, s] { open_transfer_sticker(s, false); }},
                 {QString(), nullptr},
                 {QStringLiteral("添加表情"), [this, s] { open_add_dialog(s->classifyId); }},
                 {QString(), nullptr},
                 {QStringLiteral("复制到粘贴板"), [this, tile = QPointer<sticker_item>(tile)] {
                      if (tile)
                          copy_to_clipboard(tile);
                  }}});
    return menu;
}

QMenu* sticker_item_widget::page_menu(sticker_flow_widget* page) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString id = page->category_id();
    add_entries(menu, {{QStringLiteral("添加表情"), [this, id] { open_add_dialog(id); }}});
    return menu;
}

// ---- tiles ----

void sticker_item_widget::preview(sticker_item* tile) {
    auto* dialog = new sticker_preview_dialog(tile->path());
    dialog->show();
}

void sticker_item_widget::send(sticker_item* tile) {
    with_file(tile, [](const QString& path) {
        event_bus::instance()->post(QLatin1String(events::send_sticker), {path});
    });
}

void sticker_item_widget::copy_to_clipboard(sticker_item* tile) {
    with_file(tile, [](const QString& path) { copy_file_to_clipboard(path); });
}

void sticker_item_widget::with_file(sticker_item* tile, std::function<void(const QString&)> then) {
    const QString path = tile->path();
    if (!path.isEmpty() && QFileInfo(path).isFile())
        return then(path);
    const sticker_node_spt sticker = tile->sticker();
    const download_task_spt task = make_sticker_task(sticker);
    if (!task || path.isEmpty()) {
        tile->set_failed(QStringLiteral("表情没有可下载的文件"));
        emit send_failed(sticker ? sticker->id : QString(), tile->title()->toolTip());
        return;
    }
    // The chat window must never get a path that names nothing: fetch first.
    auto* fetch = new batch_download(tile);
    QPointer<sticker_item> alive(tile);
    connect(fetch, &batch_download::task_progress, tile,
            [alive](const QString&, qint64 done, qint64 total) {
                if (alive)
                    alive->set_progress(done, total);
            });
    connect(fetch, &batch_download::task_failed, this,
            [this, alive, sticker](const QString&, const QString& error) {
                spdlog::warn("sticker {} file not fetched: {}", sticker->id.toStdString(),
                             error.toStdString());
                if (alive)
                    alive->set_failed(error);
                emit send_failed(sticker->id, error);
            });
    connect(fetch, &batch_download::task_finished, this, [alive, path, then](const QString&) {
        if (alive) {
            alive->show_title();
            if (sticker_flow_widget* page = page_of(alive))
                page->load_images(true);
        }
        then(path);
    });
    connect(fetch, &batch_download::all_tasks_finished, fetch, &QObject::deleteLater);
    tile->set_progress(0, 0);
    fetch->add_tasks({task});
    fetch->start();
}

// ---- dialogs ----

void sticker_item_widget::open_add_dialog(const QString& category_id) {
    (new add_sticker_dialog(type_, category_id))->show();
}

void sticker_item_widget::open_new_category() {
    (new new_sticker_category(type_))->show();
}

// The shared category dialogs change the store; the page follows its report.
void sticker_item_widget::open_rename_category(const category_node_spt& category) {
    auto* dialog = new update_category_widget(category);
    dialog->resize(400, 128);
    dialog->show();
}

void sticker_item_widget::open_delete_category(const category_node_spt& category) {
    (new delete_category_widget(category))->show();
}

void sticker_item_widget::open_transfer_category(const category_node_spt& category, bool copy) {
    auto* dialog = new sticker_transfer_category(category, copy);
    connect(dialog, &sticker_transfer_category::transfer_finished, this,
            [](const category_node_spt& placed) {
                event_bus::instance()->post(QLatin1String(events::sticker_transfer_category),
                                            {QVariant::fromValue(placed)});
            });
    dialog->show();
}

void sticker_item_widget::open_update_sticker(const sticker_node_spt& sticker) {
    (new update_sticker_dialog(sticker))->show();
}

void sticker_item_widget::open_delete_sticker(const sticker_node_spt& sticker) {
    (new delete_sticker_dialog(sticker))->show();
}

void sticker_item_widget::open_transfer_sticker(const sticker_node_spt& sticker, bool copy) {
    auto* dialog = new transfer_sticker_dialog(sticker, copy);
    connect(dialog, &transfer_sticker_dialog::sticker_transfer_requested, this,
            [](const sticker_node_spt& placed) {
                event_bus::instance()->post(QLatin1String(events::sticker_transfer_sticker),
                                            {QVariant::fromValue(placed)});
            });
    dialog->show();
}

} // namespace quorvel
