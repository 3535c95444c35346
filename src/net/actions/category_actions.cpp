#include "net/actions/category_actions.h"

#include "model/data_center.h"
#include "net/request_center.h"
#include "protocol/protocol.h"

namespace quorvel {

namespace {

QString trimmed_or(const QString& name, const QString& old_name) {
    const QString trimmed = name.trimmed();
    return trimmed.isEmpty() ? old_name : trimmed;
}

library_kind library_of(const category_node_t& category) {
    if (category.clientBusinessType == QLatin1String(protocol::business::stickers))
        return library_kind::stickers;
    if (category.clientBusinessType == QLatin1String(protocol::business::documents))
        return library_kind::documents;
    return library_kind::scripts;
}

category_actions::category_cb without_record(const action_cb& done) {
    return
        [done](const action_result_t& result, const category_node_spt&) { report(done, result); };
}

std::function<void(const QString&)> fail_without_record(const category_actions::category_cb& done) {
    return [done](const QString& error) {
        if (done)
            done(action_result_t::failure(error), category_node_spt());
    };
}

} // namespace

void category_actions::create_category(const new_category_t& category, action_cb done) {
    create_category(category, without_record(done));
}

void category_actions::create_category(const new_category_t& category, category_cb done) {
    const json_map_t params{{QStringLiteral("classifyName"), category.name},
                            {QStringLiteral("clientBusinessType"), protocol::business::scripts},
                            {QStringLiteral("classifyType"), QString::number(category.part)},
                            {QStringLiteral("superiorId"),
                             category.parent_id.isEmpty() ? top_level_id : category.parent_id},
                            {QStringLiteral("deptId"), category.dept_id}};
    request_center::instance()->create_category(
        params, this,
        [done](const category_node_spt& created) {
            data_center::instance().add_category(library_kind::scripts, created);
            if (done)
                done(action_result_t::success(), created);
        },
        fail_without_record(done));
}

void category_actions::rename_category(const category_node_spt& category, const QString& name,
                                       action_cb done) {
    rename_category(category, name, without_record(done));
}

void category_actions::rename_category(const category_node_spt& category, const QString& name,
                                       category_cb done) {
    if (!category)
        return fail_without_record(done)(QString());
    const json_map_t params{
        {QStringLiteral("id"), category->id},
        {QStringLiteral("classifyName"), trimmed_or(name, category->classifyName)},
        {QStringLiteral("superId"), category->superId},
        {QStringLiteral("operateType"), protocol::edit_category::rename},
        {QStringLiteral("classifyType"), category->classifyType},
        {QStringLiteral("clientBusinessType"), category->clientBusinessType},
        {QStringLiteral("whetherToUnfold"),
         category->whetherToUnfold ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("deptId"), QString()}};
    request_center::instance()->update_category(
        params, this,
        [category, done](const category_node_spt& renamed) {
            // The stored record keeps its place; only its fields change.
            auto changed = category_node_spt::create(*category);
            changed->classifyName = renamed ? renamed->classifyName : category->classifyName;
            data_center::instance().update_category(library_of(*category), changed);
            if (done)
                done(action_result_t::success(), renamed ? renamed : changed);
        },
        fail_without_record(done));
}

void category_actions::delete_category(const category_node_spt& category, action_cb done) {
    delete_category(category, without_record(done));
}

void category_actions::delete_category(const category_node_spt& category, category_cb done) {
    if (!category)
        return fail_without_record(done)(QString());
    const json_map_t params{{QStringLiteral("id"), category->id},
                            {QStringLiteral("operateType"), protocol::edit_category::remove},
                            {QStringLiteral("classifyType"), category->classifyType},
                            {QStringLiteral("deptId"), category->deptId},
                            {QStringLiteral("clientBusinessType"), category->clientBusinessType}};
    request_center::instance()->delete_category(
        params, this,
        [category, done] {
            data_center::instance().remove_category(library_of(*category), category);
            if (done)
                done(action_result_t::success(), category);
        },
        fail_without_record(done));
}

void category_actions::transfer_category(const category_node_spt& category, bool copy,
                                         int target_part, const QString& target_dept_id,
                                         const QString& target_parent_id, action_cb done) {
    transfer_category(category, copy, target_part, target_dept_id, target_parent_id,
                      without_record(done));
}

void category_actions::transfer_category(const category_node_spt& category, bool copy,
                                         int target_part, const QString& target_dept_id,
                                         const QString& target_parent_id, category_cb done) {
    if (!category)
        return fail_without_record(done)(QString());
    const bool to_dept = target_part == int(protocol::part::dept);
    const json_map_t params{
        {QStringLiteral("id"), category->id},
        {QStringLiteral("operateType"),
         copy ? protocol::edit_category::copy : protocol::edit_category::move},
        {QStringLiteral("classifyType"), QString::number(target_part)},
        {QStringLiteral("deptId"), to_dept ? target_dept_id : top_level_id},
        {QStringLiteral("superId"), target_parent_id.isEmpty() ? top_level_id : target_parent_id},
        {QStringLiteral("sort"), QString::number(category->sort)},
        {QStringLiteral("clientBusinessType"), category->clientBusinessType}};
    request_center::instance()->update_category(
        params, this,
        [category, copy, done](const category_node_spt& placed) {
            data_center& dc = data_center::instance();
            if (!copy)
                dc.remove_category(library_kind::scripts, category);
            dc.add_category(library_kind::scripts, placed);
            if (done)
                done(action_result_t::success(), placed);
        },
        fail_without_record(done));
}

void category_actions::load_transferred(const category_node_spt& placed, categories_cb done) {
    const auto fail = [done](const QString& error) {
        if (done)
            done(action_result_t::failure(error), {});
    };
    if (!placed)
        return fail(QString());
    const json_map_t params{{QStringLiteral("clientBusinessType"), placed->clientBusinessType},
                            {QStringLiteral("classifyName"), QString()},
                            {QStringLiteral("superId"), placed->id},
                            {QStringLiteral("classifyType"), placed->classifyType},
                            {QStringLiteral("deptId"), placed->deptId}};
    request_center::instance()->query_sub_categories(
        params, this,
        [placed, done](const category_tree_t& reply) {
            QList<category_node_spt> set{placed};
            for (const category_node_spt& child : reply.value(placed->id).children)
                if (child)
                    set << child;
            // The placed category is already stored; its children join it.
            for (int i = 1; i < set.size(); ++i)
                data_center::instance().add_category(library_kind::scripts, set[i]);
            if (done)
                done(action_result_t::success(), set);
        },
        fail);
}

void category_actions::merge_fetched_scripts(const scripts_by_category_t& scripts) {
    data_center& dc = data_center::instance();
    for (const QList<script_node_spt>& list : scripts)
        for (const script_node_spt& script : list)
            if (script && !dc.update_script(script))
                dc.add_script(script);
}

void category_actions::reload_part(int part, const QString& dept_id, action_cb done) {
    const QString type = QString::number(part);
    const QString dept = part == int(protocol::part::dept) ? dept_id : QString();
    const json_map_t tree_params{
        {QStringLiteral("clientBusinessType"), protocol::business::scripts},
        {QStringLiteral("classifyName"), QString()},
        {QStringLiteral("superId"), QString()},
        {QStringLiteral("classifyType"), type},
        {QStringLiteral("deptId"), dept}};
    const json_map_t script_params{{QStringLiteral("speechContent"), QString()},
                                   {QStringLiteral("speechContentKeywords"), QString()},
                                   {QStringLiteral("classifyId"), QString()},
                                   {QStringLiteral("deptId"), dept},
                                   {QStringLiteral("classifyType"), type}};
    request_center::instance()->query_sub_categories(
        tree_params, this,
        [this, part, dept, script_params, done](const category_tree_t& tree) {
            request_center::instance()->query_scripts(
                script_params, this,
                [part, dept, tree, done](const script_list_t& list) {
                    script_map_t scripts;
                    for (const script_node_spt& script : list)
                        if (script)
                            scripts[script->classifyId] << script;
                    data_center::instance().replace_script_part(part, dept, tree, scripts);
                    report(done, action_result_t::success());
                },
                fail_with(done));
        },
        fail_with(done));
}

void category_actions::sort_categories(const category_node_spt& category,
                                       const QStringList& ordered_ids, action_cb done) {
    if (!category || ordered_ids.isEmpty())
        return report(done, action_result_t::failure(QString()));
    request_center::instance()->sort_category(
        category->id, category->superId, ordered_ids, this,
        [category, ordered_ids, done] {
            data_center::instance().sort_categories(library_kind::scripts, category, ordered_ids);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

} // namespace quorvel
