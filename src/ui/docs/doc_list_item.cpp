#include "ui/docs/doc_list_item.h"

#include "ui/docs/doc_kinds.h"
#include "ui/widgets/plain_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

doc_list_item::doc_list_item(const doc_node_spt& doc, const QString& state, QWidget* parent)
    : QWidget(parent), icon_(new QLabel(this)), title_(new QLabel(this)), state_(new QLabel(this)) {
    icon_->setFixedSize(36, 36);
    icon_->setScaledContents(true);
    icon_->setPixmap(QPixmap(doc_kinds::icon_for_suffix(doc ? doc->fileSuffix : QString())));
    auto* text = new QVBoxLayout;
    text->setContentsMargins(0, 0, 0, 0);
    text->setSpacing(2);
    text->addWidget(title_);
    text->addWidget(state_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(icon_);
    layout->addLayout(text, 1);
    set_title(doc ? doc->keywords : QString());
    set_state(state);
}

void doc_list_item::set_title(const QString& title) {
    set_plain_text(title_, title);
    title_->setToolTip(plain_tooltip(title));
}

void doc_list_item::set_state(const QString& state) {
    state_text_ = state;
    state_->setText(
        QStringLiteral("<span style = 'color: gray;'>%1</span>").arg(state.toHtmlEscaped()));
}

QString doc_list_item::title() const {
    return title_->text();
}

QString doc_list_item::state() const {
    return state_text_;
}

blank_doc_widget::blank_doc_widget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("blank_doc_widget"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        QStringLiteral("#blank_doc_widget { background: white; border: 1px solid gray; }"));
    auto* button = new QPushButton(QStringLiteral("添加文档"), this);
    button->setStyleSheet(QStringLiteral("background-color: white"));
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(button, 0, Qt::AlignCenter);
    layout->addStretch();
    connect(button, &QPushButton::clicked, this, &blank_doc_widget::add_doc_requested);
}

} // namespace quorvel
