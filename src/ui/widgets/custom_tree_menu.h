#pragma once

#include <QWidget>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel {

// A popup holding a one-column tree; its height follows what the builder
// reports, kept between 128 and 600 pixels.
class custom_tree_menu : public QWidget {
    Q_OBJECT
public:
    explicit custom_tree_menu(QWidget* parent = nullptr);

    using builder_t = std::function<int(QTreeWidget*)>;
    void fill(const builder_t& builder);
    QTreeWidget* tree() const { return tree_; }

    static int clamped_height(int height) { return qBound(128, height, 600); }

signals:
    void item_clicked(QTreeWidgetItem* item);

private:
    QTreeWidget* tree_;
};

} // namespace quorvel
