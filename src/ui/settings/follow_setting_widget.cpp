#include "ui/settings/follow_setting_widget.h"

#include "app/event_bus.h"
#include "app/event_names.h"
#include "app/settings_store.h"
#include "integration/current_desktop.h"
#include "integration/window_detector.h"
#include "model/data_center.h"
#include "ui/settings/window_identify_widget.h"
#include "ui/widgets/custom_button.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace quorvel {

follow_setting_widget::follow_setting_widget(settings_store& settings, QWidget* parent)
    : QWidget(parent), settings_(settings), applications_(new QButtonGroup(this)),
      select_all_(new QCheckBox(QStringLiteral("全选"), this)) {
    // The page outgrows the settings centre's fixed height: it scrolls.
    auto* content = new QWidget;
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

    auto* main_lines = new QVBoxLayout;
    auto* side_by_side = new QHBoxLayout;
    side_by_side->addWidget(
        add_box(QStringLiteral("吸附时显示"), setting::follow_main_show, events::follow_main_show));
    side_by_side->addWidget(add_box(QStringLiteral("左侧吸附"), setting::follow_main_dockleft,
                                    events::follow_main_dockleft));
    main_lines->addLayout(side_by_side);
    main_lines->addWidget(add_box(QStringLiteral("按ALT+Z时显示/隐藏窗口"),
                                  setting::follow_main_hotkey_visible, nullptr));
    main_lines->addWidget(
        add_box(QStringLiteral("按ALT+Q时聚集主窗口"), setting::follow_main_hotkey_focus, nullptr));
    main_lines->addWidget(
        new QLabel(QStringLiteral("左右键选分类，上下键选话术，Enter键发到编辑区"), this));
    form->addRow(QStringLiteral("主窗口"), main_lines);

    auto* bar_lines = new QVBoxLayout;
    bar_lines->addWidget(
        add_box(QStringLiteral("吸附时显示"), setting::follow_sub_show, events::follow_sub_show));
    bar_lines->addWidget(add_box(QStringLiteral("按ALT+E时聚集底部搜索栏"),
                                 setting::follow_sub_hotkey_focus, nullptr));
    form->addRow(QStringLiteral("底部搜索栏"), bar_lines);

    auto* smart = new custom_button(this);
    smart->setText(QStringLiteral("智能吸附"));
    form->addRow(QStringLiteral("智能吸附"), smart);
    auto* contact = new custom_button(this);
    contact->setText(QStringLiteral("如需支持其他软件，请点击联系客服"));
    form->addRow(QStringLiteral("支持的聊天软件"), contact);
    auto* all_row = new QHBoxLayout;
    all_row->addWidget(select_all_);
    all_row->addStretch();
    form->addRow(all_row);
    layout->addLayout(form);

    // One box per supported application, four to a row.
    const QHash<QString, QStringList>& server = data_center::instance().supported_apps();
    names_ = (server.isEmpty() ? window_detector::built_in_table() : server).keys();
    const QString stored = settings_.read(setting::follow_unsupport).text();
    const QStringList unsupported = stored.split(QLatin1Char(','));
    auto* grid = new QGridLayout;
    applications_->setExclusive(false);
    for (int i = 0; i < names_.size(); ++i) {
        auto* box = new QCheckBox(names_[i], this);
        box->setChecked(!unsupported.contains(names_[i]));
        applications_->addButton(box, i);
        grid->addWidget(box, i / 4, i % 4);
    }
    layout->addLayout(grid);
    layout->addWidget(new window_identify_widget(current_desktop(), this));
    layout->addStretch();
    scroll->setWidget(content);
    select_all_->setChecked(stored.isEmpty());
    connect(applications_, &QButtonGroup::idClicked, this, [this] { on_application_clicked(); });
    connect(select_all_, &QCheckBox::clicked, this, &follow_setting_widget::on_select_all_clicked);
}

QList<QCheckBox*> follow_setting_widget::application_boxes() const {
    QList<QCheckBox*> boxes;
    for (QAbstractButton* b : applications_->buttons())
        boxes << static_cast<QCheckBox*>(b);
    return boxes;
}

QCheckBox* follow_setting_widget::add_box(const QString& text, setting key, const char* event) {
    auto* box = new QCheckBox(text, this);
    box->setChecked(settings_.read(key).on());
    const QString e = event ? QLatin1String(event) : QString();
    connect(box, &QCheckBox::clicked, this, [this, key, e](bool checked) {
        settings_.write(key, checked ? 1 : 0);
        if (!e.isEmpty())
            event_bus::instance()->post(e, {checked ? 1 : 0});
    });
    return box;
}

void follow_setting_widget::write_unsupported(const QStringList& names) {
    settings_.write(setting::follow_unsupport, names.join(QLatin1Char(',')));
    event_bus::instance()->post(QLatin1String(events::follow_supported_app_changed));
}

void follow_setting_widget::on_application_clicked() {
    QStringList unticked;
    for (QCheckBox* box : application_boxes())
        if (!box->isChecked())
            unticked << box->text();
    select_all_->setChecked(unticked.isEmpty());
    write_unsupported(unticked);
}

void follow_setting_widget::on_select_all_clicked(bool checked) {
    for (QCheckBox* box : application_boxes())
        box->setChecked(checked);
    write_unsupported(checked ? QStringList() : names_);
}

} // namespace quorvel
