#pragma once

#include "integration/window_identity.h"

#include <QWidget>
#include <optional>

class QLabel;
class QToolButton;

namespace quorvel {

// "识别当前窗口": the class and title of the window the client docks beside
// (else of the window active last), and buttons that copy a ready entry of
// the supported-applications list for an administrator.
class window_identify_widget : public QWidget {
    Q_OBJECT
public:
    window_identify_widget(platform::desktop& desktop, QWidget* parent = nullptr);

    // Looks again; the page does when it is built.
    void identify();

private:
    QToolButton* add_button(const QString& text, const char* name);
    void copy(const QString& entry);

    platform::desktop& desktop_;
    std::optional<window_identity_t> found_;
    QLabel* source_;
    QLabel* class_;
    QLabel* title_;
    QLabel* copied_;
    QToolButton* copy_class_;
    QToolButton* copy_window_;
};

} // namespace quorvel
