#pragma once

#include "model/data_center.h"
#include "model/records.h"

#include <QObject>
#include <QStringList>

namespace quorvel {

// Row kinds of the scripts page. Category and script ids come from separate
// sequences and collide, so a row is named by its kind and id together.
enum kb_row_kind { category_row = 0, script_row = 1 };

enum class kb_row_op {
    reset,     // category rows: the whole part; script rows: one category's scripts
    inserted,  // one row
    updated,   // one row's record
    removed,   // one row (and a category's rows below it)
    reordered, // a category's sub-category rows, in `ids` order
};

// What the rows of one part must do after a store change.
struct kb_row_change_t {
    kb_row_op op = kb_row_op::reset;
    kb_row_kind kind = category_row;
    QString id;        // the row; empty for reset and reordered
    QString parent_id; // the category the rows sit in (top_level_id: the strip)
    // The first-level category whose tree shows the rows (a first-level
    // category is its own); empty when the store knows none.
    QString top_id;
    QStringList ids;                // reordered: the new order
    category_node_spt category;     // inserted, updated categories
    script_node_spt script;         // script rows; removed ones named only
    QList<script_node_spt> scripts; // script reset: the category's new list
};

// The rows of one library part (0 public, 1 personal, 2 department) as the
// store holds them: it decodes the store's change signal for the scripts
// page and reads the part's categories and scripts in display order. It has
// no widgets; the page renders what it reports.
class kb_row_model : public QObject {
    Q_OBJECT
public:
    explicit kb_row_model(int part, QObject* parent = nullptr);

    int part() const { return part_; }
    // The department whose categories the part shows; empty outside that part.
    QString shown_dept() const;
    bool shows(int part, const QString& dept_id) const;
    // The view state the department part keeps in the store.
    void set_shown_dept(const QString& dept_id);

    // ---- rows in display order ----
    QList<category_node_spt> top_categories() const;
    QList<category_node_spt> categories_in(const QString& category_id) const;
    QList<script_node_spt> scripts_in(const QString& category_id) const;

    // ---- lookups in the part's category tables ----
    category_node_spt find_category(const QString& id) const;
    category_node_spt first_level_of(const QString& id) const;
    QList<category_node_spt> children_of(const QString& id) const;
    // The first-level category of a script's category, in the script's own
    // department: a reply may come after a department switch.
    QString top_of_script(const script_node_spt& script) const;

signals:
    void rows_changed(const quorvel::kb_row_change_t& change);

private:
    void on_store_changed(const store_change_t& change);
    void on_categories_changed(const store_change_t& change);
    void on_scripts_changed(const store_change_t& change);
    QString top_of(const QString& category_id) const;

    int part_;
};

} // namespace quorvel

Q_DECLARE_METATYPE(quorvel::kb_row_change_t)
