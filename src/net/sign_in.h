#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace quorvel {

// Why a login failed, in the classes the login dialog tells apart: retype,
// work offline, or call the administrator.
enum class login_failure { none, wrong_credentials, unreachable, server_error };

struct login_outcome_t {
    login_failure failure = login_failure::none;
    QString message; // the request's own message, for the log
    bool ok() const { return failure == login_failure::none; }
};

// The class of a failed login reply: no reply at all is unreachable, the
// login-failed code is wrong credentials, anything else a server error.
login_failure classify_login_reply(bool unreachable, const QByteArray& body);

// The text the login dialog puts after "登录失败".
QString login_failure_reason(login_failure failure);

// The login request (token stored on success, as request_center::login
// does) reporting which class of failure ended it. done runs once on the
// context's thread, not at all when the context is destroyed first.
void sign_in(const QString& account, const QString& password, QObject* context,
             std::function<void(const login_outcome_t&)> done);

} // namespace quorvel
