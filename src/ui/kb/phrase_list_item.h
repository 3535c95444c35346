#pragma once

#include <QWidget>

class QLabel;

namespace quorvel {

class custom_toolbutton;

// One row of the phrase manager: "01." and the phrase, with a delete button.
// The dynamic property "data" holds the row's phrase_node_spt.
class phrase_list_item : public QWidget {
    Q_OBJECT
public:
    phrase_list_item(int index, const QString& content, QWidget* parent = nullptr);

    void set_index(int n);
    QLabel* index_label() const { return index_; }
    QLabel* content_label() const { return content_; }
    custom_toolbutton* delete_button() const { return delete_; }

signals:
    void delete_clicked();

private:
    QLabel* index_;
    QLabel* content_;
    custom_toolbutton* delete_;
};

} // namespace quorvel
