#pragma once

#include "ui/widgets/frameless.h"

#include <QDialog>

class QLabel;
class QVBoxLayout;

namespace quorvel {

class custom_toolbutton;

// A frameless dialog that stays on top, with its own title bar (title,
// hidden minimise and maximise buttons, close); moved by its title bar.
class base_dialog : public QDialog {
    Q_OBJECT
public:
    explicit base_dialog(QWidget* parent = nullptr);

    void set_title(const QString& title);
    QString title() const;
    void add_content_layout(QLayout* layout);
    virtual bool can_close();

    QWidget* title_bar() const { return title_bar_; }
    custom_toolbutton* min_button() const { return min_; }
    custom_toolbutton* max_button() const { return max_; }
    custom_toolbutton* close_button() const { return close_; }
    void set_resizable(bool resizable) { resizable_ = resizable; }

    static constexpr int edge_margin = 3;
    static constexpr int smallest_extent = 6;

signals:
    void min_clicked();
    void max_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QVBoxLayout* outer_;
    QWidget* title_bar_;
    QLabel* title_;
    custom_toolbutton* min_;
    custom_toolbutton* max_;
    custom_toolbutton* close_;
    bool resizable_ = false;
    frameless_mover mover_;
};

} // namespace quorvel
