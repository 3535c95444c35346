#pragma once

#include "ui/widgets/base_dialog.h"

namespace quorvel {

// "联系客服": the support QR code to scan.
class contact_support_dialog : public base_dialog {
    Q_OBJECT
public:
    explicit contact_support_dialog(QWidget* parent = nullptr);
};

} // namespace quorvel
