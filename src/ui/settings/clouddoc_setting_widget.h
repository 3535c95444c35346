#pragma once

#include <QWidget>

class QLineEdit;

namespace quorvel {

class settings_store;
class toggle_switch;

// "云文档设置": which documents the synchronisation downloads on its own.
class clouddoc_setting_widget : public QWidget {
    Q_OBJECT
public:
    clouddoc_setting_widget(settings_store& settings, QWidget* parent = nullptr);

    QLineEdit* size_edit() const { return size_; }
    toggle_switch* download_switch() const { return switch_; }

private:
    settings_store& settings_;
    QLineEdit* size_;
    toggle_switch* switch_;
};

} // namespace quorvel
