// On-demand document downloads against a scripted server, for what the real
// server never does: a transfer cut off mid-way.
#include "fixture_http_server.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "sync/cache_manager.h"
#include "ui/docs/doc_item_widget.h"

#include <QtTest>

using namespace quorvel;

class test_doc_download_scripted : public QObject {
    Q_OBJECT
private slots:
    void cut_off_download_leaves_no_file_then_sync_succeeds();
};

// The first transfer announces the whole file and stops half way; the row
// reads "同步失败" and no partial file is left. "同步" again fetches it whole.
void test_doc_download_scripted::cut_off_download_leaves_no_file_then_sync_succeeds() {
    fixture_http_server server;
    QVERIFY(server.listen());
    qputenv("QUORVEL_BASE_URL", server.base_url().toUtf8());
    QByteArray content;
    for (int i = 0; i < 4000; ++i)
        content += "第" + QByteArray::number(i) + "行 ";
    int transfers = 0;
    server.set_script([&](const fixture_http_server::request_t& request) {
        fixture_http_server::reply_t reply;
        if (request.url.path() != QLatin1String("/tavorine/nas/downloadFileById")) {
            reply.status = 404;
            return reply;
        }
        reply.content_type = "application/octet-stream";
        reply.body = content;
        if (transfers++ == 0)
            reply.cut_after = content.size() / 2;
        return reply;
    });

    data_center& dc = data_center::instance();
    dc.clear();
    auto profile = user_login_info_spt::create();
    profile->account = "cutoff";
    session_state::instance().set_login_user(profile);
    session_state::instance().set_token("token");
    auto doc = doc_node_spt::create();
    doc->id = "d1";
    doc->classifyId = "c1";
    doc->fileName = "报价单";
    doc->fileSuffix = "txt";
    doc->fileType = "3";
    doc->fileId = "77";
    doc->keywords = "报价单";
    doc->nasFile = nas_file_spt::create();
    doc->nasFile->id = "77";
    dc.merge_docs({{"c1", {doc}}});

    const QString path = cache_manager::instance()->doc_path(doc);
    QFile::remove(path);
    doc_item_widget view;
    view.show_category("c1");
    view.download(doc);
    QTRY_COMPARE_WITH_TIMEOUT(doc_item_widget::state_of(view.row_of("d1")),
                              QStringLiteral("同步失败"), 20000);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files), QStringList{});

    QCOMPARE(view.row_menu(view.row_of("d1")).first().text, QStringLiteral("同步"));
    view.row_menu(view.row_of("d1")).first().action();
    QTRY_COMPARE_WITH_TIMEOUT(doc_item_widget::state_of(view.row_of("d1")),
                              QStringLiteral("同步成功"), 20000);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
    QCOMPARE(transfers, 2);
}

QTEST_MAIN(test_doc_download_scripted)
#include "test_doc_download_scripted.moc"
