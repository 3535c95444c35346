#pragma once

#include "raw_http.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>

// A browser of the management page spoken over raw HTTP: keeps the session
// cookie and the form token of the last page, posts forms as browsers do.
class web_browser {
public:
    using fields_t = QList<QPair<QString, QString>>;

    explicit web_browser(quint16 port) : port_(port) {}

    // Fields from a flat list: name, value, name, value, ...
    static fields_t form_of(const QStringList& flat);

    // Opens a one-time link (its path and query); keeps the cookie it sets.
    raw_http::reply_t enter(const QString& link);
    raw_http::reply_t get(const QString& path_and_query);
    // Posts a form; the page's form token goes first unless csrf is given.
    raw_http::reply_t post(const QString& path, const fields_t& fields,
                           const QString* csrf = nullptr);
    // Posts a form without the token field, as a form from another site would.
    raw_http::reply_t post_without_token(const QString& path, const fields_t& fields);
    // Posts a multipart form with one file field.
    raw_http::reply_t post_file(const QString& path, const fields_t& fields,
                                const QString& file_field, const QString& file_name,
                                const QByteArray& content, const QString* csrf = nullptr);

    const QString& csrf() const { return csrf_; }
    const QByteArray& cookie() const { return cookie_; }
    void set_cookie(const QByteArray& cookie) { cookie_ = cookie; }

private:
    raw_http::reply_t send(const QByteArray& request);
    raw_http::reply_t post_body(const QString& path, const QUrlQuery& form);

    quint16 port_;
    QByteArray cookie_;
    QString csrf_;
};

// The path and query of a link the server handed out.
QString path_of(const QString& url);
