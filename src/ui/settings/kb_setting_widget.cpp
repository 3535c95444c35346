#include "ui/settings/kb_setting_widget.h"

#include "app/settings_store.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>

namespace quorvel {

QButtonGroup* add_choice_row(QFormLayout* form, QWidget* owner, const QString& label,
                             const QStringList& choices, QSettings& settings, const QString& key,
                             bool flush, bool clamp, bool trailing_stretch) {
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
    int value = settings.value(key, 1).toInt();
    if (clamp)
        value = qBound(0, value, choices.size() - 1);
    if (QAbstractButton* chosen = group->button(value))
        chosen->setChecked(true);
    QObject::connect(group, &QButtonGroup::idClicked, owner, [&settings, key, flush](int id) {
        settings.setValue(key, id);
        if (flush)
            settings.sync();
    });
    form->addRow(new QLabel(label, owner), row);
    return group;
}

kb_setting_widget::kb_setting_widget(QSettings& settings, QWidget* parent) : QWidget(parent) {
    auto* form = new QFormLayout(this);
    const QStringList modes = {QStringLiteral("仅输入到编辑区"), QStringLiteral("直接发送")};
    add_choice_row(form, this, QStringLiteral("发送消息"),
                   {QStringLiteral("Ctrl + Enter"), QStringLiteral("Enter")}, settings,
                   QLatin1String(setting_keys::kb_send), true, true, false);
    add_choice_row(form, this, QStringLiteral("发送模式（双击）"), modes, settings,
                   QLatin1String(setting_keys::kb_dbclick), true, true, false);
    add_choice_row(form, this, QStringLiteral("发送模式（箭头）"), modes, settings,
                   QLatin1String(setting_keys::kb_arrow), true, true, false);
    add_choice_row(form, this, QStringLiteral("发送模式（快捷键）"), modes, settings,
                   QLatin1String(setting_keys::kb_hotkey), true, true, false);
}

advance_setting_widget::advance_setting_widget(QSettings& settings, QWidget* parent)
    : QWidget(parent) {
    auto* form = new QFormLayout(this);
    add_choice_row(form, this, QStringLiteral("发送间隔"),
                   {QStringLiteral("短"), QStringLiteral("标准"), QStringLiteral("长"),
                    QStringLiteral("超长")},
                   settings, QLatin1String(setting_keys::advance_interval), false, false, true);
    add_choice_row(form, this, QStringLiteral("千牛发送模式"),
                   {QStringLiteral("普通"), QStringLiteral("极速")}, settings,
                   QLatin1String(setting_keys::advance_qnmode), false, false, true);
    add_choice_row(form, this, QStringLiteral("模拟点击"),
                   {QStringLiteral("关闭"), QStringLiteral("开启")}, settings,
                   QLatin1String(setting_keys::advance_sclick), false, false, true);
}

} // namespace quorvel
