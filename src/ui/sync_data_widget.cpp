#include "ui/sync_data_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel {

namespace {

sync_data_widget::window_factory_t& main_window_factory() {
    static sync_data_widget::window_factory_t factory;
    return factory;
}

} // namespace

void sync_data_widget::set_main_window_factory(window_factory_t factory) {
    main_window_factory() = std::move(factory);
}

sync_data_widget::sync_data_widget(QWidget* parent) : sync_data_widget(nullptr, parent) {}

sync_data_widget::sync_data_widget(library_sync* sync, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint), sync_(sync ? sync : new library_sync(this)),
      status_(new QLabel(QStringLiteral("正在同步话术数据......"))), bar_(new QProgressBar),
      stop_(new QPushButton(QStringLiteral("停止同步"))) {
    setObjectName(QStringLiteral("sync_data_widget"));
    stop_->setObjectName(QStringLiteral("stop_sync"));
    setFixedSize(400, 300);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel);
    layout->addLayout(top);
    auto* panel = new QWidget;
    panel->setFixedHeight(60);
    auto* panel_layout = new QVBoxLayout(panel);
    panel_layout->addWidget(status_);
    panel_layout->addWidget(bar_);
    layout->addWidget(panel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    stop_->setFixedSize(100, 30);
    buttons->addWidget(stop_);
    buttons->addStretch();
    layout->addLayout(buttons);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    connect(stop_, &QPushButton::clicked, this, &sync_data_widget::stop_sync);
    connect(sync_, &library_sync::progress, this, &sync_data_widget::update_progress);
    connect(this, &sync_data_widget::update_progress, this, &sync_data_widget::on_update_progress);
    connect(sync_, &library_sync::status, status_, &QLabel::setText);
    connect(sync_, &library_sync::finished, this, &sync_data_widget::on_finished);
}

int sync_data_widget::progress() const {
    return bar_->value();
}

QString sync_data_widget::status_text() const {
    return status_->text();
}

void sync_data_widget::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (sync_)
        sync_->start();
}

void sync_data_widget::on_update_progress(int progress, QString text) {
    status_->setText(text);
    bar_->setValue(progress);
}

void sync_data_widget::stop_sync() {
    if (!sync_ || sync_->stop_requested() || sync_->is_finished())
        return;
    stop_->setEnabled(false);
    sync_->stop();
}

void sync_data_widget::on_finished(bool records_complete) {
    stop_->setEnabled(false);
    emit synchronised(records_complete);
    if (main_window_factory())
        if (QWidget* window = main_window_factory()())
            window->show();
    close();
}

} // namespace quorvel
