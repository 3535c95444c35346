// End to end on X11 with a window manager: the document page of the main
// window beside the stand-in chat application. Double-clicking an uncached
// document downloads it ("同步成功"), a second double click pastes it into
// the chat window as a file with the server's bytes.
#include "app/app_paths.h"
#include "app/settings_store.h"
#include "library_e2e_fixture.h"
#include "model/data_center.h"
#include "resources/resources.h"
#include "sync/cache_manager.h"
#include "ui/docs/doc_item_widget.h"
#include "ui/docs/doc_tab_widget.h"
#include "ui/sync_data_widget.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QProcess>
#include <QStackedLayout>
#include <QtTest>

using namespace quorvel;

class test_doc_e2e_x11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void double_clicks_download_then_paste_the_file();

private:
    QJsonObject last_paste() const;

    library_e2e_fixture e2e_;
};

void test_doc_e2e_x11::initTestCase() {
    QVERIFY2(qgetenv("QT_QPA_PLATFORM") == "xcb", "runs on a real X display");
    init_resources();
    register_meta_types();
    const QString failed = e2e_.start(QUORVEL_STANDIN);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    // The document page, as its navigation button shows it.
    main_widget* main = e2e_.main;
    for (QStackedLayout* pages : main->findChildren<QStackedLayout*>())
        if (pages->indexOf(main->docs_page()) >= 0)
            pages->setCurrentWidget(main->docs_page());
}

QJsonObject test_doc_e2e_x11::last_paste() const {
    const QList<QJsonObject> pastes = e2e_.standin.events("paste");
    return pastes.isEmpty() ? QJsonObject() : pastes.last();
}

void test_doc_e2e_x11::double_clicks_download_then_paste_the_file() {
    doc_item_widget* view = e2e_.main->docs_page()->view();
    QVERIFY(view->isVisible());
    doc_node_spt doc;
    for (const doc_node_spt& d : view->shown_docs())
        if (d->fileName == QStringLiteral("退换货政策"))
            doc = d;
    QVERIFY(doc);
    const QString path = cache_manager::instance()->doc_path(doc);
    QFile::remove(path);
    QListWidget* list = view->list();
    auto double_click = [&] {
        QListWidgetItem* row = view->row_of(doc->id);
        list->scrollToItem(row);
        QTest::qWait(100);
        // A real double click through the X server, as the agent makes it.
        const QPoint at = list->viewport()->mapToGlobal(list->visualItemRect(row).center());
        QProcess::execute("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()),
                                      "click", "--repeat", "2", "--delay", "80", "1"});
    };
    QCOMPARE(doc_item_widget::state_of(view->row_of(doc->id)), QStringLiteral("未同步"));
    double_click();
    QTRY_COMPARE_WITH_TIMEOUT(doc_item_widget::state_of(view->row_of(doc->id)),
                              QStringLiteral("同步成功"), 20000);
    QVERIFY(last_paste().isEmpty()); // the first double click only downloads

    double_click();
    QTRY_VERIFY_WITH_TIMEOUT(!last_paste().isEmpty(), 10000);
    const QJsonArray files = last_paste().value("files").toArray();
    QCOMPARE(files.size(), 1);
    QFile pasted(files.first().toString());
    QVERIFY(pasted.open(QIODevice::ReadOnly));
    int status = 0;
    QCOMPARE(pasted.readAll(),
             e2e_.demo.download("/tavorine/nas/downloadFileById?fileId=" + doc->fileId, e2e_.token,
                                &status));
    QCOMPARE(status, 200);
}

QTEST_MAIN(test_doc_e2e_x11)
#include "test_doc_e2e_x11.moc"
