#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

#include <QStringList>

namespace quorvel {

class drag_drop_listwidget;

// "分类排序": sibling categories in a list the user reorders by dragging;
// every drop that moves one reports the whole new order at once.
class sort_category_widget : public base_dialog {
    Q_OBJECT
public:
    explicit sort_category_widget(const QList<category_node_spt>& siblings,
                                  QWidget* parent = nullptr);

    drag_drop_listwidget* list() const { return list_; }

signals:
    void order_changed(QStringList ordered_categories);

private:
    QStringList ordered_ids() const;

    drag_drop_listwidget* list_;
};

} // namespace quorvel
