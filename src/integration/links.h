#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace quorvel {

// The http and https links of a script text: anchor targets first, then any
// bare address, each once, in order of appearance.
QStringList extract_links(const QString& text);
// The decoded query items of a URL; an invalid URL gives an empty map.
QHash<QString, QString> parse_query(const QString& url);
// Undoes the five HTML entities &lt; &gt; &amp; &quot; &apos;.
QString unescape_entities(QString text);

} // namespace quorvel
