#pragma once

#include "model/data_center.h"
#include "net/blocking_requests.h"
#include "sync/request_pool.h"

#include <QMap>
#include <QStringList>
#include <functional>

namespace quorvel {

// What one query gave: whether it was sent at all (not when the server fell
// silent or the user stopped first), and its value or failure text.
template <class T> struct fetched_t {
    bool sent = false;
    bool ok = false;
    T value{};
    QString message;
};

// The start-up library queries that do not depend on one another's answers,
// sent side by side; the synchronisation then fills the store from them in
// its own order, so the result is the same as asking one after another.
// Two chains stay in order: the personal document categories before the
// documents (which are asked for only when those arrived), and the public
// ones before the attachments category may be created (left to the caller).
class library_fetch {
public:
    library_fetch() = default;
    explicit library_fetch(int width) : pool_(width) {}

    struct request_t {
        bool intranet = false;
        QStringList departments;
        json_map_t doc_params; // of queryFile
        json_map_t sticker_params;
    };
    // Blocks until every query is over; the calling thread's events go on.
    void run(const request_t& request);
    // Called on a worker once the stickers are in, while other
    // queries may still be under way; jobs it submits to the pool are part
    // of this run (the caller checks the sticker files there).
    std::function<void(request_pool&)> after_stickers;
    void stop() { pool_.stop(); }
    http_client::state_t state() const { return pool_.state(); }

    fetched_t<version_update_info_spt> version;
    fetched_t<supported_apps_t> apps;
    fetched_t<category_tree_t> script_categories[2]; // by classifyType
    QMap<QString, fetched_t<category_tree_t>> dept_script_categories;
    fetched_t<category_tree_t> public_doc_categories;
    fetched_t<category_tree_t> personal_doc_categories;
    fetched_t<docs_by_category_t> docs;
    fetched_t<scripts_by_category_t> scripts[3]; // by classifyType
    fetched_t<sticker_map_t> stickers;
    fetched_t<category_tree_t> sticker_categories[2];
    QMap<QString, fetched_t<category_tree_t>> dept_sticker_categories;
    fetched_t<phrase_map_t> phrases;

private:
    request_pool pool_;
};

} // namespace quorvel
