// The start-up synchronisation against a scripted server, for what the real
// server never does: fall silent, and send replies far larger than usual.
#include "fixture_http_server.h"
#include "model/data_center.h"
#include "net/http_client.h"
#include "ui/sync_data_widget.h"

#include <QPushButton>
#include <QtTest>

using namespace quorvel;

namespace {

QByteArray envelope(const QByteArray& data) {
    return R"({"code":200,"msg":"","data":)" + data + "}";
}

QByteArray json_array(int count, const std::function<QByteArray(int)>& item) {
    QByteArray out = "[";
    for (int i = 0; i < count; ++i)
        out += (i ? "," : "") + item(i);
    return out + "]";
}

QByteArray number(int i) {
    return QByteArray::number(i);
}

// Stickers stored in the file store: each needs a hash query and a download.
QByteArray file_stickers(int count) {
    return json_array(count, [](int i) {
        return R"({"id":"s)" + number(i) + R"(","classifyId":"c","emojiType":"3","fileId":"f)" +
               number(i) + R"(","emojiContentMatchKeywords":"s)" + number(i) +
               R"(","nasFile":{"id":"f)" + number(i) + R"(","fileSuffix":"png"}})";
    });
}

const char attachments[] =
    R"([{"id":"att","superId":"-1","classifyName":"{7B102D60-2316-4F07-8A66-B3AE3DEFA985}"}])";

// The last part of a request's path: the endpoint's name.
QString endpoint(const fixture_http_server::request_t& request) {
    return request.url.path().section(QLatin1Char('/'), -1);
}

} // namespace

class test_sync_scripted : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void silent_server_ends_the_sync_at_once_data();
    void silent_server_ends_the_sync_at_once();
    void stop_button_opens_the_main_window_data();
    void stop_button_opens_the_main_window();
    void large_replies_arrive_whole();

private:
    // Answers every endpoint with a small library, the silent one never;
    // on_silent runs as each request to it arrives.
    void serve(const QString& silent, const std::function<void()>& on_silent = {});
    sync_data_widget* start_sync();
    // The endpoints asked for, in order.
    QStringList endpoints_asked() const;

    fixture_http_server server_;
    QHash<QString, QByteArray> replies_;
    int windows_opened_ = 0;
};

void test_sync_scripted::initTestCase() {
    QVERIFY(server_.listen());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    sync_data_widget::set_main_window_factory([this] {
        ++windows_opened_;
        return nullptr;
    });
}

void test_sync_scripted::init() {
    replies_ = {
        {"checkVersionUpdate", envelope(R"({"latestVersion":"9.9"})")},
        {"getClassifyTree", envelope(attachments)},
        {"queryEmoji", envelope(file_stickers(20))},
        {"getNasFileMappingInfo", envelope(R"({"sha256Hex":"remote"})")},
        {"downloadFileById", "image bytes"},
    };
    windows_opened_ = 0;
    data_center::instance().clear();
}

void test_sync_scripted::cleanup() {
    http_client::set_default_inactivity_timeout(60000);
}

void test_sync_scripted::serve(const QString& silent, const std::function<void()>& on_silent) {
    server_.set_script([this, silent, on_silent](const fixture_http_server::request_t& request) {
        const QString name = endpoint(request);
        if (name == silent) {
            if (on_silent)
                on_silent();
            return fixture_http_server::reply_t{200, {}, true};
        }
        return fixture_http_server::reply_t{200, replies_.value(name, envelope("[]")), false};
    });
}

