#pragma once

#include "model/records.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QSharedPointer>
#include <QString>

namespace quorvel {

// One file to fetch: kind 0 by address (remote is a URL), kind 1 from the
// file store (remote is a fileId).
struct download_task_t {
    int kind = 0;
    QString remote;
    QString local_path;
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

private:
    cache_manager() = default;
    QString account_dir(const QString& folder) const;

    mutable QMutex mutex_;
    QHash<QString, QString> paths_;
};

download_task_spt make_sticker_task(const sticker_node_spt& sticker);
download_task_spt make_doc_task(const doc_node_spt& doc);
QList<download_task_spt> make_script_tasks(const script_node_spt& script);

// Copies a file into place; the destination changes only when the whole copy
// succeeded, and it gets the source's permissions.
bool copy_file(const QString& source, const QString& destination);

} // namespace quorvel
