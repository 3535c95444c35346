#pragma once

#include "ui/library/department_picker_tab.h"

#include <QStackedLayout>
#include <QToolButton>
#include <QVariantList>
#include <QWidget>

namespace quorvel {

class category_widget;
class select_department_menu;
class sticker_item_widget;

// The sticker page: the public, personal and department scopes.
class sticker_tab_widget : public QWidget {
    Q_OBJECT
public:
    explicit sticker_tab_widget(QWidget* parent = nullptr);

    sticker_item_widget* view(int type) const { return views_[type]; }
    category_widget* tabs() const { return tabs_; }
    QStackedLayout* stack() const { return stack_; }
    QToolButton* department_tab() const { return dept_tab_; }
    select_department_menu* show_department_menu();
    void choose_department(const QString& dept_id, const QString& name);

public slots:
    void on_create_category(const QVariantList& args);
    void on_transfer_category(const QVariantList& args);
    void on_transfer_sticker(const QVariantList& args);

private:
    void create_department_tab();

    category_widget* tabs_;
    QStackedLayout* stack_;
    sticker_item_widget* views_[3];
    department_picker_tab* dept_tab_;
};

} // namespace quorvel
