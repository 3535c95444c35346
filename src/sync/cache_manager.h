#pragma once

#include "model/records.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QSharedPointer>
#include <QString>

namespace quorvel {

// One file to fetch: kind 0 by address (remote is a URL), kind 1 from the
// file store (remote is a fileId).
struct download_task_t {
    download_task_t(int kind = 0, QString remote = {}, QString local_path = {}, QString sha256 = {})
        : kind(kind), remote(std::move(remote)), local_path(std::move(local_path)),
          sha256(std::move(sha256)) {}

    int kind;
    QString remote;
    QString local_path;
    QString sha256; // expected content, lower-case hex; empty when unknown
};
using download_task_spt = QSharedPointer<download_task_t>;

// Where every library file lives on disk (cache/<account>/clouddoc/...), and
// the map from a remote key to the local path last computed for it.
class cache_manager : public QObject {
    Q_OBJECT
public:
    static cache_manager* instance();

    QString path_by_id(const QString& folder, const QString& id, const QString& name,
                       const QString& suffix);
    QString path_by_address(const QString& folder, const QString& address, const QString& name,
                            const QString& suffix);
    // A new random folder each time; the caller records the result.
    QString path_by_fresh_id(const QString& folder, const QString& address) const;
    QString sticker_path(const sticker_node_spt& sticker);
    QString doc_path(const doc_node_spt& doc);
    QString local_path(const QString& key) const;
    void record(const QString& key, const QString& path);

    // The folder of the logged-in account's files of one category folder.
    QString account_dir(const QString& folder) const;

    // Files a delivery is handing to the chat application; the clean-up
    // leaves them alone. Use cache_hold rather than these two.
    void hold(const QString& path);
    void release(const QString& path);
    bool is_held(const QString& path) const;

private:
    cache_manager() = default;
    // The path when it lies inside the cache, else an empty string (logged).
    QString confined(const QString& path) const;

    mutable QMutex mutex_;
    QHash<QString, QString> paths_;
    QHash<QString, int> held_;
};

// Holds files against the cache clean-up for its lifetime.
class cache_hold {
public:
    explicit cache_hold(QStringList paths);
    ~cache_hold();
    cache_hold(const cache_hold&) = delete;
    cache_hold& operator=(const cache_hold&) = delete;

private:
    QStringList paths_;
};

// A text from the server or another user made into one safe file or folder
// name: no separators, no "." or "..", nothing Windows reads as a drive,
// device or stream, no control characters, at most max_name_bytes in UTF-8.
// Ordinary names come back unchanged.
QString safe_name(const QString& text);
constexpr int max_name_bytes = 200;

// Whether path, once cleaned, lies strictly inside folder.
bool path_inside(const QString& path, const QString& folder);

// The real path of a regular file inside folder (symlinks and ".." resolved
// on both sides), or an empty string.
QString real_file_inside(const QString& path, const QString& folder);
// The same for the cache: only such files are handed to a chat application.
QString cached_file(const QString& path);

// Deletes the files under folder that are neither in keep nor held by a
// delivery, and the folders that become empty. Returns the removed files.
QStringList remove_unreferenced(const QString& folder, const QSet<QString>& keep);

download_task_spt make_sticker_task(const sticker_node_spt& sticker);
download_task_spt make_doc_task(const doc_node_spt& doc);
QList<download_task_spt> make_script_tasks(const script_node_spt& script);

// Copies a file into place; the destination changes only when the whole copy
// succeeded, and it gets the source's permissions.
bool copy_file(const QString& source, const QString& destination);

} // namespace quorvel
