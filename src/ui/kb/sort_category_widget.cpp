#include "ui/kb/sort_category_widget.h"

#include "ui/library/drag_drop_listwidget.h"

#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvel {

sort_category_widget::sort_category_widget(const QList<category_node_spt>& siblings,
                                           QWidget* parent)
    : base_dialog(parent), list_(new drag_drop_listwidget(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(windowFlags() | Qt::Window);
    set_title(QStringLiteral("分类排序"));
    resize(200, 400);

    QList<category_node_spt> sorted;
    for (const category_node_spt& category : siblings)
        if (category)
            sorted << category;
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [](const category_node_spt& a, const category_node_spt& b) { return a->sort < b->sort; });
    for (const category_node_spt& category : sorted) {
        auto* item = new QListWidgetItem(category->classifyName, list_);
        item->setData(Qt::UserRole, category->id);
    }

    auto* hint = new QLabel(
        QStringLiteral("提示：鼠标拖拽排序，排序完成后请直接关闭窗口，并等待主界面刷新。"), this);
    hint->setWordWrap(true);
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(list_);
    layout->addWidget(hint);
    add_content_layout(layout);

    connect(list_, &drag_drop_listwidget::item_order_changed, this,
            [this] { emit order_changed(ordered_ids()); });
}

QStringList sort_category_widget::ordered_ids() const {
    QStringList ids;
    for (int row = 0; row < list_->count(); ++row)
        ids << list_->item(row)->data(Qt::UserRole).toString();
    return ids;
}

} // namespace quorvel
