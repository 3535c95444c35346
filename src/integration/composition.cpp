#include "integration/composition.h"

#include "integration/cached_document.h"
#include "integration/current_desktop.h"
#include "integration/links.h"
#include "sync/cache_manager.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace quorvel {

namespace {

const QString w3c_prefix = QStringLiteral("http://www.w3.org/");

bool is_file_scheme(const QString& scheme) {
    return scheme == QLatin1String("file") || scheme == QLatin1String("http") ||
           scheme == QLatin1String("https");
}

} // namespace

namespace {

// An image of a script as a file to paste, or nothing. A local image outside
// the cache is kept for the delivery to refuse in the user's sight; one that
// is not there at all gives nothing.
QUrl image_file(QTextDocument& document, const QString& name) {
    if (const QString emoji = installed_emoji(name); !emoji.isEmpty())
        return QUrl::fromLocalFile(emoji);
    if (const QString local = local_path_of(name); !local.isEmpty()) {
        const bool present =
            trusted_file(local).isEmpty()
                ? QFileInfo::exists(local)
                : !document.resource(QTextDocument::ImageResource, QUrl(name)).isNull();
        return present ? QUrl::fromLocalFile(local) : QUrl();
    }
    if ((name.startsWith(QLatin1String("http://")) || name.startsWith(QLatin1String("https://"))) &&
        !document.resource(QTextDocument::ImageResource, QUrl(name)).isNull())
        return QUrl(name);
    return {};
}

} // namespace

segment_list split_segments(const QString& html) {
    // Loads nothing from outside the cache while it is read.
    cached_document document;
    document.setHtml(html);
    segment_list segments;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                const QUrl file = image_file(document, format.toImageFormat().name());
                if (!file.isEmpty())
                    segments << segment_t{1, file};
            } else if (format.isAnchor()) {
                const QString href = format.anchorHref();
                const QUrl url(href);
                if (url.isValid() && !href.startsWith(w3c_prefix) && is_file_scheme(url.scheme()))
                    segments << segment_t{1, url};
            } else {
                segments << segment_t{0, fragment.text()};
            }
        }
        if (block.next().isValid())
            segments << segment_t{0, QStringLiteral("\n")};
    }
    if (segments.isEmpty())
        segments << segment_t{0, html};
    return segments;
}

QList<QPair<QString, QString>> find_variables(const QString& text) {
    static const QRegularExpression variable(QStringLiteral(R"(\$\{([^}]+)\})"));
    QList<QPair<QString, QString>> found;
    for (auto it = variable.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        found << qMakePair(match.captured(0), match.captured(1));
    }
    return found;
}

QString expand_date(const QString& text, const QDate& today) {
    QString out = text;
    const QString date =
        QLocale(QLocale::Chinese, QLocale::China).toString(today, QStringLiteral("yyyy年MM月dd日"));
    for (const auto& [placeholder, name] : find_variables(text))
        if (name == QStringLiteral("日期"))
            out.replace(placeholder, date);
    return out;
}

QString expand_date(const QString& text) {
    return expand_date(text, QDate::currentDate());
}

QString link_path(const QUrl& url) {
    if (!url.isValid())
        return {};
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        const QHash<QString, QString> query = parse_query(url.toString());
        QString key;
        if (query.contains(QLatin1String(protocol::file_link::id_key)))
            key = query.value(QLatin1String(protocol::file_link::id_key));
        else if (query.size() == 2 && query.contains(QLatin1String(protocol::file_link::name_key)))
            key = url.adjusted(QUrl::RemoveQuery).toString();
        else
            key = url.toString();
        return cache_manager::instance()->local_path(key);
    }
    if (scheme == QLatin1String("file") || url.isLocalFile())
        return url.toLocalFile();
    return {};
}

QString resolve_link(const QUrl& url) {
    return QDir::toNativeSeparators(trusted_file(link_path(url)));
}

