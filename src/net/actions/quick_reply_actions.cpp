#include "net/actions/quick_reply_actions.h"

#include "model/data_center.h"
#include "net/request_center.h"

namespace quorvel {

void quick_reply_actions::load_quick_replies(action_cb done) {
    request_center::instance()->query_quick_replies(
        this,
        [done](const quick_reply_map_t& replies) {
            data_center::instance().replace_quick_replies(replies);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void quick_reply_actions::save_quick_replies(const QStringList& script_ids, action_cb done) {
    request_center::instance()->save_quick_replies(
        script_ids, this, [this, done] { load_quick_replies(done); }, fail_with(done));
}

} // namespace quorvel
