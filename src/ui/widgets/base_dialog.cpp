#include "ui/widgets/base_dialog.h"

#include "ui/widgets/custom_toolbutton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace quorvel {

base_dialog::base_dialog(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint), outer_(new QVBoxLayout(this)),
      title_bar_(new QWidget(this)), title_(new QLabel(title_bar_)),
      min_(new custom_toolbutton(title_bar_)), max_(new custom_toolbutton(title_bar_)),
      close_(new custom_toolbutton(title_bar_)), mover_(this, edge_margin, smallest_extent) {
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setWindowIcon(QIcon(QStringLiteral(":/images/icon/logo.png")));
    setMouseTracking(true);
    // The agent works in the chat window; tooltips show while it is active.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    outer_->setContentsMargins(1, 1, 1, 1);
    outer_->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(1, 0, 1, 0);
    row->addWidget(title_bar_);
    outer_->addLayout(row);

    title_bar_->setStyleSheet(QStringLiteral("background-color: rgb(232,232,232);"));
    title_bar_->setMouseTracking(true);
    title_bar_->setFixedHeight(30);
    auto* bar = new QHBoxLayout(title_bar_);
    bar->setContentsMargins(5, 0, 5, 0);
    QFont font = title_bar_->font();
    font.setPointSize(11);
    font.setBold(true);
    title_->setFont(font);
    bar->addWidget(title_);
    bar->addStretch();
    for (auto [button, icon] : {std::pair{min_, "icon/min"}, std::pair{max_, "icon/max"},
                                std::pair{close_, "icon/close"}}) {
        set_state_icon(button, QLatin1String(icon));
        bar->addWidget(button);
    }
    min_->hide();
    max_->hide();

    connect(min_, &QToolButton::clicked, this, [this] {
        showMinimized();
        emit min_clicked();
    });
    connect(max_, &QToolButton::clicked, this, [this] {
        showMaximized();
        emit max_clicked();
    });
    connect(close_, &QToolButton::clicked, this, [this] {
        if (can_close()) {
            close();
            deleteLater();
        }
    });
}

void base_dialog::set_title(const QString& title) {
    title_->setTextFormat(Qt::PlainText);
    title_->setText(title);
    setWindowTitle(title);
}

QString base_dialog::title() const {
    return title_->text();
}

bool base_dialog::can_close() {
    return true;
}

void base_dialog::add_content_layout(QLayout* layout) {
    outer_->addLayout(layout);
    for (int i = 0; i < layout->count(); ++i) {
        QWidget* widget = layout->itemAt(i)->widget();
        if (!widget)
            break;
        widget->setMouseTracking(true);
    }
}

void base_dialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(Qt::blue, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void base_dialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        mover_.press(event->pos(), event->globalPos(),
                     title_bar_->geometry().contains(event->pos()))) {
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void base_dialog::mouseMoveEvent(QMouseEvent* event) {
    if (mover_.move(event->pos(), event->globalPos(), resizable_)) {
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void base_dialog::mouseReleaseEvent(QMouseEvent* event) {
    mover_.release();
    QDialog::mouseReleaseEvent(event);
}

} // namespace quorvel
