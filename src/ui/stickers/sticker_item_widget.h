#pragma once

#include "model/data_center.h"

#include <QHash>
#include <QWidget>

class QMenu;
class QSplitter;
class QStackedWidget;

namespace quorvel {

class blank_sticker_flow_widget;
class blank_widget;
class category_button;
class category_flow_widget;
class sticker_flow_widget;
class sticker_item;
class sticker_row_model;
struct sticker_row_change_t;

// One scope of the sticker page (0 public, 1 personal, 2 department): the
// category bar above a page of tiles per category. Built from the store and
// kept in step with its `changed` reports; dialogs opened from the menus
// change the store through their actions.
class sticker_item_widget : public QWidget {
    Q_OBJECT
public:
    enum page_index { empty_page = 0, no_stickers_page = 1 };

    explicit sticker_item_widget(int type, QWidget* parent = nullptr);

    int type() const { return type_; }
    // The department the department scope shows.
    const QString& dept_id() const { return dept_id_; }
    category_flow_widget* bar() const { return bar_; }
    QStackedWidget* pages() const { return pages_; }
    category_button* plus_button() const { return plus_; }
    category_button* button(const QString& category_id) const;
    sticker_flow_widget* page(const QString& category_id) const;
    QStringList category_ids() const; // in bar order
    QString checked_category() const;
    void check_category(const QString& category_id);

    // Rebuilds the department scope for another department.
    void switch_department(const QString& dept_id);
    // Adds the category's button and page unless it has them; false when the
    // category belongs to another scope or department.
    bool ensure_category(const category_node_spt& category);
    void ensure_tile(const sticker_node_spt& sticker);

    // The menus, as their right clicks open them.
    QMenu* category_menu(category_button* button);
    QMenu* sticker_menu(sticker_item* tile);
    QMenu* page_menu(sticker_flow_widget* page);

    // What the tiles do; public for the tests that drive them without a mouse.
    void preview(sticker_item* tile);
    void send(sticker_item* tile);

signals:
    // A sticker whose file had to be fetched first could not be sent.
    void send_failed(const QString& sticker_id, const QString& reason);

private:
    void load();
    void clear();
    category_node_spt category(const QString& category_id) const;
    sticker_flow_widget* add_category(const category_node_spt& category);
    void remove_category(const QString& category_id);
    void fill_page(sticker_flow_widget* page);
    void show_checked_page();
    void after_category_removed(bool was_checked);
    sticker_item* tile_of(const QString& category_id, const QString& sticker_id) const;

    void on_rows_changed(const sticker_row_change_t& change);
    void on_stickers_changed(const sticker_row_change_t& change);
    void on_categories_changed(const sticker_row_change_t& change);

    void open_add_dialog(const QString& category_id);
    void open_new_category();
    void open_rename_category(const category_node_spt& category);
    void open_delete_category(const category_node_spt& category);
    void open_transfer_category(const category_node_spt& category, bool copy);
    void open_update_sticker(const sticker_node_spt& sticker);
    void open_delete_sticker(const sticker_node_spt& sticker);
    void open_transfer_sticker(const sticker_node_spt& sticker, bool copy);
    void copy_to_clipboard(sticker_item* tile);
    // Runs then with the sticker's cached file, fetching it first when it is
    // missing; a file that cannot be had is reported on the tile instead.
    void with_file(sticker_item* tile, std::function<void(const QString&)> then);

    int type_;
    QString dept_id_;
    QSplitter* splitter_;
    category_flow_widget* bar_;
    category_button* plus_;
    QStackedWidget* pages_;
    blank_widget* empty_;
    blank_sticker_flow_widget* no_stickers_;
    QHash<QString, category_button*> buttons_;
    QHash<QString, sticker_flow_widget*> pages_by_id_;
    sticker_row_model* model_;
};

} // namespace quorvel
