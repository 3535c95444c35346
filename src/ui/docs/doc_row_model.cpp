#include "ui/docs/doc_row_model.h"

namespace quorvel {

doc_row_model::doc_row_model(QObject* parent) : QObject(parent) {
    connect(&data_center::instance(), &data_center::changed, this,
            &doc_row_model::on_store_changed);
}

void doc_row_model::on_store_changed(const store_change_t& change) {
    doc_row_change_t rows;
    rows.category_id = change.category_id;
    rows.ids = change.ids;
    if (change.subject == store_subject::categories && change.library == library_kind::documents) {
        rows.op = doc_row_op::categories_reset;
        return emit rows_changed(rows);
    }
    if (change.subject != store_subject::docs)
        return;
    switch (change.op) {
    case store_op::updated:
        rows.op = doc_row_op::updated;
        break;
    case store_op::removed:
        rows.op = doc_row_op::removed;
        break;
    default: // added, replaced, sorted: the category's list is read anew
        rows.op = doc_row_op::listed;
    }
    emit rows_changed(rows);
}

} // namespace quorvel
