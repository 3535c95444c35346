#include "ui/stickers/select_sticker_widget.h"

#include "model/data_center.h"
#include "model/session_state.h"
#include "sync/cache_manager.h"
#include "sync/load_image_task.h"
#include "ui/library/select_department_menu.h"
#include "ui/stickers/scope_choice.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/flow_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QStackedLayout>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quorvel {

namespace {

constexpr int item_side = 80;
constexpr int thumbnail_side = 45;
constexpr int category_role = Qt::UserRole;

} // namespace

scrollable_flow_widget::scrollable_flow_widget(QWidget* parent)
    : QScrollArea(parent), flow_(new flow_layout_widget(5, 5, 5)) {
    setWidgetResizable(true);
    setWidget(flow_);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const QString name = QStringLiteral("scrollable_flow_%1").arg(quintptr(this), 0, 16);
    setObjectName(name);
    setStyleSheet(
        QStringLiteral("QWidget#%1 {border: none; border-bottom: 1px solid gray;}").arg(name));
}

selectable_sticker_item::selectable_sticker_item(const sticker_node_spt& sticker, const QSize& size,
                                                 QWidget* parent)
    : QWidget(parent), sticker_(sticker), image_(new QLabel(this)), check_(new QCheckBox(this)) {
    setFixedSize(size);
    setProperty("sticker", QVariant::fromValue(sticker));
    image_->setFixedSize(size);
    image_->setScaledContents(true);
    image_->setAlignment(Qt::AlignCenter);
    check_->raise();
    connect(check_, &QCheckBox::toggled, this, &selectable_sticker_item::check_state_changed);
}

void selectable_sticker_item::set_pixmap(const QPixmap& pixmap) {
    image_->setPixmap(pixmap);
}

void selectable_sticker_item::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize box = check_->sizeHint();
    check_->setGeometry(width() - box.width() - 5, height() - box.height() - 5, box.width(),
                        box.height());
}

select_sticker_widget::select_sticker_widget(QWidget* parent)
    : base_dialog(parent), scope_(new QComboBox), department_(new select_department_combobox),
      tree_(new QTreeWidget), pages_(new QStackedLayout), strip_(new QHBoxLayout),
      insert_(new custom_button), close_(new custom_button) {
    setAttribute(Qt::WA_DeleteOnClose);
    set_title(QStringLiteral("选择表情文件"));
    setFixedSize(700, 600);

    auto* left = new QWidget(this);
    left->setObjectName(QStringLiteral("left_pane"));
    left->setStyleSheet(QStringLiteral("QWidget#left_pane{border: none; border-right: 1px solid "
                                       "gray; border-bottom: 1px solid gray;}"));
    left->setFixedWidth(168);
    auto* form = new QFormLayout(left);
    form->setContentsMargins(1, 1, 1, 1);
    scope_->addItems({QStringLiteral("公共"), QStringLiteral("个人"), QStringLiteral("部门")});
    form->addRow(scope_);
    form->addRow(department_);
    form->addRow(tree_);
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->setHeaderHidden(true);
    tree_->setIndentation(5);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(left);
    top->addLayout(pages_, 1);
    pages_->addWidget(new QWidget); // before a category is chosen

    strip_->setContentsMargins(0, 10, 0, 10);
    strip_->setSpacing(5);
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 10, 20, 10);
    column->setSpacing(5);
    insert_->setText(QStringLiteral("插入"));
    close_->setText(QStringLiteral("关闭"));
    column->addWidget(insert_);
    column->addWidget(close_);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(strip_);
    bottom->addStretch();
    bottom->addLayout(column);

    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    add_content_layout(layout);

    const dept_tree_node_spt dept = session_state::instance().default_department();
    if (dept)
        dept_id_ = dept->id;
    choose_department(dept_id_, dept_name(dept_id_));
    connect(department_, &select_department_combobox::item_selected, this,
            &select_sticker_widget::choose_department);
    connect(scope_, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &select_sticker_widget::rebuild_tree);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            &select_sticker_widget::on_category_changed);
    connect(insert_, &QToolButton::clicked, this, &select_sticker_widget::on_ok);
    connect(close_, &QToolButton::clicked, this, &QWidget::close);
    rebuild_tree();
}

select_sticker_widget::~select_sticker_widget() {
    for (const QPointer<QThread>& thread : std::as_const(loaders_))
        if (thread) {
            thread->quit();
            thread->wait();
        }
}

void select_sticker_widget::choose_department(const QString& id, const QString& name) {
    dept_id_ = id;
    department_->setText(name);
    department_->setProperty("id", id);
    if (scope_->currentIndex() == int(protocol::part::dept))
        rebuild_tree();
}

void select_sticker_widget::rebuild_tree() {
    const int type = scope_->currentIndex();
    const bool dept = type == int(protocol::part::dept);
    department_->setVisible(dept);
    tree_->clear();
    const category_tree_t* tree = data_center::instance().category_tree(
        library_kind::stickers, type, dept ? dept_id_ : QString());
    if (tree)
        add_children(*tree, top_level_id, nullptr);
    tree_->expandAll();
}

