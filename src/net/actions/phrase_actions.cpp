#include "net/actions/phrase_actions.h"

#include "model/data_center.h"
#include "net/request_center.h"

namespace quorvel {

void phrase_actions::create_phrase(const QString& content, action_cb done) {
    create_phrase(content, created_cb([done](const action_result_t& result,
                                             const phrase_node_spt&) { report(done, result); }));
}

void phrase_actions::create_phrase(const QString& content, created_cb done) {
    // The request stores the new phrase itself (data_center::put_phrase).
    request_center::instance()->create_phrase(
        {{QStringLiteral("phraseContent"), content}}, this,
        [done](const phrase_node_spt& phrase) {
            if (done)
                done(action_result_t::success(), phrase);
        },
        [done](const QString& error) {
            if (done)
                done(action_result_t::failure(error), {});
        });
}

void phrase_actions::delete_phrase(const phrase_node_spt& phrase, action_cb done) {
    if (!phrase)
        return report(done, action_result_t::failure(QString()));
    request_center::instance()->delete_phrase(
        {{QStringLiteral("id"), phrase->id}}, this,
        [phrase, done] {
            data_center::instance().remove_phrase(phrase);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

void phrase_actions::sort_phrases(const QStringList& ordered_ids, action_cb done) {
    request_center::instance()->sort_phrases(
        ordered_ids, this,
        [done](const phrase_map_t& phrases) {
            data_center::instance().replace_phrases(phrases);
            report(done, action_result_t::success());
        },
        fail_with(done));
}

} // namespace quorvel
