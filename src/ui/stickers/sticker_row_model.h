#pragma once

#include "model/data_center.h"
#include "model/records.h"

#include <QObject>
#include <QStringList>

namespace quorvel {

enum class sticker_row_op {
    reset,    // the whole scope: every category and tile read anew
    inserted, // categories (buttons and pages) or tiles of `ids`
    updated,  // the records of `ids` changed
    removed,  // categories or tiles of `ids`; tiles without ids: every tile of the category
    listed,   // the tiles of `category_id` read anew
};

// What one scope of the sticker page must do after a store change.
struct sticker_row_change_t {
    sticker_row_op op = sticker_row_op::reset;
    bool categories = false; // category buttons and pages, else tiles
    QString category_id;     // tiles: their category
    QStringList ids;
    // inserted and updated: the stored record of each id, null when the store has none
    QList<category_node_spt> category_records;
    QList<sticker_node_spt> stickers;
};

// One scope of the sticker page (0 public, 1 personal, 2 department) as the
// store's change signal concerns it. It has no widgets; the page renders
// what it reports for the categories and tiles it has made.
class sticker_row_model : public QObject {
    Q_OBJECT
public:
    explicit sticker_row_model(int type, QObject* parent = nullptr);

    // The department the department scope shows, as the page loaded it.
    void set_dept(const QString& dept_id) { dept_id_ = dept_id; }

signals:
    void rows_changed(const quorvel::sticker_row_change_t& change);

private:
    void on_store_changed(const store_change_t& change);
    void on_stickers_changed(const store_change_t& change);
    void on_categories_changed(const store_change_t& change);

    int type_;
    QString dept_id_;
};

} // namespace quorvel
