#include "ui/stickers/sticker_row_model.h"

#include "protocol/protocol.h"

namespace quorvel {

namespace {

// Added and updated records become inserted and updated rows, removed ones
// removed rows; anything else reads the scope anew.
sticker_row_op row_op_of(store_op op, sticker_row_op read_anew) {
    switch (op) {
    case store_op::added:
        return sticker_row_op::inserted;
    case store_op::updated:
        return sticker_row_op::updated;
    case store_op::removed:
        return sticker_row_op::removed;
    default:
        return read_anew;
    }
}

} // namespace

sticker_row_model::sticker_row_model(int type, QObject* parent) : QObject(parent), type_(type) {
    connect(&data_center::instance(), &data_center::changed, this,
            &sticker_row_model::on_store_changed);
}

void sticker_row_model::on_store_changed(const store_change_t& change) {
    if (change.subject == store_subject::stickers)
        on_stickers_changed(change);
    else if (change.subject == store_subject::categories &&
             change.library == library_kind::stickers)
        on_categories_changed(change);
}

void sticker_row_model::on_stickers_changed(const store_change_t& change) {
    sticker_row_change_t rows;
    if (change.op == store_op::replaced && change.category_id.isEmpty())
        return emit rows_changed(rows);
    rows.category_id = change.category_id;
    rows.ids = change.ids;
    rows.op = row_op_of(change.op, sticker_row_op::listed);
    if (rows.op == sticker_row_op::inserted || rows.op == sticker_row_op::updated) {
        const QList<sticker_node_spt> stored =
            data_center::instance().stickers_by_category().value(change.category_id);
        for (const QString& id : change.ids) {
            sticker_node_spt found;
            for (const sticker_node_spt& s : stored)
                if (s && s->id == id) {
                    found = s;
                    break;
                }
            rows.stickers << found;
        }
    }
    emit rows_changed(rows);
}

void sticker_row_model::on_categories_changed(const store_change_t& change) {
    if (change.part != type_ || (type_ == int(protocol::part::dept) && change.dept_id != dept_id_))
        return;
    sticker_row_change_t rows;
    rows.categories = true;
    rows.ids = change.ids;
    rows.op = row_op_of(change.op, sticker_row_op::reset);
    if (rows.op == sticker_row_op::inserted || rows.op == sticker_row_op::updated)
        for (const QString& id : change.ids)
            rows.category_records << data_center::instance().find_category(library_kind::stickers,
                                                                           type_, dept_id_, id);
    emit rows_changed(rows);
}

} // namespace quorvel
