#include "app/versions.h"

#include "platform/installer.h"
#include "protocol/protocol.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

namespace quorvel {

// The running program's version as the application reports it (on Windows
// from the executable's version resource), else this build's.
QString application_version() {
    const QString reported = QCoreApplication::applicationVersion();
    return reported.isEmpty() ? QStringLiteral(QUORVEL_VERSION) : reported;
}

QString installer_os() {
    return QLatin1String(platform::update_os_name());
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

bool is_update_version(const QString& version) {
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QLatin1String(protocol::update_version_pattern)));
    return pattern.match(version).hasMatch();
}

} // namespace quorvel
