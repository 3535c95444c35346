// The script editor's upload dialog against quorvel-server.
#include "model/data_center.h"
#include "model/session_state.h"
#include "net/blocking_requests.h"
#include "server_fixture.h"
#include "ui/script_upload_files_dialog.h"

#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace quorvel;

class test_script_upload_files_dialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void upload_dialog_retries_until_every_file_is_saved();

private:
    QString write_file(const QString& name, const QByteArray& content);

    server_fixture server_;
    QTemporaryDir dir_;
};

void test_script_upload_files_dialog::initTestCase() {
    QVERIFY(server_.start());
    qputenv("QUORVEL_BASE_URL", server_.base_url().toUtf8());
    data_center::instance().clear();
    session_state::instance().set_token(server_.login("agent", "agent123"));
}

QString test_script_upload_files_dialog::write_file(const QString& name,
                                                    const QByteArray& content) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

void test_script_upload_files_dialog::upload_dialog_retries_until_every_file_is_saved() {
    http_client client;
    QString message;
    data_center::instance().set_attachments_category(
        create_category_blocking(client,
                                 {{"classifyName", "{7B102D60-2316-4F07-8A66-B3AE3DEFA985}"},
                                  {"clientBusinessType", "320"},
                                  {"classifyType", "0"},
                                  {"superiorId", "-1"},
                                  {"deptId", "-1"}},
                                 &message));
    QVERIFY(data_center::instance().attachments_category());

    const QStringList files = {write_file("a.pdf", "%PDF a"), write_file("b.mp4", "video"),
                               write_file(QStringLiteral("说明.docx"), "doc")};
    QFile::rename(files[1], files[1] + ".away"); // b.mp4 is missing at first
    auto* dialog = new script_upload_files_dialog(nullptr, files);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QList<QList<QPair<QString, QFileInfo>>> done;
    connect(dialog, &script_upload_files_dialog::upload_finished, this,
            [&done](const QList<QPair<QString, QFileInfo>>& files) { done << files; });
    dialog->show();
    auto* retry = dialog->findChildren<QPushButton*>().value(0);
    auto* status = dialog->findChild<QLabel*>();
    QVERIFY(retry && retry->text() == QStringLiteral("重试"));
    QTRY_VERIFY(retry->isVisible());
    QCOMPARE(status->text(), QStringLiteral("部分文档未完全同步，请继续重试"));
    QCOMPARE(done.count(), 0);

    QFile::rename(files[1] + ".away", files[1]);
    retry->click();
    QTRY_COMPARE(done.count(), 1);
    const auto result = done.first();
    QCOMPARE(result.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(result[i].second.absoluteFilePath(), QFileInfo(files[i]).absoluteFilePath());
        QVERIFY(!result[i].first.isEmpty());
    }
    // Each is now a document of the attachments category, marked as an attachment.
    const QJsonArray docs =
        server_
            .post("/tavorine/clientKb/queryFile",
                  {{"classifyId", data_center::instance().attachments_category()->id}},
                  session_state::instance().token())
            .data()
            .toArray();
    QCOMPARE(docs.size(), 3);
    QCOMPARE(docs[0].toObject().value("customShortcuts").toString(), QString("known"));
}

QTEST_MAIN(test_script_upload_files_dialog)
#include "test_script_upload_files_dialog.moc"