sync_data_widget* test_sync_scripted::start_sync() {
    auto* dialog = new sync_data_widget;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

QStringList test_sync_scripted::endpoints_asked() const {
    QStringList names;
    for (const fixture_http_server::request_t& request : server_.requests())
        names << endpoint(request);
    return names;
}

void test_sync_scripted::silent_server_ends_the_sync_at_once_data() {
    QTest::addColumn<QString>("silent");
    QTest::addColumn<int>("at_most");       // requests to it that may be in flight together
    QTest::addColumn<QStringList>("later"); // of the phases after it
    QTest::addColumn<bool>("library_arrived");
    // The queries run side by side: what was answered meanwhile is kept. The
    // sticker files are checked as soon as the sticker list is in, so those
    // checks may go out while another query is still waiting.
    const QStringList files{"downloadFileById"};
    QTest::newRow("update check") << "checkVersionUpdate" << 1 << files << true;
    QTest::newRow("categories") << "getClassifyTree" << 4 << files << true;
    QTest::newRow("hashes") << "getNasFileMappingInfo" << 6 << files << true;
    QTest::newRow("downloads") << "downloadFileById" << 6 << QStringList{} << true;
}

// Once a request timed out nothing new is asked for: no more of the silent
// kind than were in flight together, nothing of a later phase; the main
// window opens with what has arrived.
void test_sync_scripted::silent_server_ends_the_sync_at_once() {
    QFETCH(QString, silent);
    QFETCH(int, at_most);
    QFETCH(QStringList, later);
    QFETCH(bool, library_arrived);
    // Long enough for a loaded machine's answers, short for the silent one.
    http_client::set_default_inactivity_timeout(3000);
    serve(silent);
    const int before = server_.requests().size();
    start_sync();
    QTRY_COMPARE_WITH_TIMEOUT(windows_opened_, 1, 60000);

    const QStringList asked = endpoints_asked().mid(before);
    const int first_silent = asked.indexOf(silent);
    QVERIFY(first_silent >= 0);
    for (const QString& name : later)
        QVERIFY2(!asked.contains(name), qPrintable(asked.join(' ')));
    if (later.isEmpty()) // the downloads: nothing else once they fell silent
        QCOMPARE(asked.mid(first_silent).count(silent), asked.mid(first_silent).size());
    QVERIFY2(asked.count(silent) <= at_most, qPrintable(asked.join(' ')));
    QCOMPARE(!data_center::instance().stickers_by_category().isEmpty(), library_arrived);
}

void test_sync_scripted::stop_button_opens_the_main_window_data() {
    QTest::addColumn<QString>("silent");
    QTest::addColumn<int>("in_flight");
    // Queries go six at a time: the last one (the phrases) is asked when the
    // update check is long answered. Six of the twenty hash checks at once.
    QTest::newRow("queries") << "list" << 1;
    QTest::newRow("hashes") << "getNasFileMappingInfo" << 6;
    QTest::newRow("downloads") << "downloadFileById" << 6;
}

// With the full timeout, the stop button ends the wait for a silent server.
// The hash queries wait in the dialog's own event loop, where the click
// arrives; so the click is posted from the server as the wait begins.
void test_sync_scripted::stop_button_opens_the_main_window() {
    QFETCH(QString, silent);
    QFETCH(int, in_flight);
    QPointer<sync_data_widget> dialog;
    int waiting = 0;
    serve(silent, [&] {
        if (++waiting == in_flight)
            QMetaObject::invokeMethod(dialog->stop_button(), &QPushButton::click,
                                      Qt::QueuedConnection);
    });
    const int before = server_.requests().size();
    dialog = start_sync();
    QVERIFY(dialog->stop_button()->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(windows_opened_, 1, 30000);
    QCOMPARE(endpoints_asked().mid(before).count(silent), in_flight);
    QVERIFY(data_center::instance().version_info()); // what arrived before the stop stays
}

// A hundred thousand of each kind: nothing on the way may grow faster than
// the data (such replies used to keep the main window away for minutes).
void test_sync_scripted::large_replies_arrive_whole() {
    constexpr int count = 100000;
    constexpr int tops = 10000; // each with nine sub-categories
    const QByteArray categories = envelope(json_array(count, [](int i) {
        const int top = i / 10;
        return R"({"id":"k)" + number(i) + R"(","superId":")" +
               (i % 10 == 0 ? QByteArray("-1") : "k" + number(top * 10)) +
               R"(","classifyName":"分类)" + number(i) + R"(","classifyType":"0"})";
    }));
    const QByteArray scripts = envelope(json_array(count, [](int i) {
        return R"({"id":"s)" + number(i) + R"(","speechContentKeywords":"话术)" + number(i) +
               R"(","speechContent":"<p>第)" + number(i) + R"(条</p>","sort":)" + number(i) +
               R"(,"deptId":"","classifyId":"k)" + number(i % count / 10 * 10) +
               R"(","classifyType":"0"})";
    }));
    replies_["querySpeech"] = scripts;
    replies_["queryFile"] = envelope(json_array(count, [](int i) {
        // Too large for the automatic download.
        return R"({"id":"d)" + number(i) + R"(","classifyId":"k)" + number(i % 100) +
               R"(","fileName":"文档)" + number(i) +
               R"(","fileSuffix":"pdf","fileType":"3","fileSize":"2000000000","fileId":"f)" +
               number(i) + R"("})";
    }));
    replies_["queryEmoji"] = envelope(json_array(count, [](int i) {
        return R"({"id":"e)" + number(i) + R"(","classifyId":"c)" + number(i % 1000) +
               R"(","emojiType":"1","emojiContentDesc":"表情)" + number(i) + R"("})";
    }));
    replies_["queryClassify"] = envelope(json_array(count, [](int i) {
        return R"({"id":"c)" + number(i) + R"(","superId":"-1","classifyName":"表情分类)" +
               number(i) + R"(","classifyType":"0","clientBusinessType":"300"})";
    }));
    replies_["list"] = envelope(json_array(count, [](int i) {
        return R"({"id":"p)" + number(i) + R"(","phraseContent":"短语)" + number(i) +
               R"(","sort":)" + number(i) + "}";
    }));
    // The large category tree for public scripts only; the other parts are small.
    server_.set_script([this, categories](const fixture_http_server::request_t& request) {
        const QString name = endpoint(request);
        QByteArray body = replies_.value(name, envelope("[]"));
        const bool public_part = request.body.contains(R"("classifyType": "0")");
        if (name == "getClassifyTree" && public_part && request.body.contains(R"("310")"))
            body = categories;
        else if ((name == "querySpeech" || name == "queryClassify") && !public_part)
            body = envelope("[]");
        return fixture_http_server::reply_t{200, body, false};
    });
    start_sync();
    QTRY_COMPARE_WITH_TIMEOUT(windows_opened_, 1, 280000);

    const data_center& dc = data_center::instance();
    QCOMPARE((*dc.category_tree(library_kind::scripts, 0)).size(), count + 1); // and the top level
    QCOMPARE(dc.top_categories(library_kind::scripts, 0, QString())->size(), tops);
    QCOMPARE((*dc.category_tree(library_kind::scripts, 0)).value("k20").children.size(), 9);
    auto total = [](const auto& lists) {
        int n = 0;
        for (const auto& list : lists)
            n += list.size();
        return n;
    };
    QCOMPARE(total(dc.scripts_by_category()), count);
    QCOMPARE(dc.scripts_by_category().value("k20").size(), 10);
    QCOMPARE(total(dc.docs_by_category()), count);
    QCOMPARE(total(dc.stickers_by_category()), count);
    QCOMPARE(dc.category_tree(library_kind::stickers, 0)->value("-1").children.size(), count);
    QCOMPARE(dc.phrases().size(), count);
    QVERIFY(dc.attachments_category());
}

QTEST_MAIN(test_sync_scripted)
#include "test_sync_scripted.moc"
