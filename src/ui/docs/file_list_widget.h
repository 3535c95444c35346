#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;

namespace quorvel {

class custom_toolbutton;

// One chosen file: its icon, an editable title above the path, a remove button.
class file_list_item : public QWidget {
    Q_OBJECT
public:
    explicit file_list_item(const QString& path, QWidget* parent = nullptr);

    const QString& path() const { return path_; }
    QLineEdit* title_edit() const { return title_; }
    // The trimmed title, or the file name with its suffix when empty.
    QString title() const;

signals:
    void delete_requested(QString path);

private:
    QString path_;
    QLineEdit* title_;
};

// The files chosen for an upload, each once.
class file_list_widget : public QWidget {
    Q_OBJECT
public:
    explicit file_list_widget(QWidget* parent = nullptr);

    void add_file(const QString& path);
    void remove_file(const QString& path);
    QList<file_list_item*> items() const;
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
};

} // namespace quorvel
