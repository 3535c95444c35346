#pragma once

#include <QButtonGroup>
#include <QScrollArea>

namespace quorvel {

class category_button;
class flow_layout_widget;

// The category strip: buttons in a flow layout that scrolls vertically.
class category_flow_widget : public QScrollArea {
    Q_OBJECT
public:
    explicit category_flow_widget(QWidget* parent = nullptr);
    ~category_flow_widget() override;

    category_button* insert_button(int index, const QString& text);
    // Into layout and group (also a button taken out before).
    void insert_button(int index, QAbstractButton* button);
    // Out of layout and group; the caller owns the button afterwards.
    QWidget* take_button(int index);
    QWidget* take_button(QWidget* button);
    QAbstractButton* checked_button() const { return group_->checkedButton(); }
    QButtonGroup* group() const { return group_; }
    int count() const;
    QWidget* button_at(int index) const;
    flow_layout_widget* flow() const { return flow_; }

private:
    flow_layout_widget* flow_;
    QButtonGroup* group_;
    int next_id_ = 0;
};

} // namespace quorvel
