#include "app/app_paths.h"

#include "app/versions.h"
#include "platform/data_root.h"
#include "platform/installer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace quorvel {

namespace {

bool lies_inside(const QString& path, const QString& folder) {
    const QString root = QDir::cleanPath(QDir(folder).absolutePath()) + QLatin1Char('/');
    const QString cleaned = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return cleaned.size() > root.size() && cleaned.startsWith(root);
}

} // namespace

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
    return update_file(QStringLiteral("quorvel_%1_installer").arg(version), version);
}

QString app_paths::fallback_installer_path(const QString& version) const {
    return update_file(version, version);
}

QString app_paths::update_file(const QString& name, const QString& version) const {
    // The version comes from the server: only dotted numbers name a file.
    if (!is_update_version(version))
        return {};
    const QString folder = update_dir();
    const QString path = folder + name + QString::fromStdString(platform::installer_suffix());
    return lies_inside(path, folder) ? path : QString();
}

bool app_paths::installer_matches(const QString& version, const QString& sha256_hex) const {
    const QString path = installer_path(version);
    const QString digest = path.isEmpty() ? QString() : file_sha256(path);
    return !digest.isEmpty() && digest == sha256_hex;
}

namespace {

constexpr QFile::Permissions owner_rw =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
constexpr QFile::Permissions owner_x = QFile::ExeOwner | QFile::ExeUser;

bool make_entry_private(const QFileInfo& entry) {
    if (entry.isSymLink()) // a chmod would reach the link's target
        return true;
    const QFile::Permissions now = entry.permissions();
    const QFile::Permissions wanted =
        entry.isDir() || (now & QFile::ExeOwner) ? owner_rw | owner_x : owner_rw;
    return now == wanted || QFile::setPermissions(entry.filePath(), wanted);
}

} // namespace

bool app_paths::make_private() const {
    bool ok = make_entry_private(QFileInfo(root_));
    QDirIterator it(root_, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ok = make_entry_private(it.fileInfo()) && ok;
    }
    return ok;
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
