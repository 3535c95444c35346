#include "sync/library_fetch.h"

#include "protocol/protocol.h"

namespace quorvel {

namespace {

// A job that fills one result; `ask` is the blocking query.
template <class T, class F> request_pool::job_t into(fetched_t<T>& result, F ask) {
    return [&result, ask](http_client& client) {
        result.sent = true;
        result.ok = ask(client, &result.value, &result.message);
    };
}

} // namespace

using namespace protocol;

void library_fetch::run(const request_t& request) {
    // Map nodes are made here, before any job writes into one.
    for (const QString& dept : request.departments) {
        dept_script_categories[dept];
        dept_sticker_categories[dept];
    }
    auto tree = [](const char* business, const char* type, const QString& dept) {
        return [business = QString::fromLatin1(business), type = QString::fromLatin1(type),
                dept](http_client& client, category_tree_t* out, QString* message) {
            return fetch_category_tree(client, business, type, dept, out, message);
        };
    };
    auto sticker_tree = [](const char* type, const QString& dept) {
        return [type = QString::fromLatin1(type), dept](http_client& client, category_tree_t* out,
                                                        QString* message) {
            return query_sticker_categories(client, type, dept, out, message);
        };
    };

    // The largest replies first, so that they are not left for the end.
    QList<request_pool::job_t> jobs;
    for (int type : {0, 1, 2})
        jobs << into(scripts[type],
                     [type](http_client& client, scripts_by_category_t* out, QString* message) {
                         return query_scripts_of_type(client, QString::number(type), out, message);
                     });
    jobs << into(version, [intranet = request.intranet](
                              http_client& client, version_update_info_spt* out, QString* message) {
        *out = check_version_update_blocking(client, intranet, message);
        return !out->isNull();
    });
    jobs << into(apps, [](http_client& client, supported_apps_t* out, QString* message) {
        return query_supported_apps(client, out, message);
    });
    jobs << into(script_categories[0], tree(business::scripts, part_pub, QString()));
    jobs << into(script_categories[1], tree(business::scripts, part_personal, QString()));
    for (const QString& dept : request.departments)
        jobs << into(dept_script_categories[dept], tree(business::scripts, part_dept, dept));
    jobs << into(public_doc_categories, tree(business::documents, part_pub, QString()));
    jobs << [this, params = request.doc_params](http_client& client) {
        into(personal_doc_categories, [](http_client& c, category_tree_t* out, QString* message) {
            return fetch_category_tree(c, QLatin1String(business::documents),
                                       QLatin1String(part_personal), QString(), out, message);
        })(client);
        if (personal_doc_categories.ok && client.state() == http_client::state_t::open)
            into(docs, [&params](http_client& c, docs_by_category_t* out, QString* message) {
                return query_docs_blocking(c, params, out, message);
            })(client);
    };
    jobs << [this, params = request.sticker_params](http_client& client) {
        into(stickers, [&params](http_client& c, sticker_map_t* out, QString* message) {
            return query_all_stickers(c, params, out, message);
        })(client);
        if (stickers.ok && after_stickers && client.state() == http_client::state_t::open)
            after_stickers(pool_);
    };
    jobs << into(sticker_categories[0], sticker_tree(part_pub, QString()));
    jobs << into(sticker_categories[1], sticker_tree(part_personal, QString()));
    for (const QString& dept : request.departments)
        jobs << into(dept_sticker_categories[dept], sticker_tree(part_dept, dept));
    jobs << into(phrases, [](http_client& client, phrase_map_t* out, QString* message) {
        return query_phrases(client, out, message);
    });
    pool_.run(jobs);
}

} // namespace quorvel
