#include "net/actions/sticker_category_actions.h"

#include "model/data_center.h"
#include "net/request_center.h"
#include "protocol/protocol.h"

namespace quorvel {

namespace {

bool is_dept(int part) {
    return part == int(protocol::part::dept);
}

} // namespace

void sticker_category_actions::create_category(const QString& name, int part,
                                               const QString& dept_id, category_cb done) {
    const json_map_t params{{QStringLiteral("classifyName"), name},
                            {QStringLiteral("clientBusinessType"), protocol::business::stickers},
                            {QStringLiteral("classifyType"), QString::number(part)},
                            {QStringLiteral("superiorId"), top_level_id},
                            {QStringLiteral("deptId"), is_dept(part) ? dept_id : QString()}};
    request_center::instance()->create_category(
        params, this,
        [done](const category_node_spt& created) {
            data_center::instance().add_category(library_kind::stickers, created);
            if (done)
                done(action_result_t::success(), created);
        },
        [done](const QString& error) {
            if (done)
                done(action_result_t::failure(error), {});
        });
}

void sticker_category_actions::transfer_category(const category_node_spt& category, bool copy,
                                                 int target_part, const QString& target_dept_id,
                                                 category_cb done) {
    if (!category) {
        if (done)
            done(action_result_t::failure(QString()), {});
        return;
    }
    const json_map_t params{
        {QStringLiteral("id"), category->id},
        {QStringLiteral("operateType"),
         copy ? protocol::edit_category::copy : protocol::edit_category::move},
        {QStringLiteral("classifyType"), QString::number(target_part)},
        {QStringLiteral("clientBusinessType"), protocol::business::stickers},
        {QStringLiteral("deptId"), is_dept(target_part) ? target_dept_id : top_level_id},
        {QStringLiteral("superId"), top_level_id},
        {QStringLiteral("sort"), QString::number(category->sort)}};
    request_center::instance()->update_category(
        params, this,
        [category, copy, done](const category_node_spt& placed) {
            data_center& dc = data_center::instance();
            if (!copy)
                dc.remove_category(library_kind::stickers, category);
            dc.add_category(library_kind::stickers, placed);
            if (done)
                done(action_result_t::success(), placed);
        },
        [done](const QString& error) {
            if (done)
                done(action_result_t::failure(error), {});
        });
}

void sticker_category_actions::reload_stickers(const QString& category_id, stickers_cb done) {
    const json_map_t params{{QStringLiteral("classifyId"), category_id},
                            {QStringLiteral("emojiContentDesc"), QString()},
                            {QStringLiteral("emojiContentMatchKeywords"), QString()},
                            {QStringLiteral("emojiType"), QString()}};
    request_center::instance()->query_stickers(
        params, this,
        [category_id, done](const sticker_list_t& stickers) {
            data_center::instance().replace_category_stickers(category_id, stickers);
            if (done)
                done(action_result_t::success(), stickers);
        },
        [done](const QString& error) {
            if (done)
                done(action_result_t::failure(error), {});
        });
}

} // namespace quorvel
