#include "ui/kb/select_emoji_widget.h"

#include "ui/widgets/flow_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariant>

namespace quorvel {

select_emoji_widget::select_emoji_widget(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(400, 254);
    auto* recent = new QWidget(this);
    recent->setFixedHeight(26);
    auto* flow = new flow_layout_widget(4, 2, 2);
    const QDir folder(emoji_folder());
    for (const QString& name : folder.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        const QString path = folder.filePath(name);
        auto* button = new QToolButton(flow);
        button->setFixedSize(26, 26);
        button->setIcon(QIcon(path));
        button->setIconSize(QSize(24, 24));
        button->setStyleSheet(QStringLiteral("QToolButton {   border: none;   background: "
                                             "transparent;}QToolButton:hover {   border: 1px "
                                             "solid blue;   border-radius: 4px;}"));
        button->setProperty("id", path);
        connect(button, &QToolButton::clicked, this, [this, path] {
            emit emoji_selected(path);
            close();
        });
        flow->layout_of()->addWidget(button);
    }
    auto* scroll = new QScrollArea(this);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setWidgetResizable(true);
    scroll->setWidget(flow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("最近使用"), this));
    layout->addWidget(recent);
    layout->addWidget(new QLabel(QStringLiteral("全部表情"), this));
    layout->addWidget(scroll, 1);
}

QString select_emoji_widget::emoji_folder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/data/emoji/");
}

QList<QToolButton*> select_emoji_widget::buttons() const {
    return findChildren<QToolButton*>();
}

} // namespace quorvel
