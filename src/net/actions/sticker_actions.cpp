#include "net/actions/sticker_actions.h"

#include "model/data_center.h"
#include "net/request_center.h"
#include "protocol/protocol.h"

namespace quorvel {

namespace {

// A sticker uploaded by this program names its file by file-store id.
const QString file_store_sticker = QLatin1String(protocol::sticker_type::stored);

} // namespace

void sticker_actions::add_sticker(const QString& category_id, const QString& file_id,
                                  const QString& name, action_cb done) {
    add_sticker(
        category_id, file_id, name, nullptr,
        [done](const action_result_t& result, const sticker_node_spt&) { report(done, result); });
}

void sticker_actions::add_sticker(const QString& category_id, const QString& file_id,
                                  const QString& name,
                                  std::function<void(const sticker_node_spt&)> prepare,
                                  sticker_cb done) {
    const json_map_t params{{QStringLiteral("emojiType"), file_store_sticker},
                            {QStringLiteral("fileId"), file_id},
                            {QStringLiteral("emojiContent"), QString()},
                            {QStringLiteral("deptId"), QString()},
                            {QStringLiteral("emojiContentDesc"), name},
                            {QStringLiteral("emojiContentMatchKeywords"), name},
                            {QStringLiteral("classifyId"), category_id}};
    request_center::instance()->add_sticker(
        params, this,
        [prepare, done](const sticker_node_spt& added) {
            if (prepare)
                prepare(added);
            data_center::instance().add_sticker(added);
            if (done)
                done(action_result_t::success(), added);
        },
        [done](const QString& error) {
            if (done)
                done(action_result_t::failure(error), {});
        });
}

void sticker_actions::rename_sticker(const sticker_node_spt& sticker, const QString& name,
                                     action_cb done) {
    if (!sticker)
        return report(done, action_result_t::failure(QString()));
    const json_map_t params{{QStringLiteral("id"), sticker->id},
                            {QStringLiteral("operateType"), protocol::edit_sticker::change},
                            {QStringLiteral("classifyId"), sticker->classifyId},
                            {QStringLiteral("fileId"), sticker->fileId},
                            {QStringLiteral("emojiContent"), sticker->emojiContent},
                            {QStringLiteral("emojiType"), sticker->emojiType},
                            {QStringLiteral("emojiContentDesc"), name},
                            {QStringLiteral("emojiContentMatchKeywords"), name},
                            {QStringLiteral("deptId"), top_level_id}};
    request_center::instance()->update_sticker(
        params, this,
        [sticker, name, done](const sticker_node_spt&) {
            auto renamed = sticker_node_spt::create(*sticker);
            renamed->emojiContentDesc = name;
            renamed->emojiContentMatchKeywords = name;
            data_center::instance().update_sticker(renamed);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void sticker_actions::delete_sticker(const sticker_node_spt& sticker, action_cb done) {
    if (!sticker)
        return report(done, action_result_t::failure(QString()));
    const json_map_t params{{QStringLiteral("id"), sticker->id},
                            {QStringLiteral("operateType"), protocol::edit_sticker::remove},
                            {QStringLiteral("classifyId"), sticker->classifyId}};
    request_center::instance()->update_sticker(
        params, this,
        [sticker, done](const sticker_node_spt&) {
            data_center::instance().remove_sticker(sticker);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void sticker_actions::transfer_sticker(const sticker_node_spt& sticker, bool copy,
                                       const QString& target_category_id,
                                       const QString& target_dept_id, action_cb done) {
    transfer_sticker(
        sticker, copy, target_category_id, target_dept_id,
        [done](const action_result_t& result, const sticker_node_spt&) { report(done, result); });
}

void sticker_actions::transfer_sticker(const sticker_node_spt& sticker, bool copy,
                                       const QString& target_category_id,
                                       const QString& target_dept_id, sticker_cb done) {
    if (!sticker) {
        if (done)
            done(action_result_t::failure(QString()), {});
        return;
    }
    const json_map_t params{{QStringLiteral("id"), sticker->id},
                            {QStringLiteral("operateType"),
                             copy ? protocol::edit_sticker::copy : protocol::edit_sticker::move},
                            {QStringLiteral("classifyId"), target_category_id},
                            {QStringLiteral("deptId"), target_dept_id}};
    request_center::instance()->update_sticker(
        params, this,
        [sticker, copy, done](const sticker_node_spt& placed) {
            data_center& dc = data_center::instance();
            if (!copy)
                dc.remove_sticker(sticker);
            if (placed && !placed->id.isEmpty())
                dc.add_sticker(placed);
            if (done)
                done(action_result_t::success(), placed);
        },
        [done](const QString& error) {
            if (done)
                done(action_result_t::failure(error), {});
        });
}

} // namespace quorvel
