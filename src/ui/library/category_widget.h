#pragma once

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>
#include <QWidget>

namespace quorvel {

// The tab strip of a library page: exclusive checkable buttons, ids in the
// order they are added, the first one checked.
class category_widget : public QWidget {
    Q_OBJECT
public:
    explicit category_widget(QWidget* parent = nullptr);

    // Adds a plain tab button; returns it so pages can attach menus.
    QToolButton* add_tab(const QString& text);
    QToolButton* add_tab(QToolButton* button);
    QToolButton* tab(int id) const;
    QButtonGroup* group() const { return group_; }

signals:
    void switch_category_requested(int id);

private:
    QHBoxLayout* layout_;
    QButtonGroup* group_;
};

} // namespace quorvel
