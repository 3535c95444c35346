#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

class QLabel;

namespace quorvel {

class category_actions;
class custom_button;

// "删除类别": deletes a category of any library with everything under it; the
// warning line names what goes with it by the category's clientBusinessType.
// The store has dropped the category and its content when delete_finished is
// emitted; the opener only updates its view.
class delete_category_widget : public base_dialog {
    Q_OBJECT
public:
    explicit delete_category_widget(const category_node_spt& category, QWidget* parent = nullptr);

    // The warning for a business type; empty for an unknown one.
    static QString warning_for(const QString& business_type);

    QLabel* warning_label() const { return warning_; }
    QLabel* status_label() const { return status_; }
    custom_button* delete_button() const { return delete_; }
    custom_button* close_dialog_button() const { return close_button_; }

signals:
    void delete_finished(quorvel::category_node_spt node);

private:
    void remove();

    category_node_spt category_;
    QLabel* warning_;
    QLabel* status_;
    custom_button* delete_;
    custom_button* close_button_;
    category_actions* actions_;
};

} // namespace quorvel
