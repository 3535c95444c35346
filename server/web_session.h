#pragma once

#include "storage.h"

#include <QString>
#include <optional>

namespace quorvel::server {

// A signed-in browser of the management page. Links and sessions live in the
// database, so every server instance sharing it knows them.
struct web_session_t {
    qint64 user_id = 0;
    QString token; // the cookie's value; only its digest is stored
    QString csrf;  // the form token every change must carry
};

// A one-time link token for a user, valid for ttl_seconds; empty on failure.
QString issue_web_link(storage& store, qint64 user_id, qint64 ttl_seconds);

// Spends a link token (it never works again) and starts a session for its
// user; nullopt when the token is unknown, spent, expired or its user is
// switched off.
std::optional<web_session_t> redeem_web_link(storage& store, const QString& link_token,
                                             qint64 session_seconds);

// The live session of a cookie value, or nullopt.
std::optional<web_session_t> find_web_session(storage& store, const QString& session_token);

bool end_web_session(storage& store, const QString& session_token);

// Whether a form's token is the session's, compared in constant time.
bool csrf_matches(const web_session_t& session, const QString& form_token);

} // namespace quorvel::server
