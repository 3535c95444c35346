#include "ui/settings/kb_setting_widget.h"

#include "app/settings_store.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

namespace quorvel {

QButtonGroup* add_choice_row(QFormLayout* form, QWidget* owner, const QString& label,
                             const QStringList& choices, settings_store& settings, setting key,
                             settings_store::persist when, bool clamp, bool trailing_stretch) {
    auto* group = new QButtonGroup(owner);
    group->setExclusive(true);
    auto* row = new QHBoxLayout;
    for (int i = 0; i < choices.size(); ++i) {
        auto* button = new QRadioButton(choices[i], owner);
        group->addButton(button, i);
        row->addWidget(button);
    }
    if (trailing_stretch)
        row->addStretch();
    int value = settings.read(key).number();
    if (clamp)
        value = qBound(0, value, choices.size() - 1);
    if (QAbstractButton* chosen = group->button(value))
        chosen->setChecked(true);
    QObject::connect(group, &QButtonGroup::idClicked, owner,
                     [&settings, key, when](int id) { settings.write(key, id, when); });
    form->addRow(new QLabel(label, owner), row);
    return group;
}

kb_setting_widget::kb_setting_widget(settings_store& settings, QWidget* parent) : QWidget(parent) {
    auto* form = new QFormLayout(this);
    const QStringList modes = {QStringLiteral("仅输入到编辑区"), QStringLiteral("直接发送")};
    add_choice_row(form, this, QStringLiteral("发送消息"),
                   {QStringLiteral("Ctrl + Enter"), QStringLiteral("Enter")}, settings,
                   setting::kb_send, settings_store::persist::now, true, false);
    add_choice_row(form, this, QStringLiteral("发送模式（双击）"), modes, settings,
                   setting::kb_dbclick, settings_store::persist::now, true, false);
    add_choice_row(form, this, QStringLiteral("发送模式（箭头）"), modes, settings,
                   setting::kb_arrow, settings_store::persist::now, true, false);
    add_choice_row(form, this, QStringLiteral("发送模式（快捷键）"), modes, settings,
                   setting::kb_hotkey, settings_store::persist::now, true, false);
}

advance_setting_widget::advance_setting_widget(settings_store& settings, QWidget* parent)
    : QWidget(parent) {
    auto* form = new QFormLayout(this);
    add_choice_row(form, this, QStringLiteral("发送间隔"),
                   {QStringLiteral("短"), QStringLiteral("标准"), QStringLiteral("长"),
                    QStringLiteral("超长")},
                   settings, setting::advance_interval, settings_store::persist::later, false,
                   true);
    add_choice_row(form, this, QStringLiteral("千牛发送模式"),
                   {QStringLiteral("普通"), QStringLiteral("极速")}, settings,
                   setting::advance_qnmode, settings_store::persist::later, false, true);
    add_choice_row(form, this, QStringLiteral("模拟点击"),
                   {QStringLiteral("关闭"), QStringLiteral("开启")}, settings,
                   setting::advance_sclick, settings_store::persist::later, false, true);
    add_clipboard_row(form, settings);
}

// On or off, and beside it how long after the send key the clipboard comes back.
void advance_setting_widget::add_clipboard_row(QFormLayout* form, settings_store& settings) {
    QButtonGroup* group = add_choice_row(
        form, this, QStringLiteral("还原剪贴板"), {QStringLiteral("关闭"), QStringLiteral("开启")},
        settings, setting::advance_keep_clipboard, settings_store::persist::later, false, false);
    auto* row = static_cast<QHBoxLayout*>(
        form->itemAt(form->rowCount() - 1, QFormLayout::FieldRole)->layout());
    auto* delay = new QSpinBox(this);
    delay->setObjectName(QStringLiteral("clipboard_delay"));
    delay->setRange(0, 10000);
    delay->setSingleStep(100);
    delay->setSuffix(QStringLiteral(" 毫秒"));
    delay->setValue(settings.read(setting::advance_clipboard_delay).number());
    delay->setEnabled(group->checkedId() != 0);
    connect(delay, qOverload<int>(&QSpinBox::valueChanged), this, [&settings](int ms) {
        settings.write(setting::advance_clipboard_delay, ms, settings_store::persist::later);
    });
    connect(group, &QButtonGroup::idClicked, delay,
            [delay](int id) { delay->setEnabled(id != 0); });
    row->addWidget(new QLabel(QStringLiteral("延迟"), this));
    row->addWidget(delay);
    row->addStretch();
}

} // namespace quorvel
