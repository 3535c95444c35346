#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

#include <QHash>
#include <QList>

class QLabel;
class QLineEdit;
class QListWidgetItem;

namespace quorvel {

class custom_button;
class drag_drop_listwidget;
class phrase_actions;
class phrase_list_item;

// The dialog in which the agent adds, deletes and orders the phrases of the
// bar. Every change goes to the server at once; the bar rebuilds its buttons
// from the store when this dialog is gone.
class phrase_manager_widget : public base_dialog {
    Q_OBJECT
public:
    explicit phrase_manager_widget(QWidget* parent = nullptr);

    static constexpr int max_length = 15;

    QLineEdit* input() const { return input_; }
    custom_button* add_button() const { return add_; }
    drag_drop_listwidget* list() const { return list_; }
    phrase_list_item* row_widget(int row) const;
    static phrase_node_spt phrase_of(const QListWidgetItem* item);

public slots:
    void add_phrase();
    void on_delete_phrase(QListWidgetItem* item);
    void delete_phrase(QListWidgetItem* item);
    void on_sort_changed(QListWidgetItem* item, int old_row, int new_row);

private:
    void add_row(const phrase_node_spt& phrase);
    bool listed(const QString& text) const;
    // Renumbers the rows from 1 in list order; their phrase ids in that order.
    QStringList renumber();
    void show_message(const QString& text);

    QLineEdit* input_;
    custom_button* add_;
    drag_drop_listwidget* list_;
    phrase_actions* actions_;
};

// Phrases as the bar and the manager list them: by sort, a tie by id (as
// numbers when both are), so none of them is left out.
QList<phrase_node_spt> phrases_in_order(const QHash<QString, phrase_node_spt>& phrases);

} // namespace quorvel
