#pragma once

#include <QString>
#include <functional>

class QStackedLayout;
class QWidget;

namespace quorvel {

class category_widget;
class department_picker_tab;

// Lays out a library page: the tab bar above the stack of its views, with the
// public and personal tabs and then the department tab. A tab shows the view
// of its index; a department chosen shows the department view (index 2),
// switched to it by switch_department.
void lay_out_part_tabs(QWidget* page, category_widget* tabs, QStackedLayout* stack,
                       department_picker_tab* dept_tab,
                       std::function<void(const QString&)> switch_department);

} // namespace quorvel
