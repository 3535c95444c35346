#include "ui/docs/doc_tab_widget.h"

#include "ui/docs/doc_item_widget.h"
#include "ui/library/category_widget.h"

#include <QStackedLayout>
#include <QVBoxLayout>

namespace quorvel {

doc_tab_widget::doc_tab_widget(QWidget* parent)
    : QWidget(parent), tabs_(new category_widget(this)), view_(new doc_item_widget(this)) {
    tabs_->add_tab(QStringLiteral("文档"));
    auto* stack = new QStackedLayout;
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(view_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 0, 0, 0);
    layout->addWidget(tabs_);
    layout->addLayout(stack);
}

} // namespace quorvel
