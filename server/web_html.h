#pragma once

#include <QString>
#include <QStringList>

namespace quorvel::server::web {

// Text for HTML content and double-quoted attributes.
QString esc(const QString& text);
QString esc(qint64 number);

// The hidden field that carries the session's form token.
QString csrf_field(const QString& csrf);

struct nav_item_t {
    const char* path;
    const char* label;
};

struct shell_t {
    QString title;
    QString active_path;
    QList<nav_item_t> nav;
    QString who;  // the signed-in user, as shown
    QString csrf; // for the sign-out form; empty: no header
    QString notice;
    bool notice_is_error = false;
};

// A whole page around its main content.
QString page(const shell_t& shell, const QString& body);

// The stylesheet served at /manage/style.css.
QByteArray stylesheet();

} // namespace quorvel::server::web

namespace quorvel::server::web {

// Bounds of the management page's fields.
inline constexpr int max_label_length = 64; // department, role and user names; accounts
inline constexpr int max_key_length = 64;
inline constexpr int min_password_length = 6;
inline constexpr int max_password_length = 128;
inline constexpr int max_version_length = 32;
inline constexpr int max_notes_length = 2000;
inline constexpr int max_apps_length = 8000;

// Why a form text is refused (empty when required, too long, control
// characters), as the message shown; empty when it is fine.
QString text_problem(const QString& text, const QString& label, int max, bool required = true);

} // namespace quorvel::server::web
