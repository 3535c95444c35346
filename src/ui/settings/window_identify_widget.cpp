#include "ui/settings/window_identify_widget.h"

#include "integration/app_pattern.h"
#include "ui/widgets/custom_button.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quorvel {

namespace {

QLabel* value_label(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText); // titles are other programs' text
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

window_identify_widget::window_identify_widget(platform::desktop& desktop, QWidget* parent)
    : QWidget(parent), desktop_(desktop), source_(value_label("identified_source", this)),
      class_(value_label("identified_class", this)), title_(value_label("identified_title", this)),
      copied_(value_label("copied_entry", this)),
      copy_class_(add_button(QStringLiteral("复制条目（按类名）"), "copy_class_entry")),
      copy_window_(add_button(QStringLiteral("复制条目（类名和标题）"), "copy_window_entry")) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* heading = new QHBoxLayout;
    heading->addWidget(new QLabel(QStringLiteral("识别当前窗口"), this));
    heading->addStretch();
    QToolButton* again = add_button(QStringLiteral("重新识别"), "identify_window");
    heading->addWidget(again);
    layout->addLayout(heading);
    layout->addWidget(source_);
    auto* values = new QGridLayout;
    values->addWidget(new QLabel(QStringLiteral("类名"), this), 0, 0, Qt::AlignTop);
    values->addWidget(class_, 0, 1);
    values->addWidget(new QLabel(QStringLiteral("标题"), this), 1, 0, Qt::AlignTop);
    values->addWidget(title_, 1, 1);
    values->setColumnStretch(1, 1);
    layout->addLayout(values);
    layout->addWidget(copy_class_);
    layout->addWidget(copy_window_);
    layout->addWidget(copied_);
    copied_->hide();

    connect(again, &QToolButton::clicked, this, &window_identify_widget::identify);
    connect(copy_class_, &QToolButton::clicked, this,
            [this] { copy(app_entry_for_class(found_->class_name)); });
    connect(copy_window_, &QToolButton::clicked, this,
            [this] { copy(app_entry_for_window(found_->class_name, found_->title)); });
    identify();
}

QToolButton* window_identify_widget::add_button(const QString& text, const char* name) {
    auto* button = new custom_button(this);
    button->setText(text);
    button->setObjectName(QLatin1String(name));
    return button;
}

void window_identify_widget::identify() {
    found_ = identify_window(desktop_);
    copied_->hide();
    if (!found_) {
        source_->setText(QStringLiteral("没有找到窗口：先点一下聊天窗口，再点“重新识别”"));
        class_->clear();
        title_->clear();
    } else {
        source_->setText(found_->docked ? QStringLiteral("正在吸附的窗口")
                                        : QStringLiteral("最近使用的其他程序窗口"));
        class_->setText(found_->class_name);
        title_->setText(found_->title);
    }
    copy_class_->setEnabled(found_ && !app_entry_for_class(found_->class_name).isEmpty());
    copy_window_->setEnabled(found_ &&
                             !app_entry_for_window(found_->class_name, found_->title).isEmpty());
}

void window_identify_widget::copy(const QString& entry) {
    copied_->setText(desktop_.set_clipboard_text(entry)
                         ? QStringLiteral("已复制，可粘贴到管理后台：%1").arg(entry)
                         : QStringLiteral("复制失败，请重试"));
    copied_->show();
}

} // namespace quorvel
