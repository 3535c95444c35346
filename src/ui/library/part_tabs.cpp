#include "ui/library/part_tabs.h"

#include "ui/library/category_widget.h"
#include "ui/library/department_picker_tab.h"

#include <QStackedLayout>
#include <QVBoxLayout>

namespace quorvel {

void lay_out_part_tabs(QWidget* page, category_widget* tabs, QStackedLayout* stack,
                       department_picker_tab* dept_tab,
                       std::function<void(const QString&)> switch_department) {
    stack->setContentsMargins(0, 0, 0, 0);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(1, 0, 0, 0);
    layout->addWidget(tabs);
    layout->addLayout(stack);

    tabs->add_tab(QStringLiteral("公共"));
    tabs->add_tab(QStringLiteral("个人"));
    QObject::connect(dept_tab, &department_picker_tab::department_chosen, page,
                     [stack, switch_department = std::move(switch_department)](const QString& id) {
                         stack->setCurrentIndex(2);
                         switch_department(id);
                     });
    tabs->add_tab(dept_tab);
    QObject::connect(tabs, &category_widget::switch_category_requested, stack,
                     &QStackedLayout::setCurrentIndex);
}

} // namespace quorvel
