// The start-up synchronisation against quorvel-server.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "fixture_http_server.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "platform/installer.h"
#include "protocol/protocol.h"
#include "raw_http.h"
#include "server_fixture.h"
#include "sync/cache_manager.h"
#include "sync/request_pool.h"
#include "ui/sync_data_widget.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QThread>
#include <QtTest>
#include <spdlog/sinks/ringbuffer_sink.h>
#include <spdlog/spdlog.h>

using namespace quorvel;

namespace {

// One request as the server saw it: method, path with query, JSON body with
// its members in a fixed order.
QString trace_line(const fixture_http_server::request_t& request) {
    const QJsonDocument body = QJsonDocument::fromJson(request.body);
    return QString::fromLatin1(request.method) + ' ' + request.url.toString() + ' ' +
           QString::fromUtf8(body.isObject() ? body.toJson(QJsonDocument::Compact) : request.body);
}

// Passes a request on to the real server and its answer back.
fixture_http_server::reply_t forward(quint16 port, const fixture_http_server::request_t& request) {
    QByteArray out = request.method + ' ' + request.url.toEncoded() + " HTTP/1.1\r\n";
    out += "Host: 127.0.0.1:" + QByteArray::number(port) + "\r\nConnection: close\r\n";
    for (const char* name : {"authorities", "content-type"})
        if (request.headers.contains(name))
            out += QByteArray(name) + ": " + request.headers.value(name) + "\r\n";
    if (request.method != "GET")
        out += "Content-Length: " + QByteArray::number(request.body.size()) + "\r\n";
    const raw_http::reply_t reply = raw_http::exchange(port, out + "\r\n" + request.body);
    fixture_http_server::reply_t answer;
    answer.status = reply.status;
    answer.body = reply.body;
    answer.content_type = reply.header("Content-Type");
    return answer;
}

QString line_of(const category_tree_t& tree) {
    QStringList keys = tree.keys();
    keys.sort();
    QStringList out;
    for (const QString& key : keys) {
        const category_entry_t& e = tree[key];
        QStringList children;
        for (const category_node_spt& c : e.children)
            children << c->id;
        out << key + '=' +
                   (e.node ? QStringList{e.node->superId, e.node->classifyName, e.node->deptId,
                                         e.node->clientBusinessType, e.node->classifyType,
                                         QString::number(e.node->sort)}
                                 .join('|')
                           : QString("-")) +
                   '[' + children.join(',') + ']';
    }
    return out.join(' ');
}

// The library in the store and the files in the cache, as lines of text.
QStringList dump_store() {
    const data_center& dc = data_center::instance();
    QStringList out;
    const auto tree = [&dc](library_kind library, int part, const QString& dept = QString()) {
        const category_tree_t* t = dc.category_tree(library, part, dept);
        return t ? line_of(*t) : QString("-");
    };
    for (int type : {0, 1}) {
        out << QString("script categories %1: ").arg(type) + tree(library_kind::scripts, type);
        out << QString("sticker categories %1: ").arg(type) + tree(library_kind::stickers, type);
    }
    const int dept_part = int(protocol::part::dept);
    for (const QString& dept : dc.tree_departments(library_kind::scripts))
        out << "dept script categories " + dept + ": " +
                   tree(library_kind::scripts, dept_part, dept);
    for (const QString& dept : dc.tree_departments(library_kind::stickers))
        out << "dept sticker categories " + dept + ": " +
                   tree(library_kind::stickers, dept_part, dept);
    out << "doc categories: " + line_of(dc.doc_categories());
    for (auto it = dc.scripts_by_category().begin(); it != dc.scripts_by_category().end(); ++it)
        for (const script_node_spt& s : *it)
            out << "script " + it.key() + ": " +
                       QStringList{s->id, s->speechContentKeywords, s->speechContent,
                                   s->classifyType, QString::number(s->sort)}
                           .join('|');
    for (auto it = dc.stickers_by_category().begin(); it != dc.stickers_by_category().end(); ++it)
        for (const sticker_node_spt& s : *it)
            out << "sticker " + it.key() + ": " +
                       QStringList{s->id, s->emojiType, s->emojiContent, s->fileId,
                                   s->nasFile ? s->nasFile->sha256Hex : QString()}
                           .join('|');
    for (auto it = dc.docs_by_category().begin(); it != dc.docs_by_category().end(); ++it)
        for (const doc_node_spt& d : *it)
            out << "doc " + it.key() + ": " +
                       QStringList{d->id, d->fileName, d->fileId, QString::number(d->fileSize)}
                           .join('|');
    for (const phrase_node_spt& p : dc.phrases())
        out << "phrase " + p->id + ": " + p->phraseContent;
    for (auto it = dc.supported_apps().begin(); it != dc.supported_apps().end(); ++it)
        out << "app " + it.key() + ": " + it->join(',');
    out << "attachments: " +
               (dc.attachments_category() ? dc.attachments_category()->id : QString());
    out << "version: " + (dc.version_info() ? dc.version_info()->latestVersion : QString());
    const QString cache = app_paths::instance().cache_dir();
    for (QDirIterator it(cache, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        out << "cached " + file.fileName().mid(cache.size()) + ": " +
                   QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
    }
    out.sort(); // entries within one line keep their order
    return out;
}

} // namespace

class test_sync_data : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void demo_library_arrives_whole();
    void document_switch_and_size_limit();
    void three_downloads_then_none();
    void one_sticker_is_never_fetched();
    void hostile_document_name_stays_in_the_cache();
    void unreferenced_cache_files_are_removed();
    void side_by_side_asks_and_stores_as_one_at_a_time();
    void the_store_is_written_on_the_gui_thread_in_one_step();

private:
    // Logs in as the account and runs one synchronisation to its end.
    void sync_as(server_fixture& server, const QString& account, const QString& password);
    // Runs one synchronisation with the store's current login.
    void run_sync();
    QStringList log_lines() const;
    void write_settings(const QHash<QString, QVariant>& values);
    static QJsonObject personal_category(server_fixture& server, const QString& token,
                                         const QString& business_type, const QString& name);
    // Personal stickers s0, s1, ... with small images; returns their ids.
    QStringList add_stickers(server_fixture& server, const QString& token, int count);

