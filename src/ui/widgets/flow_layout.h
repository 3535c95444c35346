#pragma once

#include <QLayout>
#include <QList>
#include <QStyle>
#include <QWidget>

namespace quorvel {

// Items in insertion order, in rows that wrap at the right edge.
class flow_layout : public QLayout {
    Q_OBJECT
public:
    explicit flow_layout(QWidget* parent, int margin = -1, int h_spacing = -1, int v_spacing = -1);
    explicit flow_layout(int margin = -1, int h_spacing = -1, int v_spacing = -1);
    ~flow_layout() override;

    void addItem(QLayoutItem* item) override;
    void insert_widget(int index, QWidget* widget);
    int horizontal_spacing() const;
    int vertical_spacing() const;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    int count() const override { return items_.size(); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;
    QSize sizeHint() const override { return minimumSize(); }
    QLayoutItem* takeAt(int index) override;

private:
    int do_layout(const QRect& rect, bool measure_only) const;
    int smart_spacing(QStyle::PixelMetric metric) const;

    QList<QLayoutItem*> items_;
    int h_space_;
    int v_space_;
};

// A white widget hosting a flow layout.
class flow_layout_widget : public QWidget {
    Q_OBJECT
public:
    flow_layout_widget(int margin, int h_spacing, int v_spacing, QWidget* parent = nullptr);
    flow_layout* layout_of() const { return layout_; }
    void insert_widget(int index, QWidget* widget) { layout_->insert_widget(index, widget); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    flow_layout* layout_;
};

// Breaks a tooltip wider than half the screen (but narrower than the whole)
// in the middle.
QString wrap_tooltip_text(const QString& text);

} // namespace quorvel
