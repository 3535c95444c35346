#include "ui/widgets/custom_tree_menu.h"

#include <QTreeWidget>
#include <QVBoxLayout>

namespace quorvel {

custom_tree_menu::custom_tree_menu(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), tree_(new QTreeWidget(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    layout->addWidget(tree_);
    connect(tree_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { emit item_clicked(item); });
}

void custom_tree_menu::fill(const builder_t& builder) {
    const int height = builder(tree_);
    tree_->expandAll();
    setFixedHeight(clamped_height(height));
}

} // namespace quorvel
