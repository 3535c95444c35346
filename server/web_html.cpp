#include "web_html.h"

#include <QFile>

// Resources of a static library are registered by hand, outside any namespace.
static void init_web_resources() {
    Q_INIT_RESOURCE(web);
}

namespace quorvel::server::web {

QString esc(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

QString esc(qint64 number) {
    return QString::number(number);
}

QString csrf_field(const QString& csrf) {
    return QStringLiteral("<input type=\"hidden\" name=\"csrf\" value=\"%1\">").arg(esc(csrf));
}

QString page(const shell_t& shell, const QString& body) {
    QString html =
        QStringLiteral("<!doctype html><html lang=\"zh\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                       "<title>%1 · Quorvel 管理后台</title>"
                       "<link rel=\"stylesheet\" href=\"/manage/style.css\"></head><body>")
            .arg(esc(shell.title));
    if (!shell.csrf.isEmpty()) {
        html += QStringLiteral("<header><span class=\"brand\">Quorvel 管理后台</span><nav>");
        for (const nav_item_t& item : shell.nav)
            html += QStringLiteral("<a href=\"%1\"%2>%3</a>")
                        .arg(QLatin1String(item.path),
                             shell.active_path == QLatin1String(item.path)
                                 ? QStringLiteral(" class=\"active\"")
                                 : QString(),
                             QString::fromUtf8(item.label));
        html += QStringLiteral("</nav><span class=\"who\">%1</span>"
                               "<form method=\"post\" action=\"/manage/logout\">%2"
                               "<button class=\"plain\" type=\"submit\">退出</button></form>"
                               "</header>")
                    .arg(esc(shell.who), csrf_field(shell.csrf));
    }
    html += QStringLiteral("<main><h1>%1</h1>").arg(esc(shell.title));
    if (!shell.notice.isEmpty())
        html += QStringLiteral("<div class=\"notice %1\" role=\"status\">%2</div>")
                    .arg(shell.notice_is_error ? QStringLiteral("error") : QStringLiteral("ok"),
                         esc(shell.notice));
    return html + body + QStringLiteral("</main></body></html>");
}

QByteArray stylesheet() {
    static const QByteArray css = [] {
        init_web_resources();
        QFile file(QStringLiteral(":/quorvel-web/style.css"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return css;
}

} // namespace quorvel::server::web

namespace quorvel::server::web {

QString text_problem(const QString& text, const QString& label, int max, bool required) {
    if (required && text.trimmed().isEmpty())
        return QStringLiteral("%1不能为空").arg(label);
    if (text.size() > max)
        return QStringLiteral("%1最多 %2 个字符，现有 %3 个").arg(label).arg(max).arg(text.size());
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\n') &&
            c != QLatin1Char('\r') && c != QLatin1Char('\t'))
            return QStringLiteral("%1含有不允许的控制字符").arg(label);
    return {};
}

} // namespace quorvel::server::web