    server_fixture demo_;
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> log_;
    QList<int> progress_;
    int windows_opened_ = 0;
};

void test_sync_data::initTestCase() {
    QVERIFY(demo_.start());
    log_ = std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(2000);
    log_->set_pattern("%v");
    spdlog::default_logger()->sinks().push_back(log_);
    sync_data_widget::set_main_window_factory([this] {
        ++windows_opened_;
        return nullptr;
    });
}

void test_sync_data::init() {
    QFile::remove(app_paths::instance().settings_file());
    progress_.clear();
}

void test_sync_data::write_settings(const QHash<QString, QVariant>& values) {
    const auto settings = open_ini(app_paths::instance().settings_file());
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        settings->setValue(it.key(), it.value());
    settings->sync();
}

QJsonObject test_sync_data::personal_category(server_fixture& server, const QString& token,
                                              const QString& business_type, const QString& name) {
    return server
        .post("/tavorine/clientKb/createClassify",
              {{"classifyName", name},
               {"clientBusinessType", business_type},
               {"classifyType", "1"},
               {"superiorId", "-1"}},
              token)
        .data()
        .toObject();
}

QStringList test_sync_data::add_stickers(server_fixture& server, const QString& token, int count) {
    const QJsonObject category = personal_category(server, token, "300", "我的");
    QStringList ids;
    for (int i = 0; i < count; ++i) {
        const auto up =
            server.upload("/tavorine/nas/userUploadFileDirect", QString("s%1.png").arg(i),
                          "img" + QByteArray::number(i), token);
        ids << server
                   .post("/tavorine/clientKb/createEmoji",
                         {{"emojiType", "3"},
                          {"fileId", up.data().toObject()["id"]},
                          {"classifyId", category["id"]},
                          {"emojiContentDesc", QString("s%1").arg(i)},
                          {"emojiContentMatchKeywords", QString("s%1").arg(i)}},
                         token)
                   .data()
                   .toObject()["id"]
                   .toString();
    }
    return ids;
}

void test_sync_data::sync_as(server_fixture& server, const QString& account,
                             const QString& password) {
    qputenv("QUORVEL_BASE_URL", server.base_url().toUtf8());
    data_center& dc = data_center::instance();
    dc.clear();
    session_state::instance().set_token(server.login(account, password));
    session_state::instance().set_login_user(user_login_info_t::from_json(
        server.get("/tavorine/loginAccount/getLoginUserData", {}, session_state::instance().token())
            .data()
            .toObject()));
    run_sync();
}

