#include "ui/kb/kb_search_widget.h"

#include "app/app_paths.h"
#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "integration/composition.h"
#include "model/data_center.h"
#include "net/actions/script_actions.h"
#include "net/connection_state.h"
#include "ui/kb/script_item.h"
#include "ui/widgets/custom_toolbutton.h"
#include "ui/widgets/flow_layout.h"
#include "ui/widgets/plain_text.h"

#include <QActionGroup>
#include <QDateTime>
#include <QHBoxLayout>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

const char history_group[] = "history";
const char* const group_titles[] = {"近期发送话术", "公共话术", "个人话术", "部门话术"};

QString title_of(int group) {
    return QString::fromUtf8(group_titles[group]);
}

// Invalid or missing dates sort as the oldest.
qint64 update_key(const script_node_spt& script) {
    const QDateTime at =
        QDateTime::fromString(script->lastUpdateDate, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return at.isValid() ? at.toMSecsSinceEpoch() : LLONG_MIN;
}

QList<script_node_spt> sorted_by_mode(QList<script_node_spt> list, int mode) {
    auto by_sort = [](const script_node_spt& a, const script_node_spt& b) {
        return a->sort < b->sort;
    };
    auto newest = [](const script_node_spt& a, const script_node_spt& b) {
        return update_key(a) > update_key(b);
    };
    auto oldest = [](const script_node_spt& a, const script_node_spt& b) {
        return update_key(a) < update_key(b);
    };
    if (mode == kb_search_widget::newest_first)
        std::stable_sort(list.begin(), list.end(), newest);
    else if (mode == kb_search_widget::oldest_first)
        std::stable_sort(list.begin(), list.end(), oldest);
    else
        std::stable_sort(list.begin(), list.end(), by_sort);
    return list;
}

void set_group_icon(QTreeWidget* tree, QTreeWidgetItem* row) {
    if (auto* button = qobject_cast<QToolButton*>(tree->itemWidget(row, 0)))
        button->setIcon(QIcon(row->isExpanded() ? QStringLiteral(":/images/icon/expanded.png")
                                                : QStringLiteral(":/images/icon/collapsed.png")));
}

} // namespace

kb_search_widget::kb_search_widget(QWidget* parent)
    : QWidget(parent), scope_(new QComboBox), edit_(new QLineEdit), clear_(new custom_toolbutton),
      sort_(new custom_toolbutton), tree_(new QTreeWidget), status_(new QLabel), groups_{},
      scripts_(new script_actions(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->addWidget(build_top_bar());
    auto* tree_box = new QVBoxLayout;
    tree_box->setContentsMargins(0, 2, 0, 0);
    status_->setWordWrap(true);
    status_->setStyleSheet(QStringLiteral("QLabel{color: #c0392b; padding: 4px;}"));
    status_->hide();
    tree_box->addWidget(status_);
    tree_box->addWidget(tree_);
    layout->addLayout(tree_box);

    tree_->setColumnCount(1);
    tree_->setHeaderHidden(true);
    tree_->setIndentation(0);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int i = 0; i < group_count; ++i)
        add_group(i, title_of(i));
    for (int i = public_group; i < group_count; ++i)
        groups_[i]->setHidden(true);

    connect(tree_, &QWidget::customContextMenuRequested, this,
            &kb_search_widget::on_menu_requested);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) {
        if (const script_node_spt script = script_of(row))
            send(script, true);
    });
    connect(tree_, &QTreeWidget::itemClicked, this, [](QTreeWidgetItem* row) {
        if (row->childCount() > 0)
            row->setExpanded(!row->isExpanded());
    });
    connect(tree_, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* row) { set_group_icon(tree_, row); });
    connect(tree_, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* row) { set_group_icon(tree_, row); });
    load_recent();
}

QWidget* kb_search_widget::build_top_bar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("top_widget"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedHeight(40);
    // The page must not widen the docked main window beyond the others.
    bar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    bar->setStyleSheet(QStringLiteral(
        "QWidget#top_widget{background-color: white; border-style: solid; border-width: 1px; "
        "border-color: gray;}"));
    auto* row = new QHBoxLayout(bar);
    row->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    scope_->addItems({QStringLiteral("公共"), QStringLiteral("个人"), QStringLiteral("部门")});
    scope_->setStyleSheet(QStringLiteral(
        "QComboBox{border: node; border-right: 1px solid gray; background-color: white;}"
        "QComboBox::drop-down{background: transparent;}"
        "QComboBox::down-arrow{ image: url(:/images/icon/arrow_normal.png); width: 12px; height: "
        "12px;}"));
    scope_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    scope_->setFixedWidth(
        QFontMetrics(scope_->font()).boundingRect(QStringLiteral("公共")).width() + 40);
    edit_->setStyleSheet(QStringLiteral("QLineEdit{border: none;}"));
    edit_->setPlaceholderText(QStringLiteral("搜索话术，双击发送"));
    set_state_icon(clear_, QStringLiteral("icon/close"));
    set_state_icon(sort_, QStringLiteral("icon/sort"));
    sort_->setToolTip(QStringLiteral("排序方式"));
    row->addWidget(scope_);
    row->addWidget(edit_);
    row->addWidget(clear_);
    row->addWidget(sort_);

    connect(edit_, &QLineEdit::returnPressed, this, &kb_search_widget::on_search);
    connect(clear_, &QToolButton::clicked, this, &kb_search_widget::on_clear_input);
    connect(sort_, &QToolButton::clicked, this, &kb_search_widget::on_sort);
    return bar;
}

