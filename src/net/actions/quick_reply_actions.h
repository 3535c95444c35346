#pragma once

#include "net/actions/action_result.h"

#include <QObject>
#include <QStringList>

namespace quorvel {

// Loading and saving the quick-reply selection: each sends its request,
// applies a success to the store and reports the result once.
class quick_reply_actions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void load_quick_replies(action_cb done);
    // The ids of all scripts marked as quick replies; the store then takes
    // the server's list.
    void save_quick_replies(const QStringList& script_ids, action_cb done);
};

} // namespace quorvel
