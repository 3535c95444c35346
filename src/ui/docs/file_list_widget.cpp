#include "ui/docs/file_list_widget.h"

#include "ui/docs/doc_kinds.h"
#include "ui/widgets/custom_toolbutton.h"
#include "ui/widgets/plain_text.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace quorvel {

file_list_item::file_list_item(const QString& path, QWidget* parent)
    : QWidget(parent), path_(path), title_(new QLineEdit(this)) {
    auto* icon = new QLabel(this);
    icon->setFixedSize(36, 36);
    icon->setScaledContents(true);
    icon->setPixmap(QPixmap(doc_kinds::icon_for_suffix(QFileInfo(path).suffix().toLower())));
    title_->setPlaceholderText(QStringLiteral("请输入标题，为空时自动设置为文件名"));
    auto* path_label = plain_label(path, this);
    path_label->setStyleSheet(QStringLiteral("color: gray;"));
    auto* text = new QVBoxLayout;
    text->setContentsMargins(0, 0, 0, 0);
    text->addWidget(title_);
    text->addWidget(path_label);
    auto* remove = new custom_toolbutton(this);
    set_state_icon(remove, QStringLiteral("icon/close"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(icon);
    layout->addLayout(text, 1);
    layout->addWidget(remove);
    connect(remove, &QToolButton::clicked, this, [this] { emit delete_requested(path_); });
}

QString file_list_item::title() const {
    const QString typed = title_->text().trimmed();
    return typed.isEmpty() ? QFileInfo(path_).fileName() : typed;
}

file_list_widget::file_list_widget(QWidget* parent)
    : QWidget(parent), list_(new QListWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
}

void file_list_widget::add_file(const QString& path) {
    for (file_list_item* item : items())
        if (item->path() == path)
            return;
    auto* row = new QListWidgetItem(list_);
    auto* widget = new file_list_item(path, list_);
    row->setSizeHint(widget->sizeHint());
    row->setData(Qt::UserRole, path);
    list_->setItemWidget(row, widget);
    // Queued: the row's own button is still handling its click.
    connect(widget, &file_list_item::delete_requested, this, &file_list_widget::remove_file,
            Qt::QueuedConnection);
}

void file_list_widget::remove_file(const QString& path) {
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->data(Qt::UserRole).toString() == path) {
            delete list_->takeItem(i);
            return;
        }
}

QList<file_list_item*> file_list_widget::items() const {
    QList<file_list_item*> out;
    for (int i = 0; i < list_->count(); ++i)
        if (auto* w = qobject_cast<file_list_item*>(list_->itemWidget(list_->item(i))))
            out << w;
    return out;
}

} // namespace quorvel
