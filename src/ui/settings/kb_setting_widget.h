#pragma once

#include "app/settings_store.h"

#include <QWidget>

class QButtonGroup;
class QFormLayout;

namespace quorvel {

// One row of radio buttons bound to an integer setting: the button whose
// position equals the stored value is checked; a click stores its position.
QButtonGroup* add_choice_row(QFormLayout* form, QWidget* owner, const QString& label,
                             const QStringList& choices, settings_store& settings, setting key,
                             settings_store::persist when, bool clamp, bool trailing_stretch);

// "知识库设置": the send key and the three send modes; every click is flushed at once.
class kb_setting_widget : public QWidget {
    Q_OBJECT
public:
    kb_setting_widget(settings_store& settings, QWidget* parent = nullptr);
};

// "高级设置": interval, Qianniu mode, simulated click, and whether the user's
// clipboard comes back after a delivery; changes are not flushed.
class advance_setting_widget : public QWidget {
    Q_OBJECT
public:
    advance_setting_widget(settings_store& settings, QWidget* parent = nullptr);

private:
    void add_clipboard_row(QFormLayout* form, settings_store& settings);
};

} // namespace quorvel