void kb_search_widget::add_group(int index, const QString& title) {
    auto* row = new QTreeWidgetItem(tree_);
    groups_[index] = row;
    auto* button = new QToolButton;
    QFont font = button->font();
    font.setPointSize(12);
    button->setFont(font);
    button->setFixedHeight(QFontMetrics(font).height() + 10);
    button->setStyleSheet(QStringLiteral("border: none;"));
    button->setIcon(QIcon(QStringLiteral(":/images/icon/collapsed.png")));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tree_->setItemWidget(row, 0, button);
    set_group_title(index, title);
    connect(button, &QToolButton::clicked, this, [row] { row->setExpanded(!row->isExpanded()); });
    row->setExpanded(true);
    set_group_icon(tree_, row);
}

void kb_search_widget::set_group_title(int index, const QString& title) {
    if (auto* button = qobject_cast<QToolButton*>(tree_->itemWidget(groups_[index], 0))) {
        button->setText(title);
        button->setToolTip(plain_tooltip(title));
    }
}

QMenu* kb_search_widget::sort_menu() {
    if (sort_menu_)
        return sort_menu_;
    sort_menu_ = new QMenu(sort_);
    auto* modes = new QActionGroup(sort_menu_);
    modes->setExclusive(true);
    const std::pair<const char*, void (kb_search_widget::*)()> entries[] = {
        {"保持原来的顺序", &kb_search_widget::on_original_sort},
        {"按更新时间降序", &kb_search_widget::on_desc_result},
        {"按更新时间升序", &kb_search_widget::on_asce_result}};
    for (const auto& [text, slot] : entries) {
        QAction* action = sort_menu_->addAction(QString::fromUtf8(text));
        action->setCheckable(true);
        modes->addAction(action);
        connect(action, &QAction::triggered, this, slot);
    }
    sort_menu_->actions().first()->setChecked(true);
    return sort_menu_;
}

script_node_spt kb_search_widget::script_of(const QTreeWidgetItem* row) {
    return row ? row->data(0, Qt::UserRole).value<script_node_spt>() : script_node_spt();
}

// ---- searching and showing ----

void kb_search_widget::on_search() {
    const QString text = edit_->text().trimmed();
    if (text.isEmpty())
        return;
    // Offline the server cannot answer; the input box still searches the local library.
    if (connection_state::instance().offline()) {
        show_failure(QStringLiteral("离线使用中，搜索不可用；可在下方输入框按 Alt+E 搜索本地资料"));
        return;
    }
    scripts_->search_scripts(
        scope_->currentIndex(), text,
        [this](const action_result_t& result, const QList<script_node_spt>& found) {
            if (result.ok) {
                status_->hide();
                show_results(found);
                return;
            }
            spdlog::debug("search scripts failed, reason: {}", result.error.toStdString());
            const QString reason = result.error.trimmed().isEmpty()
                                       ? QStringLiteral("无法连接服务器")
                                       : result.error.trimmed();
            show_failure(QStringLiteral("搜索失败：%1").arg(reason));
        });
}

void kb_search_widget::on_clear_input() {
    edit_->clear();
}

void kb_search_widget::on_sort() {
    sort_menu()->exec(sort_->mapToGlobal(QPoint(0, sort_->height())));
}

void kb_search_widget::on_original_sort() {
    resort(keep_order);
}

void kb_search_widget::on_desc_result() {
    resort(newest_first);
}

void kb_search_widget::on_asce_result() {
    resort(oldest_first);
}

void kb_search_widget::resort(int mode) {
    sort_mode_ = mode;
    QList<script_node_spt> shown;
    for (int g = public_group; g < group_count; ++g)
        for (int i = 0; i < groups_[g]->childCount(); ++i)
            if (const script_node_spt script = script_of(groups_[g]->child(i)))
                shown << script;
    show_results(shown);
}

void kb_search_widget::show_results(const QList<script_node_spt>& scripts) {
    for (int g = public_group; g < group_count; ++g) {
        clear_group(groups_[g]);
        groups_[g]->setHidden(true);
    }
    tree_->setUpdatesEnabled(false);
    // Scope index 0, 1, 2 is the group after the recent one.
    QTreeWidgetItem* target = groups_[public_group + qBound(0, scope_->currentIndex(), 2)];
    for (const script_node_spt& script : sorted_by_mode(scripts, sort_mode_)) {
        if (!script)
            continue;
        target->setHidden(false);
        add_row(target, script);
    }
    for (int g = public_group; g < group_count; ++g)
        set_group_title(g, QStringLiteral("%1(%2)").arg(title_of(g)).arg(groups_[g]->childCount()));
    number_rows();
    tree_->setUpdatesEnabled(true);
}

