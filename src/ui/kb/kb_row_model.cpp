#include "model/session_state.h"
#include "ui/kb/kb_row_model.h"

#include "protocol/protocol.h"

#include <algorithm>

namespace quorvel {

namespace {

constexpr int dept_part = int(protocol::part::dept);

template <class T> QList<T> sorted_by_sort(QList<T> list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const T& a, const T& b) { return a->sort < b->sort; });
    return list;
}

} // namespace

kb_row_model::kb_row_model(int part, QObject* parent) : QObject(parent), part_(part) {
    data_center& dc = data_center::instance();
    // The department part starts on the user's default department.
    if (part_ == dept_part && session_state::instance().dept_id().isEmpty())
        if (const dept_tree_node_spt dept = session_state::instance().default_department())
            session_state::instance().set_dept_id(dept->id);
    connect(&dc, &data_center::changed, this, &kb_row_model::on_store_changed);
}

QString kb_row_model::shown_dept() const {
    return part_ == dept_part ? session_state::instance().dept_id() : QString();
}

bool kb_row_model::shows(int part, const QString& dept_id) const {
    return part == part_ && (part_ != dept_part || dept_id == shown_dept());
}

void kb_row_model::set_shown_dept(const QString& dept_id) {
    if (part_ == dept_part)
        session_state::instance().set_dept_id(dept_id);
}

QList<category_node_spt> kb_row_model::top_categories() const {
    const QList<category_node_spt>* tops =
        data_center::instance().top_categories(library_kind::scripts, part_, shown_dept());
    return tops ? *tops : QList<category_node_spt>{};
}

QList<category_node_spt> kb_row_model::categories_in(const QString& category_id) const {
    return sorted_by_sort(children_of(category_id));
}

QList<script_node_spt> kb_row_model::scripts_in(const QString& category_id) const {
    return sorted_by_sort(data_center::instance().scripts_of(category_id));
}

category_node_spt kb_row_model::find_category(const QString& id) const {
    return data_center::instance().find_category(library_kind::scripts, part_, shown_dept(), id);
}

category_node_spt kb_row_model::first_level_of(const QString& id) const {
    return data_center::instance().first_level_category(library_kind::scripts, part_, shown_dept(),
                                                        id);
}

QList<category_node_spt> kb_row_model::children_of(const QString& id) const {
    const QList<category_node_spt>* children =
        data_center::instance().category_children(library_kind::scripts, part_, shown_dept(), id);
    return children ? *children : QList<category_node_spt>{};
}

QString kb_row_model::top_of_script(const script_node_spt& script) const {
    if (!script)
        return QString();
    const data_center& dc = data_center::instance();
    const category_node_spt category =
        dc.find_category(library_kind::scripts, part_, script->deptId, script->classifyId);
    const category_node_spt top = category ? dc.first_level_category(library_kind::scripts, part_,
                                                                     script->deptId, category->id)
                                           : nullptr;
    return top ? top->id : QString();
}

QString kb_row_model::top_of(const QString& category_id) const {
    const category_node_spt top = first_level_of(category_id);
    return top ? top->id : QString();
}

// ---- decoding the store's changes ----

void kb_row_model::on_store_changed(const store_change_t& change) {
    if (change.library != library_kind::scripts || !shows(change.part, change.dept_id))
        return;
    if (change.subject == store_subject::categories)
        on_categories_changed(change);
    else if (change.subject == store_subject::scripts)
        on_scripts_changed(change);
}

void kb_row_model::on_categories_changed(const store_change_t& change) {
    kb_row_change_t rows;
    rows.kind = category_row;
    // The synchronisation fills the store before any view; later a part
    // reloaded from the server resets the rows from it.
    if (change.op == store_op::replaced) {
        if (change.part >= 0)
            emit rows_changed(rows);
        return;
    }
    if (change.ids.isEmpty())
        return;
    rows.id = change.ids.first();
    rows.parent_id = change.category_id;
    switch (change.op) {
    case store_op::added:
    case store_op::updated: {
        const category_node_spt category = find_category(rows.id);
        if (!category)
            return;
        // A category added to the department part shows in its own department only.
        if (change.op == store_op::added && part_ == dept_part && category->deptId != shown_dept())
            return;
        rows.op = change.op == store_op::added ? kb_row_op::inserted : kb_row_op::updated;
        rows.category = category;
        rows.parent_id = category->superId;
        rows.top_id = category->superId == top_level_id ? category->id : top_of(category->id);
        break;
    }
    case store_op::removed:
        // Gone from the store: the change names it and its parent.
        rows.op = kb_row_op::removed;
        rows.top_id = rows.parent_id == top_level_id ? rows.id : top_of(rows.parent_id);
        break;
    case store_op::sorted:
        rows.op = kb_row_op::reordered;
        rows.id.clear();
        rows.ids = change.ids;
        rows.top_id = rows.parent_id == top_level_id ? QString() : top_of(rows.parent_id);
        break;
    case store_op::replaced:
        return;
    }
    emit rows_changed(rows);
}

void kb_row_model::on_scripts_changed(const store_change_t& change) {
    kb_row_change_t rows;
    rows.kind = script_row;
    rows.parent_id = change.category_id;
    if (change.op == store_op::replaced) {
        if (change.category_id.isEmpty())
            return;
        rows.top_id = top_of(change.category_id);
        rows.scripts = change.scripts;
        return emit rows_changed(rows);
    }
    if (change.ids.isEmpty())
        return;
    for (const script_node_spt& stored : data_center::instance().scripts_of(change.category_id))
        if (stored && stored->id == change.ids.first())
            rows.script = stored;
    if (!rows.script) { // removed: the change names it
        rows.script = script_node_spt::create();
        rows.script->id = change.ids.first();
        rows.script->classifyId = change.category_id;
        rows.script->deptId = change.dept_id;
    }
    rows.id = rows.script->id;
    rows.parent_id = rows.script->classifyId;
    rows.top_id = top_of_script(rows.script);
    switch (change.op) {
    case store_op::added:
        rows.op = kb_row_op::inserted;
        break;
    case store_op::updated:
        rows.op = kb_row_op::updated;
        break;
    case store_op::removed:
        rows.op = kb_row_op::removed;
        break;
    default:
        return;
    }
    emit rows_changed(rows);
}

} // namespace quorvel
