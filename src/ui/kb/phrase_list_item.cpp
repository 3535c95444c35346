#include "ui/kb/phrase_list_item.h"

#include "ui/widgets/custom_toolbutton.h"

#include <QHBoxLayout>
#include <QLabel>

namespace quorvel {

phrase_list_item::phrase_list_item(int index, const QString& content, QWidget* parent)
    : QWidget(parent), index_(new QLabel(this)), content_(new QLabel(this)),
      delete_(new custom_toolbutton(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(index_);
    auto* text = new QHBoxLayout;
    // A phrase is the agent's own words: never read as markup.
    content_->setTextFormat(Qt::PlainText);
    content_->setText(content);
    text->addWidget(content_);
    text->addStretch();
    row->addLayout(text);
    delete_->setIcon(QIcon(QStringLiteral(":/images/icon/close_normal.png")));
    row->addWidget(delete_);
    set_index(index);
    connect(delete_, &QToolButton::clicked, this, &phrase_list_item::delete_clicked);
}

void phrase_list_item::set_index(int n) {
    index_->setText(QStringLiteral("%1.").arg(n, 2, 10, QLatin1Char('0')));
}

} // namespace quorvel
