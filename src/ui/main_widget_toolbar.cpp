#include "ui/main_widget_toolbar.h"

#include "ui/widgets/custom_toolbutton.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace quorvel {

namespace {

custom_toolbutton* tool(QWidget* parent, const QString& icon, int size) {
    auto* b = new custom_toolbutton(parent);
    b->setFixedSize(size, size);
    b->setIconSize(QSize(size, size));
    set_state_icon(b, icon);
    return b;
}

} // namespace

main_widget_toolbar::main_widget_toolbar(QWidget* parent)
    : QWidget(parent), min_(tool(this, "icon/min", 25)), pin_(tool(this, "icon/pin", 25)),
      follow_(tool(this, "icon/magic_off", 25)), setting_(tool(this, "icon/setting", 25)),
      more_(tool(this, "icon/more", 25)) {
    setFixedSize(140, 32);
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(5);
    layout->setContentsMargins(0, 0, 0, 0);
    for (custom_toolbutton* b : {min_, pin_, follow_, setting_, more_})
        layout->addWidget(b);
    pin_->setCheckable(true);
    follow_->setCheckable(true);
    follow_->setToolTip(QStringLiteral("吸附"));

    connect(min_, &QToolButton::clicked, this, [this](bool) { emit minimize_requested(); });
    connect(pin_, &QToolButton::clicked, this, [this](bool checked) {
        show_pin_state(checked);
        emit sticky_requested(checked);
    });
    connect(follow_, &QToolButton::clicked, this, [this](bool checked) {
        show_follow_state(checked);
        emit follow_requested(checked);
    });
    connect(setting_, &QToolButton::clicked, this, [this](bool) { emit setting_requested(); });
    connect(more_, &QToolButton::clicked, this,
            [this](bool) { emit menu_requested(more_->mapToGlobal(QPoint(0, more_->height()))); });
}

void main_widget_toolbar::show_follow_state(bool on) {
    follow_->setChecked(on);
    follow_->setToolTip(on ? QStringLiteral("取消吸附") : QStringLiteral("吸附"));
    set_state_icon(follow_, on ? QStringLiteral("icon/magic") : QStringLiteral("icon/magic_off"));
}

void main_widget_toolbar::show_pin_state(bool on) {
    pin_->setChecked(on);
    set_state_icon(pin_, on ? QStringLiteral("icon/pin_selected") : QStringLiteral("icon/pin"));
}

navigation_widget::navigation_widget(QWidget* parent) : QWidget(parent) {
    setFixedWidth(40);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 0, 1, 10);
    layout->setSpacing(20);
    layout->addWidget(new QLabel(this));
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    const std::pair<const char*, const char*> pages[] = {
        {"icon/kb", "话术"}, {"icon/doc", "文档"}, {"icon/emoji", "表情"}};
    int id = 0;
    for (const auto& [icon, tip] : pages) {
        auto* b = new custom_toolbutton(this);
        b->setFixedSize(22, 22);
        b->setCheckable(true);
        b->setToolTip(QString::fromUtf8(tip));
        set_state_icon(b, QLatin1String(icon));
        group->addButton(b, id++);
        layout->addWidget(b);
    }
    group->button(0)->setChecked(true);
    layout->addStretch();
    auto* settings = tool(this, "icon/setting", 22);
    layout->addWidget(settings);
    connect(group, &QButtonGroup::idClicked, this, &navigation_widget::on_select_changed);
    connect(settings, &QToolButton::clicked, this, &navigation_widget::settings_requested);
}

void navigation_widget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect().adjusted(1, 1, -1, -1), Qt::white);
}

} // namespace quorvel
