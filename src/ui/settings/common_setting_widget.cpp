#include "ui/settings/common_setting_widget.h"

#include "ui/widgets/message_box.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quorvel {

QString autorun_error_text(unsigned long code) {
    switch (code) {
    case 2:
        return QStringLiteral("找不到指定的文件");
    case 3:
        return QStringLiteral("路径不存在");
    case 5:
        return QStringLiteral("拒绝访问");
    case 8:
        return QStringLiteral("没有足够的内存");
    case 32:
        return QStringLiteral("共享冲突");
    case 1156:
        return QStringLiteral("dde出错");
    case 1157:
        return QStringLiteral("找不到dll");
    case 1223:
        return QStringLiteral("用户取消操作");
    default:
        return QStringLiteral("未知错误");
    }
}

common_setting_widget::common_setting_widget(std::unique_ptr<platform::autorun_switch> autorun,
                                             QWidget* parent)
    : QWidget(parent), autorun_(std::move(autorun)),
      box_(new QCheckBox(QStringLiteral("开机时自动打开Quorvel"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box_);
    layout->addStretch();
    box_->setChecked(autorun_->enabled());
    connect(box_, &QCheckBox::toggled, this, &common_setting_widget::enable_auto_run);
}

common_setting_widget::~common_setting_widget() = default;

void common_setting_widget::enable_auto_run(bool enable) {
    const platform::autorun_change_t change = autorun_->request(enable);
    if (!change.done)
        show_notice(this, autorun_error_text(change.error));
    const QSignalBlocker quiet(box_);
    box_->setChecked(autorun_->enabled());
}

} // namespace quorvel
