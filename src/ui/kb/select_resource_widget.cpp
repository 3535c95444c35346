#include "ui/kb/select_resource_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace quorvel {

select_resource_button::select_resource_button(const QString& picture, const QString& title,
                                               const QString& description, QWidget* parent)
    : QWidget(parent), title_(new QLabel(title, this)) {
    setCursor(Qt::PointingHandCursor);
    auto* image = new QLabel(this);
    image->setPixmap(QPixmap(picture));
    title_->setStyleSheet(QStringLiteral("font-size: 16px; font-weight: bold"));
    auto* texts = new QVBoxLayout;
    texts->addWidget(title_);
    texts->addWidget(new QLabel(description, this));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(image);
    layout->addLayout(texts, 1);
}

QString select_resource_button::title() const {
    return title_->text();
}

void select_resource_button::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(Qt::gray, 1, Qt::SolidLine));
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
}

void select_resource_button::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked(false);
}

select_resource_widget::select_resource_widget(int type, QWidget* parent) : base_dialog(parent) {
    struct texts_t {
        const char* title;
        const char* local;
        const char* library;
    };
    static const texts_t texts[] = {{"插入图片", "选择本机图片", "选择云表情"},
                                    {"插入视频", "选择本机视频", "选择云文档"},
                                    {"插入音频", "选择本机音频", "选择云文档"},
                                    {"插入文件", "选择本机文件", "选择云文档"}};
    const texts_t& t = texts[qBound(0, type, 3)];
    set_title(QString::fromUtf8(t.title));
    setWindowTitle(title());
    button1_ = new select_resource_button(QStringLiteral(":/images/icon/computer.png"),
                                          QString::fromUtf8(t.local),
                                          QStringLiteral("自动上传到云文档"), this);
    button2_ = new select_resource_button(QStringLiteral(":/images/icon/cloud.png"),
                                          QString::fromUtf8(t.library),
                                          QStringLiteral("已上传的个人云文档"), this);
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(24);
    layout->addWidget(button1_);
    layout->addWidget(button2_);
    add_content_layout(layout);
    resize(300, 230);
    connect(button1_, &select_resource_button::clicked, this,
            &select_resource_widget::button1_clicked);
    connect(button2_, &select_resource_button::clicked, this,
            &select_resource_widget::button2_clicked);
}

} // namespace quorvel