QStringList test_sync_data::log_lines() const {
    QStringList lines;
    for (const std::string& line : log_->last_formatted())
        lines << QString::fromStdString(line).trimmed();
    return lines;
}

void test_sync_data::run_sync() {
    const int opened = windows_opened_;
    auto* dialog = new sync_data_widget;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &sync_data_widget::update_progress, this,
            [this](int value, QString) { progress_ << value; });
    dialog->show();
    QTRY_COMPARE_WITH_TIMEOUT(windows_opened_, opened + 1, 60000);
}

void test_sync_data::demo_library_arrives_whole() {
    sync_as(demo_, "agent", "agent123");
    data_center& dc = data_center::instance();
    const QString token = session_state::instance().token();

    int server_scripts = 0;
    for (const char* type : {"0", "1", "2"})
        server_scripts +=
            demo_.post("/tavorine/clientKb/querySpeech", {{"classifyType", type}}, token)
                .data()
                .toArray()
                .size();
    int stored_scripts = 0;
    for (const auto& list : dc.scripts_by_category())
        stored_scripts += list.size();
    QCOMPARE(stored_scripts, server_scripts);
    QCOMPARE(dc.phrases().size(), 6);
    QVERIFY(dc.category_tree(library_kind::scripts, 2, "3"));  // the agent's department
    QVERIFY(!dc.category_tree(library_kind::scripts, 2, "4")); // a department without rights
    QVERIFY(!dc.stickers_by_category().isEmpty());
    QVERIFY(dc.supported_apps().contains(QStringLiteral("企业微信")));
    QVERIFY(dc.attachments_category());
    QCOMPARE(progress_.mid(0, 5), (QList<int>{20, 40, 50, 60, 70}));
    QCOMPARE(progress_.last(), 100);

    // Every sticker image is in the cache with the server's hash.
    for (const auto& list : dc.stickers_by_category())
        for (const sticker_node_spt& sticker : list) {
            QFile file(cache_manager::instance()->sticker_path(sticker));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            QCOMPARE(
                QString::fromLatin1(
                    QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()),
                sticker->nasFile->sha256Hex);
        }

    // A second run finds the attachments category instead of making another.
    const QString attachments = dc.attachments_category()->id;
    sync_as(demo_, "manager", "manager123");
    QCOMPARE(dc.attachments_category()->id, attachments);
    const QJsonArray top =
        demo_
            .post("/tavorine/clientKb/queryClassify",
                  {{"clientBusinessType", "320"}, {"classifyType", "0"}, {"superId", "-1"}},
                  session_state::instance().token())
            .data()
            .toArray();
    int markers = 0;
    for (const QJsonValue& c : top)
        markers += c.toObject().value("classifyName").toString().startsWith("{7B102D60") ? 1 : 0;
    QCOMPARE(markers, 1);
}

void test_sync_data::document_switch_and_size_limit() {
    // Two documents around a 1 MiB limit, in the agent's personal library.
    const QString token = demo_.login("agent", "agent123");
    const QJsonObject category = personal_category(demo_, token, "320", "大小测试");
    QStringList ids;
    for (int size : {1048576, 1048577}) {
        const auto up = demo_.upload("/tavorine/nas/userUploadFileDirect",
                                     QString("size%1.bin").arg(size), QByteArray(size, 'd'), token);
        const auto doc = demo_.post("/tavorine/clientKb/createFile",
                                    {{"classifyId", category["id"]},
                                     {"fileName", QString("size%1").arg(size)},
                                     {"fileSuffix", "bin"},
                                     {"fileType", "3"},
                                     {"fileId", up.data().toObject()["id"]}},
                                    token);
        ids << doc.data().toObject()["id"].toString();
    }
    auto path_of = [&](const QString& id) {
        for (const doc_node_spt& d :
             data_center::instance().docs_by_category().value(category["id"].toString()))
            if (d->id == id)
                return cache_manager::instance()->doc_path(d);
        return QString();
    };

    write_settings({{"clouddoc/download_switch", 0}, {"clouddoc/download_size", 1}});
    sync_as(demo_, "agent", "agent123");
    QVERIFY(!QFile::exists(path_of(ids[0])));
    QVERIFY(!QFile::exists(path_of(ids[1])));

    write_settings({{"clouddoc/download_switch", 1}, {"clouddoc/download_size", 1}});
    sync_as(demo_, "agent", "agent123");
    QVERIFY(QFile::exists(path_of(ids[0])));  // exactly the limit
    QVERIFY(!QFile::exists(path_of(ids[1]))); // one byte more

    // A settings file that cannot be parsed allows no document, though the
    // switch and size in it would.
    QVERIFY(QFile::remove(path_of(ids[0])));
    QFile malformed(app_paths::instance().settings_file());
    QVERIFY(malformed.open(QIODevice::WriteOnly));
    malformed.write("[clouddoc\ndownload_switch=1\ndownload_size=1\n");
    malformed.close();
    sync_as(demo_, "agent", "agent123");
    QVERIFY(!QFile::exists(path_of(ids[0])));
}

