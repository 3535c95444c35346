#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace quorvel {

// Fetches the files a script's content links to that are not in the cache
// (cleared, or never fetched because an earlier save could not cache them),
// then calls done on the context's thread; at once when nothing is missing.
// A file that cannot be fetched stays missing and is logged.
void fetch_missing_script_files(const QString& html, QObject* context, std::function<void()> done);

} // namespace quorvel
