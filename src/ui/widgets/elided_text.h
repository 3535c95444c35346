#pragma once

#include <QLabel>
#include <QToolButton>

namespace quorvel {

// A one-line label that shows as much of its text as fits and marks the cut
// with "…", instead of clipping a glyph in half. The full text stays
// available; the layout may make the label narrower than the text.
class elided_label : public QLabel {
    Q_OBJECT
public:
    explicit elided_label(QWidget* parent = nullptr, Qt::TextElideMode mode = Qt::ElideRight);

    void set_full_text(const QString& text);
    const QString& full_text() const { return full_; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void show_fitting_text();

    QString full_;
    Qt::TextElideMode mode_;
};

// A tool button whose text is elided the same way to the button's width.
class elided_tool_button : public QToolButton {
    Q_OBJECT
public:
    explicit elided_tool_button(QWidget* parent = nullptr,
                                Qt::TextElideMode mode = Qt::ElideMiddle);

    void set_full_text(const QString& text);
    const QString& full_text() const { return full_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void show_fitting_text();

    QString full_;
    Qt::TextElideMode mode_;
};

} // namespace quorvel
