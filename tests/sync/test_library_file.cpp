// The offline library file: every record kind back as it was saved, the
// password hash, a writer killed inside its transaction, and saves written
// on a worker thread.
#include "model/data_center.h"
#include "model/record_json.h"
#include "model/session_state.h"
#include "sync/library_file.h"
#include "sync/library_saver.h"
#include "sync/password_hash.h"

#include <QJsonDocument>
#include <QMutex>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace quorvel;

namespace {

QString text_of(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QString tree_text(const category_tree_t* tree) {
    if (!tree)
        return QStringLiteral("-");
    QStringList keys = tree->keys();
    keys.sort();
    QStringList out;
    for (const QString& key : keys) {
        QStringList children;
        for (const category_node_spt& c : tree->value(key).children)
            children << text_of(to_json(*c));
        const category_node_spt& node = tree->value(key).node;
        out << key + '=' + (node ? text_of(to_json(*node)) : QString('-')) + '[' +
                   children.join(',') + ']';
    }
    return out.join('\n');
}

template <class Map> QStringList items_text(const Map& items) {
    QStringList out;
    for (auto it = items.constBegin(); it != items.constEnd(); ++it) {
        QStringList list;
        for (const auto& item : it.value())
            list << text_of(to_json(*item));
        out << it.key() + ':' + list.join(',');
    }
    out.sort();
    return out;
}

// Everything the store holds for an account, as text to compare.
QStringList dump(const data_center& dc) {
    QStringList out;
    for (library_kind library : {library_kind::scripts, library_kind::stickers}) {
        out << tree_text(dc.category_tree(library, 0)) << tree_text(dc.category_tree(library, 1));
        QStringList depts = dc.tree_departments(library);
        depts.sort();
        for (const QString& dept : depts)
            out << dept + ':' + tree_text(dc.category_tree(library, 2, dept));
    }
    out << tree_text(&dc.doc_categories());
    out << items_text(dc.scripts_by_category()) << items_text(dc.stickers_by_category())
        << items_text(dc.docs_by_category());
    for (const auto& p : dc.phrases())
        out << QStringLiteral("phrase ") + text_of(to_json(*p));
    for (auto it = dc.quick_replies().constBegin(); it != dc.quick_replies().constEnd(); ++it)
        out << QStringLiteral("quick ") + it.key() + text_of(to_json(*it.value()));
    for (auto it = dc.supported_apps().constBegin(); it != dc.supported_apps().constEnd(); ++it)
        out << QStringLiteral("app ") + it.key() + it.value().join('|');
    out << (session_state::instance().login_user()
                ? text_of(to_json(*session_state::instance().login_user()))
                : QString("no profile"));
    out << (dc.version_info() ? text_of(to_json(*dc.version_info())) : QString("no version"));
    out << (dc.attachments_category() ? dc.attachments_category()->id : QString("none"));
    out << session_state::instance().account() << session_state::instance().dept_id()
        << dc.sticker_dept_id();
    QStringList depts = session_state::instance().departments().keys();
    depts.sort();
    out << depts.join(',');
    out.sort();
    return out;
}

category_node_spt category(const QString& id, const QString& parent, const QString& type,
                           const QString& business, const QString& dept = QString()) {
    auto c = category_node_spt::create();
    c->id = id;
    c->superId = parent;
    c->classifyName = QStringLiteral("分类 ") + id;
    c->classifyType = type;
    c->clientBusinessType = business;
    c->deptId = dept;
    c->sort = 3;
    return c;
}

// A store with one of everything: three parts, nesting, files, rights.
void fill(data_center& dc) {
    auto profile = user_login_info_t::from_json(QJsonDocument::fromJson(R"({
        "account": "agent", "userId": "42", "userName": "客服", "deptId": "d2", "adminType": 0,
        "userRoleList": [{"roleId": "r1", "roleKey": "kfzz",
                          "deptRoleDataList": [{"deptId": "d2", "deptName": "二组"}]}],
        "deptRoleTreeMap": {
            "deptAllTree": [{"id": "d1", "label": "一部", "children": [{"id": "d2", "label": "二组"}]}],
            "checkDeptDataList": [{"deptId": "d2", "deptName": "二组", "roleKeys": ["kfzz"]}]}})")
                                                    .object());
    session_state::instance().set_login_user(profile);
    category_tree_t pub, personal, dept, stickers, docs;
    add_to_tree(pub, category("c1", "-1", "0", "310"));
    add_to_tree(pub, category("c2", "c1", "0", "310"));
    add_to_tree(pub, category("c0", "-1", "0", "310"));
    add_to_tree(personal, category("p1", "-1", "1", "310"));
    add_to_tree(dept, category("k1", "-1", "2", "310", "d2"));
    add_to_tree(stickers, category("e1", "-1", "0", "300"));
    const category_node_spt attachments = category("f1", "-1", "0", "320");
    add_to_tree(docs, attachments);
    dc.replace_category_tree(library_kind::scripts, 0, QString(), pub);
    dc.replace_category_tree(library_kind::scripts, 1, QString(), personal);
    dc.replace_category_tree(library_kind::scripts, 2, "d2", dept);
    dc.replace_category_tree(library_kind::stickers, 0, QString(), stickers);
    dc.replace_category_tree(library_kind::documents, -1, QString(), docs);
    dc.set_attachments_category(attachments);

    script_map_t scripts;
    for (const char* cat : {"c2", "c0", "k1"})
        for (int i = 0; i < 3; ++i) {
            auto s = script_node_t::from_json(
                {{"id", cat + QString::number(i)},
                 {"classifyId", QString(cat)},
                 {"sort", i},
                 {"speechContent", QStringLiteral("<p>您好 %1</p>").arg(i)}});
            scripts[QString(cat)].append(s);
        }
    dc.replace_scripts(scripts);
    sticker_map_t stickers_by;
    stickers_by["e1"] << sticker_node_t::from_json(
        {{"id", "st1"},
         {"classifyId", "e1"},
         {"emojiType", "3"},
         {"fileId", "n1"},
         {"nasFile", QJsonObject{{"id", "n1"}, {"fileSize", 12}, {"sha256Hex", "ab"}}}});
    dc.replace_stickers(stickers_by);
    doc_map_t docs_by;
    docs_by["f1"] << doc_node_t::from_json(
        {{"id", "doc1"}, {"classifyId", "f1"}, {"fileName", "价目表"}, {"fileSize", 5000000000.0}});
    dc.merge_docs(docs_by);
    dc.replace_phrases(
        {{"ph1", phrase_node_t::from_json({{"id", "ph1"}, {"phraseContent", "稍等"}})}});
    dc.replace_quick_replies(
        {{"c00", quick_reply_node_t::from_json({{"id", "q1"}, {"speechId", "c00"}})}});
    dc.replace_supported_apps({{"WeChat", {"WeChatMainWndForPC", "微信"}}});
    dc.set_version_info(version_update_info_t::from_json({{"latestVersion", "2.0.0.1"}}));
    session_state::instance().set_dept_id("d2");
    dc.set_sticker_dept_id("d1");
}

} // namespace

