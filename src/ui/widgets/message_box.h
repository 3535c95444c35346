#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quorvel {

class custom_toolbutton;

// A frameless message dialog: icon, title, message and up to two buttons,
// set up by its user (everything but the labels starts hidden).
class message_box : public QDialog {
    Q_OBJECT
public:
    explicit message_box(QWidget* parent = nullptr);

    QLabel* icon_label;
    QLabel* title_label;
    custom_toolbutton* close_button;
    QLabel* message_label;
    QPushButton* button1; // accepts
    QPushButton* button2; // rejects
};

} // namespace quorvel
