#pragma once

#include <QWidget>

namespace quorvel {

class category_widget;
class doc_item_widget;

// The cloud-document page of the main window: one tab, "文档", above the view.
class doc_tab_widget : public QWidget {
    Q_OBJECT
public:
    explicit doc_tab_widget(QWidget* parent = nullptr);

    category_widget* tabs() const { return tabs_; }
    doc_item_widget* view() const { return view_; }

private:
    category_widget* tabs_;
    doc_item_widget* view_;
};

} // namespace quorvel
