#pragma once

#include <QWidget>

class QToolButton;

namespace quorvel {

// The emoji popup of the script editor: one button per PNG in "data/emoji/"
// beside the program; a click reports the image's path and closes it.
class select_emoji_widget : public QWidget {
    Q_OBJECT
public:
    explicit select_emoji_widget(QWidget* parent = nullptr);

    // The folder the images are read from.
    static QString emoji_folder();
    QList<QToolButton*> buttons() const;

signals:
    void emoji_selected(QString id);
};

} // namespace quorvel
