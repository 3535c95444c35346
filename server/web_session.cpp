#include "web_session.h"

#include "auth.h"

#include <QDateTime>
#include <sodium.h>

namespace quorvel::server {

namespace {

qint64 now_seconds() {
    return QDateTime::currentSecsSinceEpoch();
}

// Tokens are 64 hex digits; anything else is not looked up.
bool plausible_token(const QString& token) {
    return token.size() == 64;
}

const QString user_enabled =
    QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM disabled_users d WHERE d.user_id = %1)");

} // namespace

QString issue_web_link(storage& store, qint64 user_id, qint64 ttl_seconds) {
    const QString token = new_token();
    const qint64 now = now_seconds();
    transaction tx(store, true);
    tx.run(QStringLiteral("DELETE FROM web_links WHERE expires_at <= ?"), {now});
    tx.run(
        QStringLiteral("INSERT INTO web_links (token_hash, user_id, expires_at) VALUES (?, ?, ?)"),
        {token_digest(token), user_id, now + ttl_seconds});
    return tx.commit() ? token : QString();
}

std::optional<web_session_t> redeem_web_link(storage& store, const QString& link_token,
                                             qint64 session_seconds) {
    if (!plausible_token(link_token))
        return std::nullopt;
    const qint64 now = now_seconds();
    transaction tx(store, true);
    const QVariant user =
        tx.scalar(QStringLiteral("SELECT l.user_id FROM web_links l WHERE l.token_hash = ?"
                                 " AND l.expires_at > ?") +
                      user_enabled.arg(QStringLiteral("l.user_id")),
                  {token_digest(link_token), now});
    // Spent whether or not it was still good, so a second try never succeeds.
    tx.run(QStringLiteral("DELETE FROM web_links WHERE token_hash = ? OR expires_at <= ?"),
           {token_digest(link_token), now});
    if (!user.isValid()) {
        tx.commit();
        return std::nullopt;
    }
    web_session_t session{user.toLongLong(), new_token(), new_token()};
    tx.run(QStringLiteral("DELETE FROM web_sessions WHERE expires_at <= ?"), {now});
    tx.run(QStringLiteral("INSERT INTO web_sessions (session_hash, user_id, csrf, expires_at)"
                          " VALUES (?, ?, ?, ?)"),
           {token_digest(session.token), session.user_id, session.csrf, now + session_seconds});
    if (!tx.commit())
        return std::nullopt;
    return session;
}

std::optional<web_session_t> find_web_session(storage& store, const QString& session_token) {
    if (!plausible_token(session_token))
        return std::nullopt;
    transaction tx(store, false);
    auto q = tx.run(QStringLiteral("SELECT s.user_id, s.csrf FROM web_sessions s"
                                   " WHERE s.session_hash = ? AND s.expires_at > ?") +
                        user_enabled.arg(QStringLiteral("s.user_id")),
                    {token_digest(session_token), now_seconds()});
    if (!q || !q->next())
        return std::nullopt;
    return web_session_t{q->value(0).toLongLong(), session_token, q->value(1).toString()};
}

bool end_web_session(storage& store, const QString& session_token) {
    transaction tx(store, true);
    tx.run(QStringLiteral("DELETE FROM web_sessions WHERE session_hash = ?"),
           {token_digest(session_token)});
    return tx.commit();
}

bool csrf_matches(const web_session_t& session, const QString& form_token) {
    const QByteArray expected = session.csrf.toLatin1();
    const QByteArray given = form_token.toLatin1();
    return !expected.isEmpty() && expected.size() == given.size() &&
           sodium_memcmp(expected.constData(), given.constData(),
                         static_cast<size_t>(expected.size())) == 0;
}

} // namespace quorvel::server
