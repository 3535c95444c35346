#include "sync/cache_manager.h"

#include "app/app_paths.h"
#include "integration/links.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "protocol/library_terms.h"
#include "protocol/protocol.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <QUuid>
#include <algorithm>
#include <spdlog/spdlog.h>

namespace quorvel {

namespace {

bool only_dots_and_blanks(const QString& name) {
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return c == QLatin1Char('.') || c == QLatin1Char(' '); });
}

// Windows opens a device for these names, whatever the suffix.
bool reserved_device(const QString& name) {
    const QString base = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QStringList devices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    if (devices.contains(base))
        return true;
    if (base.size() != 4 ||
        !(base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))))
        return false;
    const QChar last = base.at(3);
    return last.isDigit() || last == QChar(0xB9) || last == QChar(0xB2) || last == QChar(0xB3);
}

// Cuts an overlong name, keeping a short suffix, and tags it with a hash of
// the original so two long names do not become one.
QString bounded(const QString& name, const QString& original) {
    if (name.toUtf8().size() <= max_name_bytes)
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot > 0 && name.size() - dot <= 16 ? name.mid(dot) : QString();
    const QString tag =
        QLatin1Char('~') +
        QString::fromLatin1(QCryptographicHash::hash(original.toUtf8(), QCryptographicHash::Sha256)
                                .toHex()
                                .left(8));
    QString base = name.left(name.size() - suffix.size());
    const int room = max_name_bytes - (tag + suffix).toUtf8().size();
    while (!base.isEmpty() && base.toUtf8().size() > room)
        base.chop(base.at(base.size() - 1).isLowSurrogate() ? 2 : 1);
    return base + tag + suffix;
}

} // namespace

QString safe_name(const QString& text) {
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString name;
    name.reserve(text.size());
    for (const QChar c : text) {
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7f;
        name += control || forbidden.contains(c) ? QLatin1Char('_') : c;
    }
    // Windows drops trailing dots and blanks, so "..", "." and "" must not remain.
    if (only_dots_and_blanks(name) || reserved_device(name))
        name.prepend(QLatin1Char('_'));
    return bounded(name, text);
}

bool path_inside(const QString& path, const QString& folder) {
    if (path.isEmpty() || folder.isEmpty())
        return false;
    const QString root = QDir::cleanPath(QDir(folder).absolutePath()) + QLatin1Char('/');
    const QString cleaned = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return cleaned.size() > root.size() && cleaned.startsWith(root);
}

QString real_file_inside(const QString& path, const QString& folder) {
    // By name first, so a path elsewhere (a network share among them) is
    // never touched; a relative path would depend on the working directory.
    if (!QDir::isAbsolutePath(path) || !path_inside(path, folder))
        return {};
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    // Then both sides canonical: a symbolic link in the folder to a file
    // elsewhere does not pass.
    const QString real = info.canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath();
    return !root.isEmpty() && path_inside(real, root) ? real : QString();
}

QString cached_file(const QString& path) {
    return real_file_inside(path, app_paths::instance().cache_dir());
}

QStringList remove_unreferenced(const QString& folder, const QSet<QString>& keep) {
    QStringList removed;
    if (!QFileInfo(folder).isDir())
        return removed;
    QSet<QString> kept;
    for (const QString& path : keep)
        kept.insert(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const cache_manager* cache = cache_manager::instance();
    QStringList folders;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir::cleanPath(it.next());
        const QFileInfo info = it.fileInfo();
        if (info.isDir() && !info.isSymLink())
            folders << path;
        else if (!kept.contains(path) && !cache->is_held(path) && QFile::remove(path))
            removed << path;
    }
    // Deepest first; a folder that still holds something stays.
    std::sort(folders.begin(), folders.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& path : folders)
        QDir().rmdir(path);
    return removed;
}

cache_hold::cache_hold(QStringList paths) : paths_(std::move(paths)) {
    for (const QString& path : paths_)
        cache_manager::instance()->hold(path);
}

cache_hold::~cache_hold() {
    for (const QString& path : paths_)
        cache_manager::instance()->release(path);
}

cache_manager* cache_manager::instance() {
    static cache_manager* manager = new cache_manager();
    return manager;
}

QString cache_manager::account_dir(const QString& folder) const {
    return app_paths::instance().cache_dir() + safe_name(session_state::instance().account()) +
           QLatin1Char('/') + safe_name(folder) + QLatin1Char('/');
}

