#pragma once

#include "platform/autorun.h"

#include <QWidget>
#include <memory>

class QCheckBox;

namespace quorvel {

// The text a failed autorun change shows, by the system's error code.
QString autorun_error_text(unsigned long code);

// "通用设置": start with the session. The box always shows the real state,
// read again after every change.
class common_setting_widget : public QWidget {
    Q_OBJECT
public:
    common_setting_widget(std::unique_ptr<platform::autorun_switch> autorun,
                          QWidget* parent = nullptr);
    ~common_setting_widget() override;

    QCheckBox* autorun_box() const { return box_; }

public slots:
    void enable_auto_run(bool enable);

private:
    std::unique_ptr<platform::autorun_switch> autorun_;
    QCheckBox* box_;
};

} // namespace quorvel
