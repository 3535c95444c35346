#pragma once

#include "ui/widgets/base_dialog.h"

class QLabel;

namespace quorvel {

// The enlarged image of a sticker; closes as soon as it loses the focus.
class sticker_preview_dialog : public base_dialog {
    Q_OBJECT
public:
    explicit sticker_preview_dialog(const QString& path, QWidget* parent = nullptr);
    QLabel* image() const { return image_; }
    // The size an image of that size is shown at: enlarged or reduced to fit
    // 600 × 800, keeping its aspect ratio.
    static QSize preview_size(const QSize& image);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* image_;
};

} // namespace quorvel