class test_library_file : public QObject {
    Q_OBJECT
private slots:
    void every_record_kind_comes_back();
    void a_file_without_a_library_loads_nothing();
    void the_file_names_its_account_and_is_the_owners_alone();
    void password_hash_data();
    void password_hash();
    void login_hashes_cost_a_copier_dearly();
    void a_killed_writer_leaves_the_previous_library_data();
    void a_killed_writer_leaves_the_previous_library();
    void a_background_save_writes_its_snapshot();
    void of_waiting_saves_the_newest_is_written();

private:
    QTemporaryDir dir_;
};

void test_library_file::every_record_kind_comes_back() {
    data_center& dc = data_center::instance();
    dc.clear();
    fill(dc);
    const QStringList saved = dump(dc);
    const bool manager_in_d2 = session_state::instance().has_manager_role_in("d2");
    library_file file(library_file::path_for("agent", dir_.path()));
    QVERIFY(file.set_password_hash(hash_password("secret", hash_cost::cheapest)));
    QVERIFY2(file.save(dc), qPrintable(file.last_error()));

    dc.clear();
    QVERIFY2(file.load_into(dc), qPrintable(file.last_error()));
    QCOMPARE(dump(dc), saved);
    QCOMPARE(session_state::instance().has_manager_role_in("d2"), manager_in_d2);
    QVERIFY(session_state::instance().default_department());
    QCOMPARE(session_state::instance().default_department()->id, QString("d2"));
    // The attachments category is the tree's own node, not a copy.
    QCOMPARE(dc.attachments_category(), dc.doc_categories().value("f1").node);
    // A save keeps the hash of the last online login.
    QVERIFY(password_matches("secret", file.password_hash()));
}

