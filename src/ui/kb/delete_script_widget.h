#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

#include <QLabel>

namespace quorvel {

class custom_button;
class script_actions;

// Asks before deleting one script; can succeed once.
class delete_script_widget : public base_dialog {
    Q_OBJECT
public:
    explicit delete_script_widget(const script_node_spt& script, QWidget* parent = nullptr);

    QLabel* status_label() const { return status_; }
    custom_button* delete_button() const { return delete_; }
    custom_button* close_dialog_button() const { return close_; }
    void on_delete();

signals:
    void delete_script_finished();

private:
    script_node_spt script_;
    QLabel* status_;
    custom_button* delete_;
    custom_button* close_;
    script_actions* scripts_;
};

} // namespace quorvel