QString cache_manager::confined(const QString& path) const {
    if (path_inside(path, app_paths::instance().cache_dir()))
        return path;
    spdlog::warn("cache path refused, it lies outside the cache: {}", path.toStdString());
    return {};
}

void cache_manager::hold(const QString& path) {
    QMutexLocker lock(&mutex_);
    ++held_[QDir::cleanPath(QFileInfo(path).absoluteFilePath())];
}

void cache_manager::release(const QString& path) {
    QMutexLocker lock(&mutex_);
    const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (--held_[key] <= 0)
        held_.remove(key);
}

bool cache_manager::is_held(const QString& path) const {
    QMutexLocker lock(&mutex_);
    return held_.contains(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

void cache_manager::record(const QString& key, const QString& path) {
    QMutexLocker lock(&mutex_);
    paths_.insert(key, path);
}

QString cache_manager::local_path(const QString& key) const {
    QMutexLocker lock(&mutex_);
    return paths_.value(key);
}

QString cache_manager::path_by_id(const QString& folder, const QString& id, const QString& name,
                                  const QString& suffix) {
    const QString dotted = suffix.startsWith(QLatin1Char('.')) ? suffix : QLatin1Char('.') + suffix;
    const QString path = confined(account_dir(folder) + safe_name(id) + QLatin1Char('/') +
                                  safe_name((name.isEmpty() ? id : name) + dotted));
    if (!path.isEmpty())
        record(id, path);
    return path;
}

QString cache_manager::path_by_address(const QString& folder, const QString& address,
                                       const QString& name, const QString& suffix) {
    const QFileInfo remote(QUrl(address).path(QUrl::FullyDecoded));
    const QString path = confined(
        account_dir(folder) + safe_name(remote.completeBaseName()) + QLatin1Char('/') +
        safe_name(name + QLatin1Char('.') + (suffix.isEmpty() ? remote.suffix() : suffix)));
    if (!path.isEmpty())
        record(address, path);
    return path;
}

QString cache_manager::path_by_fresh_id(const QString& folder, const QString& address) const {
    const QFileInfo remote(QUrl(address).path(QUrl::FullyDecoded));
    return confined(account_dir(folder) + QUuid::createUuid().toString(QUuid::Id128) +
                    QLatin1Char('/') + safe_name(remote.fileName()));
}

QString cache_manager::sticker_path(const sticker_node_spt& sticker) {
    if (!sticker)
        return {};
    if (sticker->emojiType == QLatin1String(protocol::sticker_type::address))
        return path_by_address(QStringLiteral("clouddoc"), sticker->emojiContent,
                               sticker->emojiContentMatchKeywords, QString());
    if (sticker->emojiType == QLatin1String(protocol::sticker_type::stored) && sticker->nasFile) {
        const QString name = sticker->emojiContentMatchKeywords.isEmpty()
                                 ? sticker->nasFile->localFileName
                                 : sticker->emojiContentMatchKeywords;
        return path_by_id(QStringLiteral("clouddoc"), sticker->fileId, name,
                          sticker->nasFile->fileSuffix);
    }
    return {};
}

QString cache_manager::doc_path(const doc_node_spt& doc) {
    if (!doc)
        return {};
    if (doc->fileType == QLatin1String(protocol::file_type::address))
        return path_by_address(QStringLiteral("clouddoc"), doc->fileContent, doc->fileName,
                               doc->fileSuffix);
    if (doc->fileType == QLatin1String(protocol::file_type::stored) && doc->nasFile) {
        const QString name = !doc->fileName.isEmpty() && !doc->fileSuffix.isEmpty()
                                 ? doc->fileName
                                 : doc->nasFile->localFileName;
        return path_by_id(QStringLiteral("clouddoc"), doc->fileId, name, doc->fileSuffix);
    }
    return {};
}

// ---- tasks ----

download_task_spt make_sticker_task(const sticker_node_spt& sticker) {
    if (!sticker)
        return {};
    if (sticker->emojiType == QLatin1String(protocol::sticker_type::address))
        return download_task_spt::create(download_task_t{
            0, sticker->emojiContent, cache_manager::instance()->sticker_path(sticker)});
    if (sticker->emojiType == QLatin1String(protocol::sticker_type::stored) && sticker->nasFile)
        return download_task_spt::create(
            download_task_t{1, sticker->fileId, cache_manager::instance()->sticker_path(sticker)});
    return {};
}

download_task_spt make_doc_task(const doc_node_spt& doc) {
    if (!doc)
        return {};
    if (doc->fileType == QLatin1String(protocol::file_type::address))
        return download_task_spt::create(
            download_task_t{0, doc->fileContent, cache_manager::instance()->doc_path(doc)});
    // Without nasFile the path is empty and the download fails.
    if (doc->fileType == QLatin1String(protocol::file_type::stored))
        return download_task_spt::create(
            download_task_t{1, doc->fileId, cache_manager::instance()->doc_path(doc)});
    return {};
}

QList<download_task_spt> make_script_tasks(const script_node_spt& script) {
    namespace file_link = protocol::file_link;
    QList<download_task_spt> tasks;
    if (!script)
        return tasks;
    cache_manager* cache = cache_manager::instance();
    const QString folder = QStringLiteral("clouddoc");
    for (const QString& raw : extract_links(script->speechContent)) {
        const QString link = unescape_entities(raw);
        // Namespace and document-type addresses of exported HTML are not files.
        if (link.startsWith(QLatin1String("http://www.w3.org")) ||
            !link.startsWith(QLatin1String("http")))
            continue;
        const QHash<QString, QString> query = parse_query(link);
        if (query.size() == 3 && query.contains(QLatin1String(file_link::id_key))) {
            const QString id = query.value(QLatin1String(file_link::id_key));
            tasks << download_task_spt::create(download_task_t{
                1, id,
                cache->path_by_id(folder, id, query.value(QLatin1String(file_link::name_key)),
                                  query.value(QLatin1String(file_link::suffix_key)))});
        } else if (query.size() == 2 && query.contains(QLatin1String(file_link::name_key))) {
            const QUrl url(link);
            const QString remote =
                url.isValid() ? url.adjusted(QUrl::RemoveQuery).toString() : link;
            tasks << download_task_spt::create(download_task_t{
                0, remote,
                cache->path_by_address(folder, remote,
                                       query.value(QLatin1String(file_link::name_key)),
                                       query.value(QLatin1String(file_link::suffix_key)))});
        } else {
            static const QStringList blocked = {QStringLiteral("html"), QStringLiteral("exe"),
                                                QStringLiteral("dll"), QStringLiteral("ocx"),
                                                QStringLiteral("htm")};
            const QString suffix = QFileInfo(link).suffix().toLower();
            if (suffix.isEmpty() || blocked.contains(suffix))
                continue;
            const QString path = cache->path_by_fresh_id(folder, link);
            cache->record(link, path);
            tasks << download_task_spt::create(download_task_t{0, link, path});
        }
    }
    return tasks;
}

// ---- copy ----

bool copy_file(const QString& source, const QString& destination) {
    QFile in(source);
    if (!in.exists()) {
        qWarning() << "Source file does not exist:" << source;
        return false;
    }
    if (!QDir().mkpath(QFileInfo(destination).absolutePath()))
        return false;
    if (!in.open(QIODevice::ReadOnly)) {
        qWarning() << "Failed to open source file:" << in.errorString();
        return false;
    }
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly)) {
        qWarning() << "Failed to open destination file:" << out.errorString();
        in.close();
        return false;
    }
    QByteArray block(1 << 20, Qt::Uninitialized);
    while (!in.atEnd()) {
        const qint64 read = in.read(block.data(), block.size());
        if (read <= 0) {
            if (in.error() == QFileDevice::NoError)
                break;
            qWarning() << "Error reading source file:" << in.errorString();
            in.close();
            out.cancelWriting();
            return false;
        }
        if (out.write(block.constData(), read) < read) {
            qWarning() << "Error writing to destination file:" << out.errorString();
            in.close();
            out.cancelWriting();
            return false;
        }
    }
    in.close();
    if (!out.commit()) {
        qWarning() << "Failed to commit destination file:" << out.errorString();
        return false;
    }
    // The copy belongs to the data folder: the owner's alone, with the
    // source's execute bit (an attached script stays runnable).
    QFile::Permissions kept =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    if (QFile::permissions(source) & QFile::ExeOwner)
        kept |= QFile::ExeOwner | QFile::ExeUser;
    QFile::setPermissions(destination, kept);
    return true;
}

} // namespace quorvel
