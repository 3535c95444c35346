#include "health.h"

#include <QSqlQuery>
#include <httplib.h>

namespace quorvel::server {

namespace {

bool select_one(QSqlDatabase db) {
    QSqlQuery query(db);
    return db.isOpen() && query.exec(QStringLiteral("SELECT 1")) && query.next();
}

} // namespace

bool database_reachable(storage& store) {
    QSqlDatabase db = store.connection();
    if (select_one(db))
        return true;
    db.close();
    return db.open() && select_one(db);
}

void install_health_route(httplib::Server& server, storage& store) {
    server.Get("/health", [&store](const httplib::Request&, httplib::Response& res) {
        const bool up = database_reachable(store);
        res.status = up ? 200 : 503;
        res.set_header("Cache-Control", "no-store");
        res.set_content(up ? R"({"status":"ok","database":"reachable"})"
                           : R"({"status":"unavailable","database":"unreachable"})",
                        "application/json; charset=utf-8");
    });
}

} // namespace quorvel::server
