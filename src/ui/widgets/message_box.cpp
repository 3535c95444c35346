#include "ui/widgets/message_box.h"

#include "ui/widgets/custom_toolbutton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

message_box::message_box(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint), icon_label(new QLabel(this)),
      title_label(new QLabel(this)), close_button(new custom_toolbutton(this)),
      message_label(new QLabel(this)), button1(new QPushButton(this)),
      button2(new QPushButton(this)) {
    // Messages name categories, scripts and server replies: shown as written.
    title_label->setTextFormat(Qt::PlainText);
    message_label->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* top = new QHBoxLayout;
    icon_label->setFixedSize(24, 24);
    icon_label->setScaledContents(true);
    top->addWidget(icon_label);
    top->addWidget(title_label);
    top->addStretch();
    set_state_icon(close_button, QStringLiteral("icon/close"));
    top->addWidget(close_button);
    layout->addLayout(top);

    QFont font = message_label->font();
    font.setPointSize(12);
    message_label->setFont(font);
    message_label->setWordWrap(true);
    message_label->setAlignment(Qt::AlignCenter);
    message_label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(message_label);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    buttons->addStretch();
    for (QPushButton* b : {button1, button2}) {
        b->setFixedSize(100, 36);
        b->setFont(font);
        buttons->addWidget(b);
        b->hide();
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    close_button->hide();

    connect(button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(close_button, &QToolButton::clicked, this, &QDialog::close);
}

QMessageBox* show_notice(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Quorvel"), text,
                                QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    return box;
}

void show_information(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Quorvel"), text, QMessageBox::Ok,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

message_box* show_info_dialog(QWidget* parent, const QString& text) {
    auto* box = new message_box(parent);
    box->setFixedSize(230, 174);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->message_label->setText(text);
    box->button1->setText(QStringLiteral("知道了"));
    box->button1->show();
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    return box;
}

} // namespace quorvel
