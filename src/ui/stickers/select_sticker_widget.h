#pragma once

#include "model/category_tree.h"
#include "model/records.h"
#include "ui/widgets/base_dialog.h"

#include <QHash>
#include <QPointer>
#include <QScrollArea>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QStackedLayout;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;

namespace quorvel {

class custom_button;
class flow_layout_widget;
class select_department_combobox;

// A scroll area around a flow of widgets.
class scrollable_flow_widget : public QScrollArea {
    Q_OBJECT
public:
    explicit scrollable_flow_widget(QWidget* parent = nullptr);
    flow_layout_widget* flow() const { return flow_; }

private:
    flow_layout_widget* flow_;
};

// A sticker image with a check box in its bottom-right corner.
class selectable_sticker_item : public QWidget {
    Q_OBJECT
public:
    selectable_sticker_item(const sticker_node_spt& sticker, const QSize& size,
                            QWidget* parent = nullptr);
    const sticker_node_spt& sticker() const { return sticker_; }
    QCheckBox* check_box() const { return check_; }
    void set_pixmap(const QPixmap& pixmap);

signals:
    void check_state_changed(bool checked);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    sticker_node_spt sticker_;
    QLabel* image_;
    QCheckBox* check_;
};

// The sticker picker of the script editor: stickers of any scope and
// category are checked into a strip; "插入" reports the strip.
class select_sticker_widget : public base_dialog {
    Q_OBJECT
public:
    explicit select_sticker_widget(QWidget* parent = nullptr);
    ~select_sticker_widget() override;

    QComboBox* scope_box() const { return scope_; }
    select_department_combobox* department() const { return department_; }
    QTreeWidget* tree() const { return tree_; }
    QWidget* current_page() const;
    QList<selectable_sticker_item*> items(const QString& category_id) const;
    // The stickers of the strip, in order.
    QList<sticker_node_spt> chosen() const;
    custom_button* insert_button() const { return insert_; }
    void choose_department(const QString& id, const QString& name);

signals:
    void selected_result(QList<quorvel::sticker_node_spt> stickers);

public slots:
    void on_category_changed(QTreeWidgetItem* current, QTreeWidgetItem* prev);
    void on_ok();

private:
    void rebuild_tree();
    void add_children(const category_tree_t& tree, const QString& parent_id,
                      QTreeWidgetItem* parent_item);
    scrollable_flow_widget* build_page(const QString& category_id);
    void load_images(scrollable_flow_widget* page, const QStringList& paths);
    void on_checked(selectable_sticker_item* item, bool checked);

    QComboBox* scope_;
    select_department_combobox* department_;
    QString dept_id_;
    QTreeWidget* tree_;
    QStackedLayout* pages_;
    QHash<QString, scrollable_flow_widget*> pages_by_id_;
    QHBoxLayout* strip_;
    custom_button* insert_;
    custom_button* close_;
    QList<QPointer<QThread>> loaders_;
};

} // namespace quorvel
