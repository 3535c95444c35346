#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

class QLabel;
class QPushButton;

namespace quorvel {

class sticker_actions;

// Asks before deleting a sticker, then deletes it on the server.
class delete_sticker_dialog : public base_dialog {
    Q_OBJECT
public:
    explicit delete_sticker_dialog(const sticker_node_spt& sticker, QWidget* parent = nullptr);
    QPushButton* delete_button() const { return delete_; }
    QLabel* status() const { return status_; }

signals:
    void sticker_delete_requested(quorvel::sticker_node_spt node);

private:
    void remove();

    sticker_node_spt sticker_;
    QPushButton* delete_;
    QLabel* status_;
    sticker_actions* actions_;
};

} // namespace quorvel
