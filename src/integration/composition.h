#pragma once

#include "protocol/library_terms.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

namespace quorvel {

// A script cut into pieces: kind 0 text (QString), kind 1 a file or link (QUrl).
using segment_t = QPair<int, QVariant>;
using segment_list = QList<segment_t>;

// The fixed address that file-store links in scripts start with; stored
// scripts contain it, it is never fetched.
inline const QString file_store_placeholder = QLatin1String(protocol::file_link::placeholder);

segment_list split_segments(const QString& html);
QList<QPair<QString, QString>> find_variables(const QString& text);
QString expand_date(const QString& text);
QString expand_date(const QString& text, const QDate& today);
// Where a file segment's file would be: the cache's path for a network link,
// the local path of a file: link; not checked.
QString link_path(const QUrl& url);
// The file a segment pastes: its link_path when that is a real file in the
// cache (or one of this client's emoji images), else an empty string.
QString resolve_link(const QUrl& url);
// 0 other, 1 image, 2 audio, 3 video, 4 document.
int classify_file(const QString& path);
QString wechat_element(const QUrl& url);
// The WeChat rich-edit payload of a script.
QByteArray wechat_rich_payload(const segment_list& segments,
                               const QDate& today = QDate::currentDate());

void copy_wechat_rich(const segment_list& segments);
bool copy_text_to_clipboard(const QString& text);
bool copy_files_to_clipboard(const QStringList& paths);
bool copy_file_to_clipboard(const QString& path);
void copy_script_as_text(const QString& html);

} // namespace quorvel
