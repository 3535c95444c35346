#include "ui/widgets/custom_toolbutton.h"

#include <QFile>
#include <QHash>

namespace quorvel {

custom_toolbutton::custom_toolbutton(QWidget* parent) : QToolButton(parent) {
    setStyleSheet(QStringLiteral("QToolButton {   border: none;   background-color: "
                                 "transparent;}QToolButton::menu-indicator { image: none; }"));
    setAttribute(Qt::WA_Hover);
}

void set_state_icon(QAbstractButton* button, const QString& name) {
    struct entry_t {
        const char* state_name;
        QIcon::Mode mode;
        QIcon::State state;
    };
    static const entry_t entries[] = {
        {"hot", QIcon::Active, QIcon::On},         {"hot", QIcon::Active, QIcon::Off},
        {"selected", QIcon::Selected, QIcon::Off}, {"normal", QIcon::Normal, QIcon::On},
        {"selected", QIcon::Normal, QIcon::Off},   {"disabled", QIcon::Disabled, QIcon::Off},
    };
    // Rows of long lists share one icon instead of reading the files again.
    static QHash<QString, QIcon> built;
    if (const auto it = built.constFind(name); it != built.constEnd()) {
        button->setIcon(*it);
        return;
    }
    QIcon icon;
    for (const entry_t& e : entries) {
        const QString path =
            QStringLiteral(":/images/%1_%2.png").arg(name, QLatin1String(e.state_name));
        if (QFile::exists(path))
            icon.addPixmap(QPixmap(path), e.mode, e.state);
    }
    built.insert(name, icon);
    button->setIcon(icon);
}

} // namespace quorvel
