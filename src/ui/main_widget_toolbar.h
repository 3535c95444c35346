#pragma once

#include <QWidget>

namespace quorvel {

class custom_toolbutton;

// The five buttons in the main window's top-right corner. Signals come only
// from user clicks; the main window changes check states and icons directly.
class main_widget_toolbar : public QWidget {
    Q_OBJECT
public:
    explicit main_widget_toolbar(QWidget* parent = nullptr);

    custom_toolbutton* pin_button() const { return pin_; }
    custom_toolbutton* follow_button() const { return follow_; }
    // The follow button's look for a state: icon and tooltip.
    void show_follow_state(bool on);
    void show_pin_state(bool on);

signals:
    void minimize_requested();
    void sticky_requested(bool enable);
    void follow_requested(bool enable);
    void setting_requested();
    void menu_requested(QPoint pos);

private:
    custom_toolbutton* min_;
    custom_toolbutton* pin_;
    custom_toolbutton* follow_;
    custom_toolbutton* setting_;
    custom_toolbutton* more_;
};

// The 40-pixel column that switches between the three library pages.
class navigation_widget : public QWidget {
    Q_OBJECT
public:
    explicit navigation_widget(QWidget* parent = nullptr);

signals:
    void on_select_changed(int id);
    void settings_requested();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quorvel
