#include "ui/docs/doc_kinds.h"

#include <QStringList>

namespace quorvel::doc_kinds {

namespace {

const QStringList& audio() {
    static const QStringList s{"mp3", "wav", "flac", "aac"};
    return s;
}
const QStringList& video() {
    static const QStringList s{"mp4", "avi", "mov", "mkv", "flv", "wmv"};
    return s;
}
const QStringList& images() {
    static const QStringList s{"jpg", "jpeg", "png", "gif", "bmp", "tiff", "svg", "webp", "ico"};
    return s;
}
const QStringList& archives() {
    static const QStringList s{"zip", "rar", "7z", "tar", "gz", "bz2", "xz", "iso"};
    return s;
}
const QStringList& texts() {
    static const QStringList s{"txt", "doc", "docx", "xls", "xlsx", "ppt", "pptx",
                               "pdf", "csv", "rtf",  "odt", "ods",  "odp"};
    return s;
}

struct icon_rule_t {
    QStringList suffixes;
    const char* icon;
};

const QList<icon_rule_t>& icon_rules() {
    static const QList<icon_rule_t> rules{
        {audio(), ":/images/icon/audio.png"},
        {video(), ":/images/icon/video.png"},
        {images(), ":/images/icon/image.png"},
        {archives(), ":/images/icon/zip.png"},
        {{"doc", "docx", "docm", "dot", "dotx"}, ":/images/icon/word.png"},
        {{"xlsx", "xls", "xlsm", "xlt", "xltx", "xltm", "xlsb"}, ":/images/icon/excel.png"},
        {{"ppt", "pptx", "pptm", "pot", "potx"}, ":/images/icon/ppt.png"},
        {{"pdf"}, ":/images/icon/pdf.png"},
        {{"txt"}, ":/images/icon/txt.png"},
    };
    return rules;
}

bool in_media(const QString& suffix) {
    return audio().contains(suffix) || video().contains(suffix);
}

} // namespace

QString icon_for_suffix(const QString& suffix) {
    const QString bare = suffix.startsWith(QLatin1Char('.')) ? suffix.mid(1) : suffix;
    for (const icon_rule_t& rule : icon_rules())
        if (rule.suffixes.contains(bare))
            return QLatin1String(rule.icon);
    return QStringLiteral(":/images/icon/other.png");
}

bool matches_filter(const QString& suffix, doc_filter filter) {
    switch (filter) {
    case doc_filter::all:
        return true;
    case doc_filter::media:
        return in_media(suffix);
    case doc_filter::text:
        return texts().contains(suffix);
    case doc_filter::image:
        return images().contains(suffix);
    case doc_filter::archive:
        return archives().contains(suffix);
    case doc_filter::other:
        return !in_media(suffix) && !texts().contains(suffix) && !images().contains(suffix) &&
               !archives().contains(suffix);
    }
    return false;
}

bool is_audio(const QString& suffix) {
    return audio().contains(suffix);
}

bool is_video(const QString& suffix) {
    return video().contains(suffix);
}

bool is_hidden_category(const QString& name) {
    return name.startsWith(QLatin1String(".web")) || is_attachments_category(name);
}

bool is_marked_category(const QString& name) {
    return name.startsWith(QLatin1String(attachments_marker));
}

bool is_attachments_category(const QString& name) {
    return name == QLatin1String(attachments_marker);
}

QString shown_name(const QString& name) {
    return is_marked_category(name) ? QStringLiteral("公共文档分类") : name;
}

} // namespace quorvel::doc_kinds
