#include "app/app_paths.h"

#include "platform/installer.h"

#include "platform/data_root.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace quorvel {

QString default_data_root() {
    return QString::fromStdString(platform::user_data_root()) + QStringLiteral("/quorvel/");
}

const app_paths& app_paths::instance() {
    static const app_paths paths(default_data_root());
    return paths;
}

app_paths::app_paths(const QString& root) : root_(root) {
    if (!root_.endsWith(QLatin1Char('/')))
        root_ += QLatin1Char('/');
    QDir().mkpath(root_);
}

QString app_paths::ensure_dir(const QString& relative) const {
    const QString path = root_ + relative;
    QDir().mkpath(path); // failures show up in the later file operation
    return path;
}

QString app_paths::cache_dir() const {
    return ensure_dir(QStringLiteral("cache/"));
}
QString app_paths::crash_dir() const {
    return root_ + QStringLiteral("crashrpt/");
}
QString app_paths::log_dir() const {
    return root_ + QStringLiteral("logs/");
}
QString app_paths::update_dir() const {
    return ensure_dir(QStringLiteral("update/"));
}

QString app_paths::settings_file() const {
    return ensure_dir(QStringLiteral("config/")) + QStringLiteral("settings.cfg");
}

QString app_paths::update_state_file() const {
    return update_dir() + QStringLiteral("st.cfg");
}

QString app_paths::search_history_file() const {
    return root_ + QStringLiteral("kb/search.cfg");
}

QString app_paths::installer_path(const QString& version) const {
    return update_dir() + QStringLiteral("quorvel_%1_installer").arg(version) +
           QString::fromStdString(platform::installer_suffix());
}

QString app_paths::fallback_installer_path(const QString& version) const {
    return update_dir() + version + QString::fromStdString(platform::installer_suffix());
}

bool app_paths::installer_matches(const QString& version, const QString& sha256_hex) const {
    const QString digest = file_sha256(installer_path(version));
    return !digest.isEmpty() && digest == sha256_hex;
}

QString file_sha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace quorvel
