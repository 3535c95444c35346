#pragma once

#include <QWidget>

namespace quorvel {

class custom_button;

// The page of a scope without any category: an empty framed area.
class blank_widget : public QWidget {
    Q_OBJECT
public:
    explicit blank_widget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The page of a category without stickers: one button to add some.
class blank_sticker_flow_widget : public QWidget {
    Q_OBJECT
public:
    explicit blank_sticker_flow_widget(QWidget* parent = nullptr);
    custom_button* add_button() const { return add_; }

signals:
    void add_button_clicked(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    custom_button* add_;
};

} // namespace quorvel
