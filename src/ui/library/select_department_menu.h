#pragma once

#include "model/records.h"

#include <QToolButton>
#include <QTreeWidget>
#include <QWidget>
#include <functional>

namespace quorvel {

// A popup listing the login profile's departments; only departments the user
// manages can be chosen.
class select_department_menu : public QWidget {
    Q_OBJECT
public:
    explicit select_department_menu(QWidget* parent = nullptr);
    QTreeWidget* tree() const { return tree_; }
    // Emits item_selected and closes when the row may be chosen.
    void choose(QTreeWidgetItem* item);
    // The tooltip of departments the user does not manage.
    static QString unchoosable_tooltip();
    // Shows the popup focused at the anchor's bottom-left corner.
    void popup_under(QWidget* anchor, int width);

signals:
    void item_selected(QString deptid, QString name);

private:
    void add_departments(const QList<dept_tree_node_spt>& nodes, QTreeWidgetItem* parent);
    QTreeWidget* tree_;
};

// A combo-box-like button that opens the department picker under itself.
class select_department_combobox : public QToolButton {
    Q_OBJECT
public:
    explicit select_department_combobox(QWidget* parent = nullptr);
    select_department_menu* show_menu();

signals:
    void item_selected(QString id, QString name);
};

// Gives a department tab its drop-down arrow; opening the drop-down runs
// open (which shows the department picker) instead of a plain menu.
void attach_department_picker(QToolButton* tab, QObject* context, std::function<void()> open);

} // namespace quorvel
