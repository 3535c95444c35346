#pragma once

#include <QString>

namespace quorvel {

// This build's version text.
QString application_version();

// Versions split at "." (empty parts kept) and compared part by part as
// decimal numbers, a part that is no number counting 0; with all common parts
// equal, the one with parts left over is newer. Negative: the local version
// is newer; positive: the offered one is; 0: equal.
int compare_versions(const QString& local, const QString& offered);
bool offered_is_newer(const QString& offered);

} // namespace quorvel