void test_sync_data::three_downloads_then_none() {
    // A small organisation: one account, three stickers, nothing else.
    server_fixture small;
    QVERIFY(small.start({}));
    QCOMPARE(small.admin({"user", "add", "solo", "独行", "solo123"}), 0);
    add_stickers(small, small.login("solo", "solo123"), 3);
    sync_as(small, "solo", "solo123");
    QCOMPARE(progress_.mid(progress_.indexOf(70)), (QList<int>{70, 80, 90, 100}));

    // Files whose hash matches are not fetched again: from 70 straight to the window.
    progress_.clear();
    sync_as(small, "solo", "solo123");
    QCOMPARE(progress_.last(), 70);

    // A missing file is fetched again.
    const sticker_node_spt one = data_center::instance().stickers_by_category().begin()->first();
    QVERIFY(QFile::remove(cache_manager::instance()->sticker_path(one)));
    progress_.clear();
    sync_as(small, "solo", "solo123");
    QCOMPARE(progress_.mid(progress_.indexOf(70)), (QList<int>{70, 100}));
    QVERIFY(QFile::exists(cache_manager::instance()->sticker_path(one)));
}

void test_sync_data::one_sticker_is_never_fetched() {
    auto sticker = [](const char* id) {
        auto s = sticker_node_spt::create();
        s->id = id;
        s->emojiType = "2";
        s->emojiContent = QString("http://h/%1.png").arg(id);
        return s;
    };
    const auto tasks = sync_data_widget::sticker_tasks(
        {{"c", {sticker("69155488272dbf6d34c29909"), sticker("12")}}, {"d", {sticker("13")}}});
    QCOMPARE(tasks.size(), 2);
    for (const download_task_spt& t : tasks)
        QVERIFY(!t->remote.contains("69155488272dbf6d34c29909"));
}

