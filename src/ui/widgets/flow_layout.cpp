#include "ui/widgets/flow_layout.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <QWidget>

namespace quorvel {

flow_layout::flow_layout(QWidget* parent, int margin, int h_spacing, int v_spacing)
    : QLayout(parent), h_space_(h_spacing), v_space_(v_spacing) {
    setContentsMargins(margin, margin, margin, margin);
}

flow_layout::flow_layout(int margin, int h_spacing, int v_spacing)
    : h_space_(h_spacing), v_space_(v_spacing) {
    setContentsMargins(margin, margin, margin, margin);
}

flow_layout::~flow_layout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void flow_layout::addItem(QLayoutItem* item) {
    items_.append(item);
}

void flow_layout::insert_widget(int index, QWidget* widget) {
    addChildWidget(widget);
    items_.insert(qBound(0, index, items_.size()), new QWidgetItem(widget));
    invalidate();
}

QLayoutItem* flow_layout::takeAt(int index) {
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int flow_layout::horizontal_spacing() const {
    return h_space_ >= 0 ? h_space_ : smart_spacing(QStyle::PM_LayoutHorizontalSpacing);
}

int flow_layout::vertical_spacing() const {
    return v_space_ >= 0 ? v_space_ : smart_spacing(QStyle::PM_LayoutVerticalSpacing);
}

int flow_layout::smart_spacing(QStyle::PixelMetric metric) const {
    QObject* owner = parent();
    if (!owner)
        return -1;
    if (owner->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(owner);
        return widget->style()->pixelMetric(metric, nullptr, widget);
    }
    return static_cast<QLayout*>(owner)->spacing();
}

int flow_layout::heightForWidth(int width) const {
    return do_layout(QRect(0, 0, width, 0), true);
}

void flow_layout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    do_layout(rect, false);
}

QSize flow_layout::minimumSize() const {
    QSize size;
    for (QLayoutItem* item : items_)
        if (!item->widget() || item->widget()->isVisible())
            size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

int flow_layout::do_layout(const QRect& rect, bool measure_only) const {
    int left, top, right, bottom;
    getContentsMargins(&left, &top, &right, &bottom);
    const QRect area = rect.adjusted(left, top, -right, -bottom);
    int x = area.x();
    int y = area.y();
    int row_height = 0;
    for (QLayoutItem* item : items_) {
        int space_x = horizontal_spacing();
        int space_y = vertical_spacing();
        if (QWidget* w = item->widget()) {
            if (space_x == -1)
                space_x = w->style()->layoutSpacing(QSizePolicy::PushButton,
                                                    QSizePolicy::PushButton, Qt::Horizontal);
            if (space_y == -1)
                space_y = w->style()->layoutSpacing(QSizePolicy::PushButton,
                                                    QSizePolicy::PushButton, Qt::Vertical);
        }
        const QSize hint = item->sizeHint();
        if (x + hint.width() > area.right() && row_height > 0) {
            x = area.x();
            y += row_height + space_y;
            row_height = 0;
        }
        if (!measure_only)
            item->setGeometry(QRect(QPoint(x, y), hint));
        x += hint.width() + space_x;
        row_height = qMax(row_height, hint.height());
    }
    return y + row_height + bottom - rect.y();
}

flow_layout_widget::flow_layout_widget(int margin, int h_spacing, int v_spacing, QWidget* parent)
    : QWidget(parent), layout_(new flow_layout(this, margin, h_spacing, v_spacing)) {}

void flow_layout_widget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

QString wrap_tooltip_text(const QString& text) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return text;
    const int available = screen->availableGeometry().width();
    const int width = QFontMetrics(QToolTip::font()).boundingRect(text).width();
    if (width > available / 2 && width < available) {
        QString wrapped = text;
        wrapped.insert(text.length() / 2, QStringLiteral("\n\r"));
        return wrapped;
    }
    return text;
}

} // namespace quorvel
