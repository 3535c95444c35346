#pragma once

// Logs in to a quorvel-server and fills the store the way the client's
// synchronisation does, for tests of the library pages.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "server_fixture.h"
#include "ui/sync_data_widget.h"

#include <QPointer>
#include <QtTest>

// True when the synchronisation for a logged-in token finished within a
// minute. Documents are not downloaded: no library page test needs their files.
inline bool sync_library(server_fixture& server, const QString& token) {
    using namespace quorvel;
    qputenv("QUORVEL_BASE_URL", server.base_url().toUtf8());
    const auto settings = open_ini(app_paths::instance().settings_file());
    settings->setValue(QLatin1String(setting_keys::clouddoc_download_switch), 0);
    settings->sync();
    data_center& dc = data_center::instance();
    dc.clear();
    session_state::instance().set_token(token);
    session_state::instance().set_login_user(user_login_info_t::from_json(
        server.get("/tavorine/loginAccount/getLoginUserData", {}, token).data().toObject()));
    sync_data_widget::set_main_window_factory([] { return nullptr; });
    auto* dialog = new sync_data_widget;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<sync_data_widget> alive(dialog);
    dialog->show();
    return QTest::qWaitFor([&] { return alive.isNull(); }, 60000);
}

inline bool log_in_and_sync(server_fixture& server, const QString& account,
                            const QString& password) {
    return sync_library(server, server.login(account, password));
}
