#include "app/versions.h"

#include <QStringList>

namespace quorvel {

QString application_version() {
    return QStringLiteral(QUORVEL_VERSION);
}

int compare_versions(const QString& local, const QString& offered) {
    const QStringList mine = local.split(QLatin1Char('.'));
    const QStringList theirs = offered.split(QLatin1Char('.'));
    const int common = std::min(mine.size(), theirs.size());
    for (int i = 0; i < common; ++i) {
        const qlonglong a = mine[i].toLongLong(); // 0 when not a number
        const qlonglong b = theirs[i].toLongLong();
        if (a != b)
            return a > b ? -1 : 1;
    }
    if (mine.size() == theirs.size())
        return 0;
    return mine.size() > theirs.size() ? -1 : 1;
}

bool offered_is_newer(const QString& offered) {
    return compare_versions(application_version(), offered) > 0;
}

} // namespace quorvel
