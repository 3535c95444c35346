#pragma once

#include "model/records.h"

#include <QWidget>

class QLabel;

namespace quorvel {

// One row of the document list: the type icon, the title (the document's
// keywords) and its sync state in gray.
class doc_list_item : public QWidget {
    Q_OBJECT
public:
    doc_list_item(const doc_node_spt& doc, const QString& state, QWidget* parent = nullptr);

    void set_title(const QString& title);
    void set_state(const QString& state);
    QString title() const;
    QString state() const;

private:
    QLabel* icon_;
    QLabel* title_;
    QLabel* state_;
    QString state_text_;
};

// The empty page of the list: a framed white area with one button.
class blank_doc_widget : public QWidget {
    Q_OBJECT
public:
    explicit blank_doc_widget(QWidget* parent = nullptr);

signals:
    void add_doc_requested();
};

} // namespace quorvel