void select_sticker_widget::add_children(const category_tree_t& tree, const QString& parent_id,
                                         QTreeWidgetItem* parent_item) {
    QSet<QString> seen;
    for (const category_node_spt& c : tree.value(parent_id).children) {
        if (!c || seen.contains(c->id) || c->id == parent_id)
            continue;
        seen.insert(c->id);
        auto* item = parent_item ? new QTreeWidgetItem(parent_item) : new QTreeWidgetItem(tree_);
        item->setText(0, c->classifyName);
        item->setData(0, category_role, QVariant::fromValue(c));
        add_children(tree, c->id, item);
    }
}

QWidget* select_sticker_widget::current_page() const {
    return pages_->currentWidget();
}

void select_sticker_widget::on_category_changed(QTreeWidgetItem* current, QTreeWidgetItem*) {
    const auto category =
        current ? current->data(0, category_role).value<category_node_spt>() : category_node_spt();
    if (!category)
        return;
    scrollable_flow_widget* page = pages_by_id_.value(category->id);
    if (!page)
        page = build_page(category->id);
    pages_->setCurrentWidget(page);
}

scrollable_flow_widget* select_sticker_widget::build_page(const QString& category_id) {
    auto* page = new scrollable_flow_widget;
    QStringList paths;
    for (const sticker_node_spt& sticker :
         data_center::instance().stickers_by_category().value(category_id)) {
        auto* item = new selectable_sticker_item(sticker, QSize(item_side, item_side));
        const QString path = cache_manager::instance()->sticker_path(sticker);
        item->setProperty("path", path);
        page->flow()->insert_widget(page->flow()->layout_of()->count(), item);
        connect(item, &selectable_sticker_item::check_state_changed, this,
                [this, item](bool checked) { on_checked(item, checked); });
        if (!path.isEmpty() && !paths.contains(path))
            paths << path;
    }
    pages_by_id_.insert(category_id, page);
    pages_->addWidget(page);
    load_images(page, paths);
    return page;
}

void select_sticker_widget::load_images(scrollable_flow_widget* page, const QStringList& paths) {
    if (paths.isEmpty())
        return;
    auto* thread = new QThread;
    auto* task = new load_image_task(QSize(item_side, item_side), paths, page);
    task->moveToThread(thread);
    connect(thread, &QThread::started, task, &load_image_task::start);
    connect(task, &load_image_task::finished, thread, &QThread::quit);
    connect(thread, &QThread::finished, task, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(task, &load_image_task::task_finished, page,
            [page](const QString& path, const QPixmap& pixmap) {
                for (auto* item : page->findChildren<selectable_sticker_item*>())
                    if (item->property("path").toString() == path)
                        item->set_pixmap(pixmap);
            });
    loaders_ << thread;
    thread->start();
}

QList<selectable_sticker_item*> select_sticker_widget::items(const QString& category_id) const {
    scrollable_flow_widget* page = pages_by_id_.value(category_id);
    QList<selectable_sticker_item*> out;
    if (!page)
        return out;
    const flow_layout* layout = page->flow()->layout_of();
    for (int i = 0; i < layout->count(); ++i)
        if (auto* item = qobject_cast<selectable_sticker_item*>(layout->itemAt(i)->widget()))
            out << item;
    return out;
}

void select_sticker_widget::on_checked(selectable_sticker_item* item, bool checked) {
    const sticker_node_spt sticker = item->sticker();
    if (checked) {
        auto* thumbnail = new QLabel;
        thumbnail->setFixedSize(thumbnail_side, thumbnail_side);
        thumbnail->setScaledContents(true);
        thumbnail->setPixmap(QPixmap(cache_manager::instance()->sticker_path(sticker)));
        thumbnail->setProperty("node", QVariant::fromValue(sticker));
        strip_->addWidget(thumbnail);
        return;
    }
    for (int i = 0; i < strip_->count(); ++i) {
        QWidget* thumbnail = strip_->itemAt(i)->widget();
        const auto node =
            thumbnail ? thumbnail->property("node").value<sticker_node_spt>() : sticker_node_spt();
        if (node && sticker && node->id == sticker->id) {
            strip_->removeWidget(thumbnail);
            thumbnail->deleteLater();
            return;
        }
    }
}

QList<sticker_node_spt> select_sticker_widget::chosen() const {
    QList<sticker_node_spt> stickers;
    for (int i = 0; i < strip_->count(); ++i)
        if (QWidget* thumbnail = strip_->itemAt(i)->widget())
            stickers << thumbnail->property("node").value<sticker_node_spt>();
    return stickers;
}

void select_sticker_widget::on_ok() {
    emit selected_result(chosen());
    close();
}

} // namespace quorvel
