#pragma once

#include <QToolButton>
#include <functional>

namespace quorvel {

class select_department_menu;

// The department tab of a library page: names the department shown (its id
// in the "id" property) and, once the picker is on, opens the department
// picker from its drop-down; a choice checks the tab and is reported.
class department_picker_tab : public QToolButton {
    Q_OBJECT
public:
    // label: the tab's text for a department name (the tooltip keeps the
    // whole name); the picker is at least min_picker_width wide.
    explicit department_picker_tab(std::function<QString(const QString&)> label = {},
                                   int min_picker_width = 0, QWidget* parent = nullptr);

    void show_department(const QString& id, const QString& name);
    void enable_picker();
    select_department_menu* show_picker();
    // As a choice in the picker does.
    void choose(const QString& id, const QString& name);

signals:
    void department_chosen(const QString& id);

private:
    std::function<QString(const QString&)> label_;
    int min_picker_width_;
};

} // namespace quorvel
