#pragma once

#include <QDialog>

class QLabel;
class QMessageBox;
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

// Every text of these boxes is shown as written, never as markup.

// A "Quorvel" message box with one OK button, modal for the application but
// without a nested event loop, deleted when closed.
QMessageBox* show_notice(QWidget* parent, const QString& text);

// The same with its own event loop, returning when it is closed.
void show_information(QWidget* parent, const QString& text);

// The message dialog (fixed 230 x 174) with a single "知道了", shown the same way.
message_box* show_info_dialog(QWidget* parent, const QString& text);

} // namespace quorvel