int classify_file(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return 0;
    static const QList<QStringList> mime_lists = {
        {"image/jpeg", "image/png", "image/gif", "image/bmp", "image/webp", "image/tiff",
         "image/svg+xml"},
        {"audio/mpeg", "audio/mp3", "audio/x-wav", "audio/x-vorbis+ogg", "audio/flac",
         "audio/x-m4a", "audio/mp4", "audio/x-ms-wma"},
        {"video/mpeg", "video/mp4", "video/quicktime", "video/x-msvideo", "video/x-ms-wmv",
         "video/x-matroska", "video/x-flv", "video/webm"},
        {"application/pdf", "application/msword",
         "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
         "application/vnd.oasis.opendocument.text", "text/plain", "text/html", "text/csv",
         "application/vnd.ms-excel",
         "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
         "application/vnd.ms-powerpoint",
         "application/vnd.openxmlformats-officedocument.presentationml.presentation"}};
    static const QList<QStringList> suffix_lists = {
        {"jpg", "jpeg", "png", "gif", "bmp", "webp", "tiff", "tif", "svg"},
        {"mp3", "wav", "ogg", "flac", "m4a", "wma", "aac"},
        {"mp4", "mov", "avi", "wmv", "mkv", "flv", "webm", "mpeg", "mpg"},
        {"pdf", "doc", "docx", "odt", "txt", "html", "htm", "csv", "xls", "xlsx", "ods", "ppt",
         "pptx", "odp"}};
    const QString mime = QMimeDatabase().mimeTypeForFile(info).name();
    for (int kind = 0; kind < 4; ++kind)
        if (mime_lists[kind].contains(mime))
            return kind + 1;
    const QString suffix = info.suffix().toLower();
    for (int kind = 0; kind < 4; ++kind)
        if (suffix_lists[kind].contains(suffix))
            return kind + 1;
    return 0;
}

QString wechat_element(const QUrl& url) {
    const QString path = resolve_link(url);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return {};
    switch (classify_file(path)) {
    case 1:
        return QStringLiteral("<EditElement type=\"1\" filepath=\"%1\"></EditElement>").arg(path);
    case 2:
    case 4:
        return QStringLiteral("<EditElement type=\"3\" filepath=\"%1\"></EditElement>").arg(path);
    default:
        return QStringLiteral("<EditElement type=\"4\" filepath=\"%1\"></EditElement>").arg(path);
    }
}

QByteArray wechat_rich_payload(const segment_list& segments, const QDate& today) {
    QString text = QStringLiteral("<WeChatRichEditFormat>");
    for (const segment_t& segment : segments) {
        if (segment.first == 1)
            text += wechat_element(segment.second.toUrl());
        else
            text += QStringLiteral("<EditElement type=\"0\"><![CDATA[%1]]></EditElement>")
                        .arg(expand_date(segment.second.toString(), today));
    }
    return (text + QStringLiteral("</WeChatRichEditFormat>")).toUtf8();
}

void copy_wechat_rich(const segment_list& segments) {
    current_desktop().set_clipboard_bytes(QStringLiteral("WeChat_RichEdit_Format"),
                                          wechat_rich_payload(segments));
}

bool copy_text_to_clipboard(const QString& text) {
    if (text.isEmpty()) {
        qWarning() << "ClipboardHelper: Cannot copy empty text";
        return false;
    }
    return current_desktop().set_clipboard_text(text);
}

bool copy_files_to_clipboard(const QStringList& paths) {
    if (paths.isEmpty())
        return true;
    return current_desktop().set_clipboard_files(paths);
}

bool copy_file_to_clipboard(const QString& path) {
    return copy_files_to_clipboard({path});
}

void copy_script_as_text(const QString& html) {
    QString text;
    for (const segment_t& segment : split_segments(html))
        if (segment.first == 0)
            text += expand_date(segment.second.toString());
    copy_text_to_clipboard(text);
}

} // namespace quorvel
