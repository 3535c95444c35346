#include "ui/contact_support_dialog.h"

#include <QLabel>
#include <QVBoxLayout>

namespace quorvel {

contact_support_dialog::contact_support_dialog(QWidget* parent) : base_dialog(parent) {
    set_title(QStringLiteral("联系客服"));
    setFixedSize(400, 600);
    auto* heading = new QLabel(QStringLiteral("扫码联系客服咨询"), this);
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSize(18);
    heading->setFont(font);
    auto* qr = new QLabel(this);
    qr->setPixmap(QPixmap(QStringLiteral(":/quorvel/icon/kefu.jpg"))
                      .scaled(200, 200, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* layout = new QVBoxLayout;
    layout->addStretch();
    layout->addWidget(heading, 0, Qt::AlignHCenter);
    layout->addWidget(qr, 0, Qt::AlignHCenter);
    layout->addStretch();
    add_content_layout(layout);
}

} // namespace quorvel