// A document whose name climbs out of the cache: the server refuses it from an
// agent in the public attachments category; a manager may still file one in a
// public category, and a colleague's start-up keeps it in the cache.
void test_sync_data::hostile_document_name_stays_in_the_cache() {
    sync_as(demo_, "agent", "agent123"); // makes sure the attachments category exists
    const QString attachments = data_center::instance().attachments_category()->id;
    QString public_category;
    for (auto it = data_center::instance().doc_categories().begin();
         it != data_center::instance().doc_categories().end(); ++it)
        if (it.value().node && it.value().node->classifyType == "0" && it.key() != attachments &&
            it.key() != top_level_id)
            public_category = it.key();
    QVERIFY(!public_category.isEmpty());
    QTemporaryDir target;
    const QString name = QString("../").repeated(40) + target.path().mid(1) + "/planted";
    QVERIFY(name.size() <= 200);
    auto create = [&](const QString& token, const QString& category) {
        const QByteArray bytes = "the chosen bytes";
        const auto up =
            demo_.upload("/tavorine/nas/publicUploadFileDirect", "evil.txt", bytes, token);
        return demo_.post("/tavorine/clientKb/createFile",
                          {{"classifyId", category},
                           {"fileType", "0"},
                           {"fileContent", demo_.base_url() + "/public/" +
                                               up.data().toObject()["id"].toString() + "/"},
                           {"fileName", name},
                           {"fileSuffix", "txt"}},
                          token);
    };
    QCOMPARE(create(session_state::instance().token(), attachments).code(), 400);

    sync_as(demo_, "manager", "manager123");
    const auto created = create(session_state::instance().token(), public_category);
    QCOMPARE(created.code(), 200);

    sync_as(demo_, "agent", "agent123");
    QVERIFY(!QFile::exists(target.filePath("planted.txt")));
    QCOMPARE(QDir(target.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    doc_node_spt doc;
    for (const doc_node_spt& d : data_center::instance().docs_by_category().value(public_category))
        if (d->id == created.data().toObject()["id"].toString())
            doc = d;
    QVERIFY(doc);
    const QString path = cache_manager::instance()->doc_path(doc);
    QVERIFY2(path_inside(path, app_paths::instance().cache_dir() + "agent/clouddoc"),
             qPrintable(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("the chosen bytes"));
}

void test_sync_data::unreferenced_cache_files_are_removed() {
    server_fixture small;
    QVERIFY(small.start({}));
    QCOMPARE(small.admin({"user", "add", "tidy", "整洁", "tidy123"}), 0);
    const QString token = small.login("tidy", "tidy123");
    const QStringList stickers = add_stickers(small, token, 2);
    sync_as(small, "tidy", "tidy123");
    QHash<QString, QString> files; // sticker id → cached file
    for (const auto& list : data_center::instance().stickers_by_category())
        for (const sticker_node_spt& s : list)
            files.insert(s->id, cache_manager::instance()->sticker_path(s));
    QCOMPARE(files.size(), 2);

    // A file of an earlier run's fresh identifier, one a delivery is pasting,
    // and a sticker deleted on the server.
    const QString folder = app_paths::instance().cache_dir() + "tidy/clouddoc/";
    const QString stray = folder + "0123456789abcdef0123456789abcdef/old.pdf";
    const QString held = folder + "0123456789abcdef0123456789abcdee/pasting.pdf";
    for (const QString& path : {stray, held}) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    QCOMPARE(small
                 .post("/tavorine/clientKb/editEmoji", {{"id", stickers[1]}, {"operateType", "1"}},
                       token)
                 .code(),
             200);

    // A synchronisation that could not read the library removes nothing.
    session_state::instance().set_token("expired");
    run_sync();
    QVERIFY(QFile::exists(stray));
    QVERIFY(QFile::exists(files.value(stickers[1])));

    {
        const cache_hold hold({held});
        sync_as(small, "tidy", "tidy123");
    }
    QVERIFY(QFile::exists(files.value(stickers[0])));
    QVERIFY(!QFile::exists(files.value(stickers[1])));
    QVERIFY(!QFile::exists(stray));
    QVERIFY(!QDir(QFileInfo(stray).absolutePath()).exists());
    QVERIFY(QFile::exists(held));
    const QStringList lines = log_lines();
    QVERIFY(lines.contains("removed unreferenced cache file " + stray));
    QVERIFY(lines.contains("removed unreferenced cache file " + files.value(stickers[1])));
    QVERIFY(!lines.filter("removed unreferenced cache file").join('\n').contains(held));
}

// Six requests at a time ask the server for the same things, with the same
// parameters, as one at a time, and leave the same library and cache behind.
// A proxy in front of the server records what is asked.
void test_sync_data::side_by_side_asks_and_stores_as_one_at_a_time() {
    sync_as(demo_, "agent", "agent123"); // the attachments category exists from here on
    fixture_http_server proxy;
    QVERIFY(proxy.listen());
    const quint16 port = demo_.port();
    proxy.set_script([port](const fixture_http_server::request_t& r) { return forward(port, r); });

    auto run = [&](int width, QStringList* trace) {
        request_pool::set_default_width(width);
        QDir(app_paths::instance().cache_dir()).removeRecursively();
        data_center& dc = data_center::instance();
        dc.clear();
        session_state::instance().set_token(demo_.login("agent", "agent123"));
        session_state::instance().set_login_user(
            user_login_info_t::from_json(demo_
                                             .get("/tavorine/loginAccount/getLoginUserData", {},
                                                  session_state::instance().token())
                                             .data()
                                             .toObject()));
        qputenv("QUORVEL_BASE_URL", proxy.base_url().toUtf8());
        const int before = proxy.requests().size();
        run_sync();
        for (const auto& request : proxy.requests().mid(before))
            *trace << trace_line(request).replace(session_state::instance().token(), "TOKEN");
        trace->sort();
        return dump_store();
    };
    QStringList one_trace, six_trace;
    const QStringList one = run(1, &one_trace);
    const QStringList six = run(6, &six_trace);
    request_pool::set_default_width(6);
    QCOMPARE(six_trace, one_trace);
    QCOMPARE(six, one);

    // Every query of the synchronisation, with its parameters.
    using namespace protocol;
    auto post = [](const char* path, const QJsonObject& body) {
        return QString("POST /tavorine/%1 ").arg(path) +
               QJsonDocument(body).toJson(QJsonDocument::Compact);
    };
    auto tree = [&](const char* business, const char* type, const QString& dept) {
        return post("clientKb/getClassifyTree",
                    {{"clientBusinessType", business}, {"classifyType", type}, {"deptId", dept}});
    };
    auto sticker_tree = [&](const char* type, const QString& dept) {
        return post("clientKb/queryClassify", {{"clientBusinessType", business::stickers},
                                               {"classifyName", ""},
                                               {"superId", ""},
                                               {"classifyType", type},
                                               {"deptId", dept}});
    };
    QStringList expected{
        // The update check names this system's installer too.
        "GET /tavorine/clientGeneral/checkVersionUpdate?os=" +
            QString(quorvel::platform::update_os_name()) +
            "&requestNetworkType=" + QString(network::extranet) + ' ',
        "GET /tavorine/clientOperateHabit/getAdsorptionList ",
        tree(business::scripts, part_pub, ""),
        tree(business::scripts, part_personal, ""),
        tree(business::documents, part_pub, ""),
        tree(business::documents, part_personal, ""),
        post("clientKb/queryFile", {{"account", "agent"},
                                    {"fileId", ""},
                                    {"classifyId", ""},
                                    {"deptId", ""},
                                    {"fileName", ""},
                                    {"fileSuffix", ""},
                                    {"fileType", ""},
                                    {"taskId", ""},
                                    {"keywords", ""},
                                    {"customShortcuts", ""}}),
        post("clientKb/queryEmoji", {{"classifyId", ""},
                                     {"emojiContentDesc", ""},
                                     {"emojiContentMatchKeywords", ""},
                                     {"emojiType", ""}}),
        sticker_tree(part_pub, ""),
        sticker_tree(part_personal, ""),
        "GET /tavorine/clientPhrase/list ",
    };
    for (const char* type : {part_pub, part_personal, part_dept})
        expected << post("clientKb/querySpeech", {{"speechContent", ""},
                                                  {"speechContentKeywords", ""},
                                                  {"classifyId", ""},
                                                  {"deptId", ""},
                                                  {"classifyType", type}});
    const QStringList departments = session_state::instance().departments().keys();
    QVERIFY(!departments.isEmpty());
    for (const QString& dept : departments)
        expected << tree(business::scripts, part_dept, dept) << sticker_tree(part_dept, dept);
    for (const QString& request : expected)
        QVERIFY2(one_trace.contains(request), qPrintable(request));
    QVERIFY(one_trace.filter("getNasFileMappingInfo").size() > 0);
    QVERIFY(one_trace.filter("downloadFileById").size() > 0);
}

// The views read the store on the GUI thread: the synchronisation's worker
// only fills its snapshot, and the store takes it whole, each part announced
// as replaced before the file downloads begin.
void test_sync_data::the_store_is_written_on_the_gui_thread_in_one_step() {
    QList<store_change_t> changes;
    int off_thread = 0;
    int progress_at_first_change = -1;
    const QMetaObject::Connection watch = connect(
        &data_center::instance(), &data_center::changed, this,
        [&](const store_change_t& change) {
            if (QThread::currentThread() != qApp->thread())
                ++off_thread;
            if (changes.isEmpty())
                progress_at_first_change = progress_.isEmpty() ? 0 : progress_.last();
            changes << change;
        },
        Qt::DirectConnection);
    sync_as(demo_, "agent", "agent123");
    disconnect(watch);
    QCOMPARE(off_thread, 0);
    QVERIFY(!changes.isEmpty());
    // Every query step had reported before the store changed at all.
    QCOMPARE(progress_at_first_change, 70);
    QSet<int> replaced;
    for (const store_change_t& change : changes)
        if (change.op == store_op::replaced)
            replaced << int(change.subject);
    for (store_subject subject : {store_subject::categories, store_subject::scripts,
                                  store_subject::stickers, store_subject::phrases})
        QVERIFY2(replaced.contains(int(subject)), qPrintable(QString::number(int(subject))));
}

QTEST_MAIN(test_sync_data)
#include "test_sync_data.moc"
