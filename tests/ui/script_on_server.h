#pragma once

// A script as quorvel-server lists it, for tests that check what a save stored.
#include "server_fixture.h"

#include <QJsonArray>
#include <QJsonObject>

// The server's record of the script in that personal category; empty when it lists none.
inline QJsonObject script_on_server(server_fixture& server, const QString& token,
                                    const QString& category_id, const QString& id) {
    const auto reply = server.post("/tavorine/clientKb/querySpeech",
                                   {{"speechContent", ""},
                                    {"speechContentKeywords", ""},
                                    {"classifyId", category_id},
                                    {"deptId", ""},
                                    {"classifyType", "1"}},
                                   token);
    for (const QJsonValue& s : reply.data().toArray())
        if (s.toObject().value("id").toString() == id)
            return s.toObject();
    return {};
}
