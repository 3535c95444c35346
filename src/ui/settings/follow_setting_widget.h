#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QCheckBox;

namespace quorvel {

class settings_store;
enum class setting;

// "吸附设置": what docking shows, the hotkeys' switches, and which supported
// chat applications it follows. Every change is written and flushed at once,
// then announced on the event bus.
class follow_setting_widget : public QWidget {
    Q_OBJECT
public:
    follow_setting_widget(settings_store& settings, QWidget* parent = nullptr);

    QCheckBox* select_all() const { return select_all_; }
    QList<QCheckBox*> application_boxes() const;

private:
    QCheckBox* add_box(const QString& text, setting key, const char* event);
    void on_application_clicked();
    void on_select_all_clicked(bool checked);
    void write_unsupported(const QStringList& names);

    settings_store& settings_;
    QStringList names_;
    QButtonGroup* applications_;
    QCheckBox* select_all_;
};

} // namespace quorvel
