#pragma once

#include "ui/widgets/base_dialog.h"

#include <QWidget>

class QLabel;

namespace quorvel {

// One of the two choices of the resource dialog: a picture, a bold title and
// a description, inside a thin gray frame; a left press is a click.
class select_resource_button : public QWidget {
    Q_OBJECT
public:
    select_resource_button(const QString& picture, const QString& title, const QString& description,
                           QWidget* parent = nullptr);

    QString title() const;

signals:
    void clicked(bool is_content_checked);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* title_;
};

// Where an inserted image, video, audio or file comes from: this computer
// (uploaded on the way) or the library (stickers for images, cloud documents
// otherwise).
class select_resource_widget : public base_dialog {
    Q_OBJECT
public:
    enum type_t { image = 0, video = 1, audio = 2, file = 3 };

    explicit select_resource_widget(int type, QWidget* parent = nullptr);

    select_resource_button* button1() const { return button1_; }
    select_resource_button* button2() const { return button2_; }

signals:
    void button1_clicked(bool is_content_checked);
    void button2_clicked(bool is_content_checked);

private:
    select_resource_button* button1_;
    select_resource_button* button2_;
};

} // namespace quorvel
