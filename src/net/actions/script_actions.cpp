#include "net/actions/script_actions.h"

#include "model/data_center.h"
#include "net/request_center.h"
#include "protocol/protocol.h"

namespace quorvel {

namespace {

json_map_t query_params(int part, const QString& category_id, const QString& keywords) {
    return {{QStringLiteral("speechContent"), QString()},
            {QStringLiteral("speechContentKeywords"), keywords},
            {QStringLiteral("classifyId"), category_id},
            {QStringLiteral("deptId"), QString()},
            {QStringLiteral("classifyType"), QString::number(part)}};
}

json_map_t create_params(const script_actions::new_script_t& script) {
    return {{QStringLiteral("classifyId"), script.category_id},
            {QStringLiteral("classifyType"), QString::number(script.part)},
            {QStringLiteral("deptId"), script.dept_id},
            {QStringLiteral("speechContent"), script.content},
            {QStringLiteral("speechContentKeywords"), script.keywords},
            {QStringLiteral("customShortcuts"), QStringLiteral("unknown")}};
}

json_map_t edit_params(const script_node_spt& script, const QString& content,
                       const QString& keywords) {
    return {{QStringLiteral("id"), script->id},
            {QStringLiteral("operateType"), protocol::edit_script::change},
            {QStringLiteral("classifyId"), script->classifyId},
            {QStringLiteral("classifyType"), script->classifyType},
            {QStringLiteral("deptId"), script->deptId},
            {QStringLiteral("speechContent"), content},
            {QStringLiteral("speechContentKeywords"), keywords},
            {QStringLiteral("customShortcuts"), QStringLiteral("unknown")}};
}

void report_saved(const script_actions::saved_cb& done, const action_result_t& result,
                  const script_node_spt& node) {
    if (done)
        done(result, node);
}

} // namespace

void script_actions::create_script(const new_script_t& script, action_cb done) {
    // The request stores the new script itself (data_center::add_script).
    request_center::instance()->create_script(
        create_params(script), this,
        [done](const script_node_spt&) { report(done, action_result_t::success()); },
        fail_with(done));
}

void script_actions::edit_script(const script_node_spt& script, const QString& content,
                                 const QString& keywords, action_cb done) {
    if (!script)
        return report(done, action_result_t::failure(QString()));
    // The request copies the reply into the stored script (data_center::update_script).
    request_center::instance()->update_script(
        edit_params(script, content, keywords), this,
        [done](const script_node_spt&) { report(done, action_result_t::success()); },
        fail_with(done));
}

void script_actions::save_new_script(const new_script_t& script, saved_cb done) {
    request_center::instance()->run<script_node_spt>(
        requests::create_script, payload_t::fields(create_params(script)), this,
        [done](const script_node_spt& node) {
            report_saved(done, action_result_t::success(), node);
        },
        [done](const QString& error) { report_saved(done, action_result_t::failure(error), {}); });
}

void script_actions::save_script_edit(const script_node_spt& script, const QString& content,
                                      const QString& keywords, saved_cb done) {
    if (!script)
        return report_saved(done, action_result_t::failure(QString()), {});
    request_center::instance()->run<script_node_spt>(
        requests::update_script, payload_t::fields(edit_params(script, content, keywords)), this,
        [done](const script_node_spt& node) {
            report_saved(done, action_result_t::success(), node);
        },
        [done](const QString& error) { report_saved(done, action_result_t::failure(error), {}); });
}

void script_actions::keep_saved(const script_node_spt& saved, bool created) {
    if (!saved)
        return;
    data_center& dc = data_center::instance();
    // A reload of the category may have brought the script in meanwhile.
    if (!dc.update_script(saved) && created)
        dc.add_script(saved);
}

void script_actions::transfer_script(const script_node_spt& script, bool copy, int target_part,
                                     const QString& target_category_id,
                                     const QString& target_dept_id, action_cb done) {
    if (!script)
        return report(done, action_result_t::failure(QString()));
    const json_map_t params{{QStringLiteral("id"), script->id},
                            {QStringLiteral("operateType"),
                             copy ? protocol::edit_script::copy : protocol::edit_script::move},
                            {QStringLiteral("classifyId"), target_category_id},
                            {QStringLiteral("deptId"), target_dept_id}};
    request_center::instance()->transfer_script(
        params, this,
        [this, script, copy, target_part, target_category_id, target_dept_id, done] {
            if (!copy)
                data_center::instance().remove_script(script);
            reload_category(target_part, target_dept_id, target_category_id, done);
        },
        fail_with(done));
}

void script_actions::delete_script(const script_node_spt& script, action_cb done) {
    if (!script)
        return report(done, action_result_t::failure(QString()));
    const json_map_t params{{QStringLiteral("id"), script->id},
                            {QStringLiteral("operateType"), protocol::edit_script::remove},
                            {QStringLiteral("deptId"), script->deptId},
                            {QStringLiteral("classifyId"), script->classifyId}};
    request_center::instance()->delete_script(
        params, this,
        [script, done] {
            data_center::instance().remove_script(script);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void script_actions::sort_scripts(const QString& script_id, const QString& category_id,
                                  const QStringList& sibling_ids, action_cb done) {
    request_center::instance()->move_script(
        script_id, category_id, sibling_ids, this,
        [done] { report(done, action_result_t::success()); }, fail_with(done));
}

void script_actions::reload_category(int part, const QString& dept_id, const QString& category_id,
                                     action_cb done) {
    request_center::instance()->query_scripts(
        query_params(part, category_id, QString()), this,
        [part, dept_id, category_id, done](const script_list_t& scripts) {
            data_center::instance().replace_category_scripts(part, dept_id, category_id, scripts);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void script_actions::search_scripts(
    int part, const QString& text,
    std::function<void(const action_result_t&, const QList<script_node_spt>&)> done) {
    request_center::instance()->query_scripts(
        query_params(part, QString(), text), this,
        [done](const script_list_t& scripts) {
            if (done)
                done(action_result_t::success(), scripts);
        },
        [done](const QString& error) {
            if (done)
                done(action_result_t::failure(error), {});
        });
}

} // namespace quorvel