void kb_search_widget::show_failure(const QString& message) {
    // Results of the previous query would read as answers to this one.
    show_results({});
    set_plain_text(status_, message);
    status_->show();
}

QTreeWidgetItem* kb_search_widget::add_row(QTreeWidgetItem* group, const script_node_spt& script,
                                           int at) {
    auto* row = new QTreeWidgetItem;
    if (at < 0)
        group->addChild(row);
    else
        group->insertChild(at, row);
    auto* item = new script_item;
    item->set_keywords(script->speechContentKeywords);
    item->set_content(script->speechContent);
    row->setToolTip(0, script_tooltip(script->speechContent));
    row->setData(0, Qt::UserRole, QVariant::fromValue(script));
    tree_->setItemWidget(row, 0, item);
    connect(item, &script_item::send_clicked, this, [this, script] { send(script, true); });
    return row;
}

void kb_search_widget::clear_group(QTreeWidgetItem* group) {
    for (QTreeWidgetItem* row : group->takeChildren()) {
        tree_->removeItemWidget(row, 0);
        delete row;
    }
}

void kb_search_widget::number_rows() {
    int number = 0;
    for (QTreeWidgetItem* group : groups_)
        for (int i = 0; i < group->childCount(); ++i)
            if (auto* item = qobject_cast<script_item*>(tree_->itemWidget(group->child(i), 0)))
                item->set_index(++number);
}

// ---- sending and the recent list ----

void kb_search_widget::send(const script_node_spt& script, bool direct) {
    if (!script)
        return;
    event_bus::instance()->post(QLatin1String(direct ? events::send_script : events::input_script),
                                {script->speechContent});
    // Later: the row that asked may be the one the recording replaces.
    QMetaObject::invokeMethod(
        this, [this, script] { record_sent(script); }, Qt::QueuedConnection);
}

void kb_search_widget::record_sent(const script_node_spt& script) {
    if (!script)
        return;
    QTreeWidgetItem* recent = groups_[recent_group];
    recent->setHidden(false);
    tree_->setUpdatesEnabled(false);
    for (int i = 0; i < recent->childCount(); ++i) {
        const script_node_spt shown = script_of(recent->child(i));
        if (shown && shown->id == script->id) {
            QTreeWidgetItem* row = recent->child(i);
            tree_->removeItemWidget(row, 0);
            delete recent->takeChild(i);
            break;
        }
    }
    add_row(recent, script, 0);
    number_rows();
    tree_->setUpdatesEnabled(true);
    save_recent();
}

void kb_search_widget::save_recent() {
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const auto file = open_ini(app_paths::instance().search_history_file());
    file->beginGroup(QLatin1String(history_group));
    const QTreeWidgetItem* recent = groups_[recent_group];
    for (int i = 0; i < recent->childCount(); ++i)
        if (const script_node_spt script = script_of(recent->child(i)))
            file->setValue(script->id, now - (i + 1));
    file->endGroup();
    file->sync();
}

void kb_search_widget::load_recent() {
    const auto file = open_ini(app_paths::instance().search_history_file());
    file->beginGroup(QLatin1String(history_group));
    QList<QPair<qint64, QString>> ranked;
    for (const QString& id : file->childKeys())
        ranked << qMakePair(file->value(id).toLongLong(), id);
    file->endGroup();
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    if (ranked.isEmpty())
        return;
    // One pass over the library rather than one per entry.
    QHash<QString, script_node_spt> by_id;
    for (const QList<script_node_spt>& list : data_center::instance().scripts_by_category())
        for (const script_node_spt& script : list)
            if (script)
                by_id.insert(script->id, script);
    for (const auto& entry : ranked)
        if (const script_node_spt script = by_id.value(entry.second)) {
            groups_[recent_group]->setHidden(false);
            add_row(groups_[recent_group], script);
        }
    number_rows();
}

// ---- context menu ----

QList<kb_item_widget::menu_entry_t> kb_search_widget::row_menu(QTreeWidgetItem* row) {
    const script_node_spt script = script_of(row);
    if (!script)
        return {};
    return {
        {QStringLiteral("输入话术"), [this, script] { send(script, false); }},
        {QStringLiteral("发送话术"), [this, script] { send(script, true); }},
        {QStringLiteral("复制到粘贴板"), [script] { copy_script_as_text(script->speechContent); }}};
}

void kb_search_widget::on_menu_requested(const QPoint& pos) {
    exec_menu(this, row_menu(tree_->itemAt(pos)), tree_->viewport()->mapToGlobal(pos));
}

} // namespace quorvel
