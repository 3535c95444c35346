#pragma once

#include "model/records.h"
#include "protocol/library_terms.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>

namespace quorvel {

// Who is logged in: the token, the profile and what it grants. Set by the
// login and read by the views on the GUI thread; only the token is read from
// request and transfer threads, under its own mutex.
class session_state : public QObject {
    Q_OBJECT
public:
    static session_state& instance();

    // Forgets the login (a log-out, or a test starting afresh).
    void clear();

    QString token() const; // safe from any thread
    void set_token(const QString& token);
    void set_login_user(const user_login_info_spt& profile);
    const QString& account() const { return account_; }
    const QString& user_name() const { return user_name_; }
    const QString& dept_name() const { return dept_name_; }
    const QString& dept_id() const { return dept_id_; }
    // The department the views work in; announced by dept_changed.
    void set_dept_id(const QString& id);
    const user_login_info_spt& login_user() const { return login_user_; }
    const QHash<QString, dept_tree_node_spt>& departments() const { return departments_; }
    const QHash<QString, dept_role_data_spt>& dept_rights() const { return dept_rights_; }

    // ---- rights ----
    static bool is_manager_key(const QString& role_key) {
        return protocol::is_manager_key(role_key);
    }
    bool has_manager_role() const;
    bool has_manager_role_in(const QString& dept_id) const;
    // The user's own department when it has rights, else the first one below
    // it (then below any root) that has.
    dept_tree_node_spt default_department() const;

signals:
    void dept_changed(const QString& dept_id);

private:
    session_state() = default;

    mutable QMutex token_mutex_;
    QString token_;
    QString account_;
    QString user_name_;
    QString dept_name_;
    QString dept_id_;
    user_login_info_spt login_user_;
    QHash<QString, dept_tree_node_spt> departments_;
    QHash<QString, dept_role_data_spt> dept_rights_;
};

} // namespace quorvel
