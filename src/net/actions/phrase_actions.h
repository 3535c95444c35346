#pragma once

#include "model/records.h"
#include "net/actions/action_result.h"

#include <QObject>
#include <QStringList>

namespace quorvel {

// What the phrase page does to short phrases: each sends its request, applies
// a success to the store and reports the result once.
class phrase_actions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void create_phrase(const QString& content, action_cb done);
    // The same, handing over the created phrase (null on failure).
    using created_cb = std::function<void(const action_result_t&, const phrase_node_spt&)>;
    void create_phrase(const QString& content, created_cb done);
    void delete_phrase(const phrase_node_spt& phrase, action_cb done);
    // All phrase ids in the new order; the store takes the server's list.
    void sort_phrases(const QStringList& ordered_ids, action_cb done);
};

} // namespace quorvel
