#include "web_browser.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

QString path_of(const QString& url) {
    const QUrl u(url);
    return u.path() + (u.hasQuery() ? QLatin1Char('?') + u.query() : QString());
}

web_browser::fields_t web_browser::form_of(const QStringList& flat) {
    fields_t fields;
    for (int i = 0; i + 1 < flat.size(); i += 2)
        fields << qMakePair(flat[i], flat[i + 1]);
    return fields;
}

raw_http::reply_t web_browser::send(const QByteArray& request) {
    raw_http::reply_t r = raw_http::exchange(port_, request);
    static const QRegularExpression token(QStringLiteral("name=\"csrf\" value=\"([0-9a-f]+)\""));
    const auto match = token.match(QString::fromUtf8(r.body));
    if (match.hasMatch())
        csrf_ = match.captured(1);
    return r;
}

raw_http::reply_t web_browser::enter(const QString& link) {
    raw_http::reply_t r = get(link);
    const QByteArray set = r.header("Set-Cookie");
    if (!set.isEmpty())
        cookie_ = set.left(set.indexOf(';'));
    return r;
}

raw_http::reply_t web_browser::get(const QString& path_and_query) {
    QByteArray request =
        "GET " + path_and_query.toUtf8() + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!cookie_.isEmpty())
        request += "Cookie: " + cookie_ + "\r\n";
    return send(request + "\r\n");
}

raw_http::reply_t web_browser::post(const QString& path, const fields_t& fields,
                                    const QString* csrf) {
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("csrf"), csrf ? *csrf : csrf_);
    for (const auto& [name, value] : fields)
        form.addQueryItem(name, QString::fromUtf8(QUrl::toPercentEncoding(value)));
    return post_body(path, form);
}

raw_http::reply_t web_browser::post_without_token(const QString& path, const fields_t& fields) {
    QUrlQuery form;
    for (const auto& [name, value] : fields)
        form.addQueryItem(name, QString::fromUtf8(QUrl::toPercentEncoding(value)));
    return post_body(path, form);
}

raw_http::reply_t web_browser::post_body(const QString& path, const QUrlQuery& form) {
    const QByteArray body = form.query(QUrl::FullyEncoded).toUtf8();
    QByteArray request = "POST " + path.toUtf8() +
                         " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                         "Content-Type: application/x-www-form-urlencoded\r\n"
                         "Content-Length: " +
                         QByteArray::number(body.size()) + "\r\n";
    if (!cookie_.isEmpty())
        request += "Cookie: " + cookie_ + "\r\n";
    return send(request + "\r\n" + body);
}

raw_http::reply_t web_browser::post_file(const QString& path, const fields_t& fields,
                                         const QString& file_field, const QString& file_name,
                                         const QByteArray& content, const QString* csrf) {
    const QByteArray boundary = "----quorvel-test-boundary";
    QByteArray body;
    auto field = [&](const QString& name, const QByteArray& value) {
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name.toUtf8() +
                "\"\r\n\r\n" + value + "\r\n";
    };
    field(QStringLiteral("csrf"), (csrf ? *csrf : csrf_).toUtf8());
    for (const auto& [name, value] : fields)
        field(name, value.toUtf8());
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + file_field.toUtf8() +
            "\"; filename=\"" + file_name.toUtf8() +
            "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + content + "\r\n";
    body += "--" + boundary + "--\r\n";
    QByteArray request = "POST " + path.toUtf8() +
                         " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                         "Content-Type: multipart/form-data; boundary=" +
                         boundary + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                         "\r\n";
    if (!cookie_.isEmpty())
        request += "Cookie: " + cookie_ + "\r\n";
    return send(request + "\r\n" + body);
}
