#pragma once

#include <QString>

namespace quorvel {

// The running program's version text: what the application reports (read
// from the executable's version resource on Windows), else this build's.
QString application_version();
// The name the server offers this system's installer under ("os" of the
// update check).
QString installer_os();

// Versions split at "." (empty parts kept) and compared part by part as
// decimal numbers, a part that is no number counting 0; with all common parts
// equal, the one with parts left over is newer. Negative: the local version
// is newer; positive: the offered one is; 0: equal.
int compare_versions(const QString& local, const QString& offered);
bool offered_is_newer(const QString& offered);
// Whether an offered version is dotted decimal numbers, the only form an
// update's files may be named after.
bool is_update_version(const QString& version);

} // namespace quorvel
