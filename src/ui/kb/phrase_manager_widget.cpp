#include "ui/kb/phrase_manager_widget.h"

#include "model/data_center.h"
#include "net/actions/phrase_actions.h"
#include "ui/kb/phrase_list_item.h"
#include "ui/library/drag_drop_listwidget.h"
#include "ui/widgets/custom_button.h"
#include "ui/widgets/message_box.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvel {

namespace {

// Server ids are decimal numbers; anything else still orders, as text.
bool id_before(const QString& a, const QString& b) {
    bool a_number = false, b_number = false;
    const qlonglong x = a.toLongLong(&a_number), y = b.toLongLong(&b_number);
    if (a_number && b_number)
        return x < y;
    if (a_number != b_number)
        return a_number;
    return a < b;
}

} // namespace

QList<phrase_node_spt> phrases_in_order(const QHash<QString, phrase_node_spt>& phrases) {
    QList<phrase_node_spt> list;
    for (const phrase_node_spt& p : phrases)
        if (p)
            list << p;
    std::sort(list.begin(), list.end(), [](const phrase_node_spt& a, const phrase_node_spt& b) {
        return a->sort != b->sort ? a->sort < b->sort : id_before(a->id, b->id);
    });
    return list;
}

phrase_manager_widget::phrase_manager_widget(QWidget* parent)
    : base_dialog(parent), input_(new QLineEdit), add_(new custom_button),
      list_(new drag_drop_listwidget), actions_(new phrase_actions(this)) {
    set_title(QStringLiteral("短语管理"));
    resize(300, 600);

    auto* content = new QVBoxLayout;
    auto* input_row = new QHBoxLayout;
    input_->setPlaceholderText(QStringLiteral("请输入短语（最多15个字）"));
    add_->setText(QStringLiteral("添加短语"));
    input_row->addWidget(input_);
    input_row->addWidget(add_);
    content->addLayout(input_row);
    auto* list_row = new QHBoxLayout;
    list_row->setContentsMargins(10, 0, 10, 0);
    list_row->addWidget(list_);
    content->addLayout(list_row);
    auto* hint_row = new QHBoxLayout;
    auto* hint = new QLabel(QStringLiteral("提示：鼠标拖拽短语排序，关闭窗口后自动刷新短语列表"));
    hint->setWordWrap(true); // wider than the dialog in one line
    hint_row->addWidget(hint);
    content->addLayout(hint_row);
    add_content_layout(content);

    connect(add_, &QToolButton::clicked, this, &phrase_manager_widget::add_phrase);
    connect(list_, &drag_drop_listwidget::item_order_changed, this,
            &phrase_manager_widget::on_sort_changed);

    for (const phrase_node_spt& phrase : phrases_in_order(data_center::instance().phrases()))
        add_row(phrase);
}

phrase_list_item* phrase_manager_widget::row_widget(int row) const {
    return qobject_cast<phrase_list_item*>(list_->itemWidget(list_->item(row)));
}

phrase_node_spt phrase_manager_widget::phrase_of(const QListWidgetItem* item) {
    return item ? item->data(Qt::UserRole).value<phrase_node_spt>() : phrase_node_spt();
}

void phrase_manager_widget::add_row(const phrase_node_spt& phrase) {
    if (!phrase)
        return;
    auto* item = new QListWidgetItem(list_);
    item->setData(Qt::UserRole, QVariant::fromValue(phrase));
    auto* row = new phrase_list_item(list_->count(), phrase->phraseContent);
    row->setProperty("data", QVariant::fromValue(phrase));
    item->setSizeHint(row->sizeHint());
    list_->setItemWidget(item, row);
    connect(row, &phrase_list_item::delete_clicked, this, [this, item] { on_delete_phrase(item); });
    input_->clear();
}

bool phrase_manager_widget::listed(const QString& text) const {
    for (int i = 0; i < list_->count(); ++i)
        if (phrase_list_item* row = row_widget(i); row && row->content_label()->text() == text)
            return true;
    return false;
}

void phrase_manager_widget::add_phrase() {
    const QString text = input_->text(); // as typed: a trailing space makes another phrase
    if (text.isEmpty() || text.size() > max_length)
        return show_message(QStringLiteral("短语内容不能超过15个字符"));
    if (listed(text))
        return show_message(QStringLiteral("短语已经存在，请修改后再添加"));
    actions_->create_phrase(
        text, phrase_actions::created_cb(
                  [this](const action_result_t& result, const phrase_node_spt& phrase) {
                      if (result.ok)
                          add_row(phrase);
                      else
                          show_message(QStringLiteral("创建短语失败，原因：%1").arg(result.error));
                  }));
}

void phrase_manager_widget::on_delete_phrase(QListWidgetItem* item) {
    const phrase_node_spt phrase = phrase_of(item);
    if (!phrase)
        return;
    // The action removes the phrase from the store once the server agrees.
    actions_->delete_phrase(phrase, [this, item](const action_result_t& result) {
        if (result.ok)
            delete_phrase(item);
        else
            show_message(QStringLiteral("删除短语失败，%1").arg(result.error));
    });
}

void phrase_manager_widget::delete_phrase(QListWidgetItem* item) {
    if (!item)
        return;
    if (QWidget* row = list_->itemWidget(item)) {
        list_->removeItemWidget(item);
        row->deleteLater();
    }
    delete item;
    renumber();
}

QStringList phrase_manager_widget::renumber() {
    QStringList ids;
    for (int i = 0; i < list_->count(); ++i) {
        const phrase_node_spt phrase = phrase_of(list_->item(i));
        if (!phrase)
            continue;
        ids << phrase->id;
        if (phrase_list_item* row = row_widget(i))
            row->set_index(i + 1);
    }
    return ids;
}

void phrase_manager_widget::on_sort_changed(QListWidgetItem*, int, int) {
    actions_->sort_phrases(renumber(), [this](const action_result_t& result) {
        if (!result.ok)
            return show_message(QStringLiteral("提交数据失败，原因：%1").arg(result.error));
        qDebug() << "排序成功";
        // The rows take the server's records, which the store now holds.
        const auto& stored = data_center::instance().phrases();
        for (int i = 0; i < list_->count(); ++i) {
            QListWidgetItem* item = list_->item(i);
            const phrase_node_spt phrase = phrase_of(item);
            if (!phrase || !stored.contains(phrase->id))
                continue;
            item->setData(Qt::UserRole, QVariant::fromValue(stored.value(phrase->id)));
            if (phrase_list_item* row = row_widget(i))
                row->setProperty("data", QVariant::fromValue(stored.value(phrase->id)));
        }
    });
}

void phrase_manager_widget::show_message(const QString& text) {
    show_information(this, text);
}

} // namespace quorvel
