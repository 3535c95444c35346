#include "ui/settings/clouddoc_setting_widget.h"

#include "app/settings_store.h"
#include "ui/widgets/toggle_switch.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace quorvel {

clouddoc_setting_widget::clouddoc_setting_widget(settings_store& settings, QWidget* parent)
    : QWidget(parent), settings_(settings), size_(new QLineEdit(this)),
      switch_(new toggle_switch(this)) {
    size_->setFixedWidth(30);
    size_->setText(QString::number(settings_.read(setting::clouddoc_download_size).number()));
    switch_->setStyleSheet(QStringLiteral("border: none; background-color: transparent;"));
    switch_->setCursor(Qt::PointingHandCursor);
    switch_->setChecked(settings_.read(setting::clouddoc_download_switch).on());

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("自动下载小于"), this));
    row->addWidget(size_);
    row->addWidget(new QLabel(QStringLiteral("MB的云文档"), this));
    row->addStretch();
    row->addWidget(switch_);
    auto* form = new QFormLayout(this);
    form->addRow(row);

    // Text that is no number stores 0: nothing is downloaded on its own.
    connect(size_, &QLineEdit::textEdited, this, [this](const QString& text) {
        settings_.write(setting::clouddoc_download_size, text.toInt());
    });
    connect(switch_, &QPushButton::clicked, this,
            [this](bool on) { settings_.write(setting::clouddoc_download_switch, on ? 1 : 0); });
}

} // namespace quorvel
