#pragma once

#include "model/data_center.h"

#include <QObject>
#include <QStringList>

namespace quorvel {

enum class doc_row_op {
    categories_reset, // the document category tree changed
    updated,          // the rows of `ids` show new records
    removed,          // the rows of `ids` left `category_id`
    listed,           // `category_id`'s list changed (empty: any category's)
};

// What the document page's tree and list must do after a store change.
struct doc_row_change_t {
    doc_row_op op = doc_row_op::listed;
    QString category_id;
    QStringList ids;
};

// The document page's view of the store's change signal: it keeps the
// changes of the document library and says which rows they touch. It has no
// widgets; the page decides what its current list makes of them.
class doc_row_model : public QObject {
    Q_OBJECT
public:
    explicit doc_row_model(QObject* parent = nullptr);

signals:
    void rows_changed(const quorvel::doc_row_change_t& change);

private:
    void on_store_changed(const store_change_t& change);
};

} // namespace quorvel
