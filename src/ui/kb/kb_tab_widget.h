#pragma once

#include "ui/library/department_picker_tab.h"

#include <QPointer>
#include <QStackedLayout>
#include <QToolButton>
#include <QVariantList>
#include <QWidget>

namespace quorvel {

class category_widget;
class kb_item_widget;
class new_category_widget;
class kb_search_widget;
class select_department_menu;

// The scripts page: public, personal and department views and the search tab.
class kb_tab_widget : public QWidget {
    Q_OBJECT
public:
    explicit kb_tab_widget(QWidget* parent = nullptr);

    kb_item_widget* view(int part) const { return views_[part]; }
    kb_search_widget* search() const { return search_; }
    category_widget* tabs() const { return tabs_; }
    QStackedLayout* stack() const { return stack_; }
    QToolButton* department_tab() const { return dept_tab_; }
    // Opens the department picker under the department tab.
    select_department_menu* show_department_menu();
    void choose_department(const QString& dept_id, const QString& name);
    // The open new-category dialog, or null.
    new_category_widget* new_category_dialog() const;

public slots:
    void on_create_category(const QVariantList& args);
    void on_transfer_category(const QVariantList& args);
    void on_transfer_script(const QVariantList& args);

private:
    void create_department_tab();

    category_widget* tabs_;
    QStackedLayout* stack_;
    kb_item_widget* views_[3];
    kb_search_widget* search_;
    department_picker_tab* dept_tab_;
    QPointer<new_category_widget> new_category_; // one at a time
};

} // namespace quorvel
