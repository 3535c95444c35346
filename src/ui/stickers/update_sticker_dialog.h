#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvel {

class sticker_actions;

// Changes a sticker's title (and with it its search keywords).
class update_sticker_dialog : public base_dialog {
    Q_OBJECT
public:
    explicit update_sticker_dialog(const sticker_node_spt& sticker, QWidget* parent = nullptr);
    QLineEdit* title_edit() const { return title_; }
    QPushButton* save_button() const { return save_; }
    QLabel* status() const { return status_; }

signals:
    void sticker_update_requested(quorvel::sticker_node_spt node);

private:
    void save();

    sticker_node_spt sticker_;
    QLineEdit* title_;
    QPushButton* save_;
    QLabel* status_;
    sticker_actions* actions_;
};

} // namespace quorvel