void test_library_file::a_file_without_a_library_loads_nothing() {
    data_center& dc = data_center::instance();
    dc.clear();
    fill(dc);
    const QStringList before = dump(dc);
    library_file missing(library_file::path_for("nobody", dir_.path()));
    QVERIFY(!missing.load_into(dc));
    QVERIFY(!missing.has_library());
    // Logged in online once, but never synchronised completely.
    library_file hash_only(library_file::path_for("new", dir_.path()));
    QVERIFY(hash_only.set_password_hash(hash_password("x", hash_cost::cheapest)));
    QVERIFY(!hash_only.has_library());
    QVERIFY(!hash_only.load_into(dc));
    QCOMPARE(dump(dc), before);
    QVERIFY(library_file::path_for("agent", dir_.path()) !=
            library_file::path_for("Agent", dir_.path()));
}

void test_library_file::the_file_names_its_account_and_is_the_owners_alone() {
    data_center& dc = data_center::instance();
    dc.clear();
    fill(dc);
    const QString path = library_file::path_for("owner", dir_.path());
    library_file file(path);
    QVERIFY(file.set_password_hash(hash_password("x", hash_cost::cheapest)));
    QVERIFY(file.account().isEmpty()); // no library yet: nobody's
    QVERIFY2(file.save(dc), qPrintable(file.last_error()));
    QCOMPARE(file.account(), QString("agent")); // the store's, whatever the file is called
    const auto bits = [](const QString& p) {
        return QFileInfo(p).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    };
    QCOMPARE(bits(path), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(bits(QFileInfo(path).absolutePath()),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void test_library_file::password_hash_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same") << "agent123"
                          << "agent123" << true;
    QTest::newRow("other") << "agent123"
                           << "agent124" << false;
    QTest::newRow("case") << "agent123"
                          << "AGENT123" << false;
    QTest::newRow("chinese") << QStringLiteral("密码1") << QStringLiteral("密码1") << true;
    QTest::newRow("empty typed") << "agent123"
                                 << "" << false;
}

void test_library_file::password_hash() {
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, matches);
    const QString hash = hash_password(stored, hash_cost::cheapest);
    QVERIFY(hash.startsWith("$argon2id$"));
    QVERIFY(!hash.contains(stored)); // and salted: two hashes of one password differ
    QVERIFY(hash != hash_password(stored, hash_cost::cheapest));
    QCOMPARE(password_matches(typed, hash), matches);
    QVERIFY(!password_matches(typed, QString()));
}

void test_library_file::login_hashes_cost_a_copier_dearly() {
    // 64 MiB and two passes for every guess at a copied file.
    QVERIFY(hash_password("agent123").startsWith("$argon2id$v=19$m=65536,t=2,"));
}

void test_library_file::a_killed_writer_leaves_the_previous_library_data() {
    QTest::addColumn<QString>("stop");
    QTest::newRow("after begin") << "0";
    QTest::newRow("after the delete") << "1";
    QTest::newRow("first record") << "2";
    QTest::newRow("half the records") << "100";
    QTest::newRow("before commit") << "last";
}

void test_library_file::a_killed_writer_leaves_the_previous_library() {
    QFETCH(QString, stop);
    const QString path = library_file::path_for(QString("kill-") + stop, dir_.path());
    QCOMPARE(QProcess::execute(QUORVEL_LIBRARY_WRITER, {path, "old", "150"}), 0);

    QProcess writer;
    writer.start(QUORVEL_LIBRARY_WRITER, {path, "new", "200", stop});
    QVERIFY(writer.waitForStarted());
    while (!writer.canReadLine() && writer.waitForReadyRead(20000)) {
    }
    QVERIFY(writer.readLine().startsWith("stopped at"));
    writer.kill(); // SIGKILL: no clean-up of any kind
    QVERIFY(writer.waitForFinished());

    data_center& dc = data_center::instance();
    dc.clear();
    library_file file(path);
    QVERIFY2(file.load_into(dc), qPrintable(file.last_error()));
    QCOMPARE(session_state::instance().login_user()->userName, QString("old"));
    const QList<script_node_spt> scripts = dc.scripts_of("c1");
    QCOMPARE(scripts.size(), 150);
    for (const script_node_spt& s : scripts)
        QCOMPARE(s->speechContent, QString("old"));

    // The next save after the crash goes through.
    QCOMPARE(QProcess::execute(QUORVEL_LIBRARY_WRITER, {path, "new", "200"}), 0);
    dc.clear();
    QVERIFY(file.load_into(dc));
    QCOMPARE(dc.scripts_of("c1").size(), 200);
    QCOMPARE(session_state::instance().login_user()->userName, QString("new"));
}

// The caller goes on while the save is written: it may change the store at
// once, and the file still gets the library as it was when the save began.
void test_library_file::a_background_save_writes_its_snapshot() {
    data_center& dc = data_center::instance();
    dc.clear();
    fill(dc);
    const QStringList saved = dump(dc);
    const QString path = library_file::path_for("background", dir_.path());
    QSemaphore writing, go_on;
    QThread* writer = nullptr;
    library_saver saver;
    QSignalSpy finished(&saver, &library_saver::finished);
    saver.save(path, library_snapshot::of(dc), [&](int step, int) {
        if (step != 0)
            return;
        writer = QThread::currentThread();
        writing.release();
        go_on.tryAcquire(1, 10000); // the test lets it go on
    });
    // The writer stands inside its transaction; the store is the caller's.
    QVERIFY(writing.tryAcquire(1, 10000));
    QVERIFY(writer != QThread::currentThread());
    dc.replace_phrases({});
    dc.clear();
    go_on.release();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY2(library_file(path).load_into(dc), qPrintable(library_file(path).last_error()));
    QCOMPARE(dump(dc), saved);
}

// Saves never overlap; of the saves waiting for a running one, only the
// newest is written.
void test_library_file::of_waiting_saves_the_newest_is_written() {
    data_center& dc = data_center::instance();
    dc.clear();
    fill(dc);
    const QString path = library_file::path_for("newest", dir_.path());
    QMutex mutex;
    QStringList written;
    int running = 0;
    bool overlapped = false;
    QSemaphore writing, go_on;
    // Marks the save's start and end; the first one waits for the test.
    const auto hook_for = [&](const QString& name) {
        return [&, name](int step, int last_step) {
            QMutexLocker lock(&mutex);
            if (step == 0) {
                written << name;
                overlapped = overlapped || running > 0;
                ++running;
            }
            if (step == last_step)
                --running;
            if (step == 0 && name == QLatin1String("first")) {
                lock.unlock();
                writing.release();
                go_on.tryAcquire(1, 10000);
            }
        };
    };
    auto phrases = [](const QString& text) {
        return QHash<QString, phrase_node_spt>{
            {"ph1", phrase_node_t::from_json({{"id", "ph1"}, {"phraseContent", text}})}};
    };
    library_saver saver;
    saver.save(path, library_snapshot::of(dc), hook_for("first"));
    QVERIFY(writing.tryAcquire(1, 10000));
    dc.replace_phrases(phrases("第二次"));
    saver.save(path, library_snapshot::of(dc), hook_for("second"));
    dc.replace_phrases(phrases("第三次"));
    saver.save(path, library_snapshot::of(dc), hook_for("third"));
    const QStringList newest = dump(dc);
    go_on.release();
    saver.wait();
    QCOMPARE(written, (QStringList{"first", "third"}));
    QVERIFY(!overlapped);
    dc.clear();
    QVERIFY(library_file(path).load_into(dc));
    QCOMPARE(dump(dc), newest);
}

QTEST_GUILESS_MAIN(test_library_file)
#include "test_library_file.moc"
