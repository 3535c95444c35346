#include "ui/instant/usage_store.h"

#include "app/app_paths.h"

#include <QSettings>
#include <cmath>

namespace quorvel {

namespace {
constexpr double week_secs = 7 * 24 * 3600.0;
const QString uses_key = QStringLiteral("uses");
const QString searches_key = QStringLiteral("searches");
} // namespace

usage_store::usage_store(QString path) : path_(std::move(path)) {}

QString usage_store::default_path() {
    // QSettings makes the folder when it writes.
    return app_paths::instance().root() + QStringLiteral("kb/instant_search.cfg");
}

void usage_store::load(const QString& account) {
    account_ = account;
    uses_.clear();
    searches_.clear();
    QSettings file(path_, QSettings::IniFormat);
    file.beginGroup(account_.isEmpty() ? QStringLiteral("-") : account_);
    // One value per item: "count,last send in seconds since the epoch".
    const QVariantMap uses = file.value(uses_key).toMap();
    for (auto it = uses.cbegin(); it != uses.cend(); ++it) {
        const QStringList parts = it.value().toString().split(QLatin1Char(','));
        if (parts.size() == 2)
            uses_.insert(it.key(), {parts[0].toInt(), parts[1].toLongLong()});
    }
    searches_ = file.value(searches_key).toStringList().mid(0, max_searches);
}

double usage_store::score(const QString& key, qint64 now_secs) const {
    const auto it = uses_.constFind(key);
    if (it == uses_.cend() || it->count <= 0)
        return 0;
    const double age = qMax<qint64>(0, now_secs - it->last) / week_secs;
    return (1 + std::log2(double(it->count))) * std::exp2(-age);
}

void usage_store::record_send(const QString& key, const QString& search, qint64 now_secs) {
    use_t& use = uses_[key];
    ++use.count;
    use.last = now_secs;
    const QString text = search.trimmed();
    if (!text.isEmpty()) {
        searches_.removeAll(text);
        searches_.prepend(text);
        while (searches_.size() > max_searches)
            searches_.removeLast();
    }
    save();
}

void usage_store::clear_searches() {
    searches_.clear();
    save();
}

void usage_store::save() const {
    QSettings file(path_, QSettings::IniFormat);
    file.beginGroup(account_.isEmpty() ? QStringLiteral("-") : account_);
    QVariantMap uses;
    for (auto it = uses_.cbegin(); it != uses_.cend(); ++it)
        uses.insert(it.key(), QStringLiteral("%1,%2").arg(it->count).arg(it->last));
    file.setValue(uses_key, uses);
    file.setValue(searches_key, searches_);
}

} // namespace quorvel
