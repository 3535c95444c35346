// Where cached files go, which links become downloads, and the safe copy.
#include "app/app_paths.h"
#include "model/data_center.h"
#include "model/session_state.h"
#include "sync/cache_manager.h"
#include "sync/load_image_task.h"

#include <QImage>
#include <QThread>
#include <QtTest>

using namespace quorvel;

namespace {

QString root() {
    return app_paths::instance().cache_dir() + "agent/clouddoc/";
}

script_node_spt script_with(const QString& html) {
    auto s = script_node_spt::create();
    s->speechContent = html;
    return s;
}

} // namespace

class test_cache_manager : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void naming_rules_data();
    void naming_rules();
    void safe_names_data();
    void safe_names();
    void long_names_are_bounded();
    void hostile_texts_stay_in_the_cache_data();
    void hostile_texts_stay_in_the_cache();
    void path_inside_data();
    void path_inside();
    void unreferenced_files_go_held_ones_stay();
    void fresh_identifier_folders_differ();
    void sticker_and_document_rules();
    void script_links_data();
    void script_links();
    void copy_file_cases();
    void image_loader_reports_each_file_and_stops();
};

void test_cache_manager::initTestCase() {
    data_center::instance().clear();
    auto profile = user_login_info_spt::create();
    profile->account = "agent";
    session_state::instance().set_login_user(profile);
}

void test_cache_manager::naming_rules_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("remote");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("expected");
    QTest::newRow("id with suffix")
        << "id"
        << "77" << QStringLiteral("报价") << "pdf" << QStringLiteral("77/报价.pdf");
    QTest::newRow("id dotted suffix") << "id"
                                      << "77"
                                      << "a"
                                      << ".pdf"
                                      << "77/a.pdf";
    QTest::newRow("id empty suffix") << "id"
                                     << "77"
                                     << "a"
                                     << ""
                                     << "77/a.";
    QTest::newRow("id empty name") << "id"
                                   << "77"
                                   << ""
                                   << "png"
                                   << "77/77.png";
    QTest::newRow("address own suffix") << "address"
                                        << "http://h/files/%E5%9B%BE.tar.gz?x=1"
                                        << "pic"
                                        << "" << QStringLiteral("图.tar/pic.gz");
    QTest::newRow("address given suffix")
        << "address"
        << "http://h/public/12" << QStringLiteral("价目") << "csv" << QStringLiteral("12/价目.csv");
}

void test_cache_manager::naming_rules() {
    QFETCH(QString, rule);
    QFETCH(QString, remote);
    QFETCH(QString, name);
    QFETCH(QString, suffix);
    QFETCH(QString, expected);
    cache_manager* cache = cache_manager::instance();
    const QString path = rule == "id" ? cache->path_by_id("clouddoc", remote, name, suffix)
                                      : cache->path_by_address("clouddoc", remote, name, suffix);
    QCOMPARE(path, root() + expected);
    QCOMPARE(cache->local_path(remote), path); // recorded under its key
}

void test_cache_manager::safe_names_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ordinary") << QStringLiteral("报价 2024.pdf") << QStringLiteral("报价 2024.pdf");
    QTest::newRow("several dots") << "a.tar.gz"
                                  << "a.tar.gz";
    QTest::newRow("hidden-style") << ".pdf"
                                  << ".pdf";
    QTest::newRow("climbing") << "../../etc/passwd"
                              << ".._.._etc_passwd";
    QTest::newRow("parent") << ".."
                            << "_..";
    QTest::newRow("self") << "."
                          << "_.";
    QTest::newRow("empty") << ""
                           << "_";
    QTest::newRow("blanks and dots") << " . "
                                     << "_ . ";
    QTest::newRow("drive and backslashes") << "C:\\Windows\\win.ini"
                                           << "C__Windows_win.ini";
    QTest::newRow("absolute") << "/tmp/x"
                              << "_tmp_x";
    QTest::newRow("stream") << "a.png:evil"
                            << "a.png_evil";
    QTest::newRow("wildcards") << "a*b?c\"<d>|"
                               << "a_b_c__d__";
    QTest::newRow("control characters") << QString("a\tb\nc") + QChar(0x7f) << "a_b_c_";
    QTest::newRow("device") << "CON"
                            << "_CON";
    QTest::newRow("device with suffix") << "nul.txt"
                                        << "_nul.txt";
    QTest::newRow("device with blank") << "aux .png"
                                       << "_aux .png";
    QTest::newRow("numbered device") << "LPT1"
                                     << "_LPT1";
    QTest::newRow("superscript device")
        << QString("COM") + QChar(0xB9) + ".png" << QString("_COM") + QChar(0xB9) + ".png";
    QTest::newRow("device-like word") << "CONSOLE.txt"
                                      << "CONSOLE.txt";
    QTest::newRow("device-like number") << "COM10"
                                        << "COM10";
}

void test_cache_manager::safe_names() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(safe_name(text), expected);
}

void test_cache_manager::long_names_are_bounded() {
    const QString one = QString(300, QChar(0x957F)) + ".pdf"; // 长
    const QString two = QString(299, QChar(0x957F)) + "x.pdf";
    for (const QString& text : {one, two, QString(500, 'a'), QString(150, QChar(0xD83D)) + "x"}) {
        const QString name = safe_name(text);
        QVERIFY2(name.toUtf8().size() <= max_name_bytes, qPrintable(name));
        QVERIFY(!name.isEmpty());
    }
    QVERIFY(safe_name(one).endsWith(".pdf"));
    QVERIFY(safe_name(one) != safe_name(two));
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    QVERIFY(!safe_name(emoji.repeated(100)).at(0).isLowSurrogate());
    QVERIFY(safe_name(emoji.repeated(100)).toUtf8() ==
            safe_name(emoji.repeated(100)).toUtf8()); // stable
    const QString cut = safe_name(emoji.repeated(100));
    QCOMPARE(QString::fromUtf8(cut.toUtf8()), cut); // no half pair left
}

void test_cache_manager::hostile_texts_stay_in_the_cache_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("remote");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("suffix");
    const QString climb = QString("../").repeated(12) + "tmp/quorvel-evil";
    QTest::newRow("id climbs") << "id"
                               << "../../.."
                               << "x"
                               << "pdf";
    QTest::newRow("name climbs") << "id"
                                 << "77" << climb << "sh";
    QTest::newRow("absolute name") << "id"
                                   << "77"
                                   << "/tmp/quorvel-evil"
                                   << "";
    QTest::newRow("suffix climbs") << "id"
                                   << "77"
                                   << "a"
                                   << "/../../../../quorvel-evil";
    QTest::newRow("empty id and name") << "id"
                                       << ""
                                       << ""
                                       << "";
    QTest::newRow("address ends in a slash") << "address"
                                             << "http://h/public/12/" << climb << "txt";
    QTest::newRow("address climbs encoded") << "address"
                                            << "http://h/a/..%2F..%2F..%2Fx.png"
                                            << ".."
                                            << "";
    QTest::newRow("address with backslashes") << "address"
                                              << "http://h/a/..%5C..%5Cx.png"
                                              << "C:\\Users\\x"
                                              << "png";
    QTest::newRow("fresh link climbs") << "fresh"
                                       << "http://h/a/..%2F..%2F..%2F..%2Fevil.pdf"
                                       << ""
                                       << "";
}

void test_cache_manager::hostile_texts_stay_in_the_cache() {
    QFETCH(QString, rule);
    QFETCH(QString, remote);
    QFETCH(QString, name);
    QFETCH(QString, suffix);
    cache_manager* cache = cache_manager::instance();
    const QString path = rule == "id" ? cache->path_by_id("clouddoc", remote, name, suffix)
                         : rule == "address"
                             ? cache->path_by_address("clouddoc", remote, name, suffix)
                             : cache->path_by_fresh_id("clouddoc", remote);
    // Exactly one folder and one file below the account's folder.
    QVERIFY2(path.startsWith(root()), qPrintable(path));
    QCOMPARE(path.mid(root().size()).count('/'), 1);
    QCOMPARE(QDir::cleanPath(path), path);
    for (const QString& part : path.mid(root().size()).split('/'))
        QCOMPARE(safe_name(part), part);
}

void test_cache_manager::path_inside_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("inside");
    QTest::newRow("file") << "/c/d/f" << true;
    QTest::newRow("deeper") << "/c/d/e/f" << true;
    QTest::newRow("the folder itself") << "/c/d" << false;
    QTest::newRow("the folder with a slash") << "/c/d/" << false;
    QTest::newRow("climbs out") << "/c/d/../e/f" << false;
    QTest::newRow("climbs back in") << "/c/d/x/../f" << true;
    QTest::newRow("same prefix") << "/c/dx/f" << false;
    QTest::newRow("empty") << "" << false;
}

void test_cache_manager::path_inside() {
    QFETCH(QString, path);
    QFETCH(bool, inside);
    QCOMPARE(quorvel::path_inside(path, "/c/d"), inside);
}

void test_cache_manager::unreferenced_files_go_held_ones_stay() {
    QTemporaryDir tmp;
    const QString folder = tmp.filePath("clouddoc");
    auto write = [&](const QString& relative) {
        QDir().mkpath(QFileInfo(folder + "/" + relative).absolutePath());
        QFile file(folder + "/" + relative);
        return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
    };
    for (const char* file :
         {"5/kept.png", "6/gone.png", "6/also-gone.png.Xq1a2b",
          "0123456789abcdef0123456789abcdef/old.pdf", "7/held.pdf", "8/deep/er/gone.txt"})
        QVERIFY(write(file));
    QVERIFY(write("../outside.txt"));
    QSet<QString> removed;
    {
        const cache_hold hold({folder + "/7/held.pdf"});
        for (const QString& path : remove_unreferenced(folder, {folder + "/5/kept.png"}))
            removed.insert(path.mid(folder.size() + 1));
    }
    QCOMPARE(removed,
             (QSet<QString>{"6/gone.png", "6/also-gone.png.Xq1a2b",
                            "0123456789abcdef0123456789abcdef/old.pdf", "8/deep/er/gone.txt"}));
    QDir dir(folder);
    QCOMPARE(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot), (QStringList{"5", "7"}));
    QVERIFY(QFile::exists(folder + "/7/held.pdf"));
    QVERIFY(QFile::exists(tmp.filePath("outside.txt")));
    QVERIFY(!cache_manager::instance()->is_held(folder + "/7/held.pdf")); // released
}

void test_cache_manager::fresh_identifier_folders_differ() {
    cache_manager* cache = cache_manager::instance();
    const QString link = "http://h/a/%E6%96%87%E4%BB%B6.docx";
    const QString first = cache->path_by_fresh_id("clouddoc", link);
    const QString second = cache->path_by_fresh_id("clouddoc", link);
    QVERIFY(first != second);
    QVERIFY(QRegularExpression(root() + "[0-9a-f]{32}/" + QStringLiteral("文件.docx") + "$")
                .match(first)
                .hasMatch());
    QCOMPARE(cache->local_path(link), QString()); // the caller records

    const auto tasks1 = make_script_tasks(script_with("<a href=\"" + link + "\">f</a>"));
    const auto tasks2 = make_script_tasks(script_with("<a href=\"" + link + "\">f</a>"));
    QCOMPARE(cache->local_path(link), tasks2.first()->local_path); // the latest wins
    QVERIFY(tasks1.first()->local_path != tasks2.first()->local_path);
}

void test_cache_manager::sticker_and_document_rules() {
    auto file = nas_file_spt::create();
    file->localFileName = "smile";
    file->fileSuffix = "png";
    auto sticker = sticker_node_spt::create();
    sticker->emojiType = "3";
    sticker->fileId = "5";
    sticker->nasFile = file;
    QCOMPARE(cache_manager::instance()->sticker_path(sticker), root() + "5/smile.png");
    sticker->emojiContentMatchKeywords = QStringLiteral("笑");
    const auto task = make_sticker_task(sticker);
    QCOMPARE(task->kind, 1);
    QCOMPARE(task->remote, QString("5"));
    QCOMPARE(task->local_path, root() + QStringLiteral("5/笑.png"));
    sticker->nasFile.reset();
    QVERIFY(!make_sticker_task(sticker));
    sticker->emojiType = "1";
    QVERIFY(!make_sticker_task(sticker));

    auto doc = doc_node_spt::create();
    doc->fileType = "3";
    doc->fileId = "9";
    QVERIFY(make_doc_task(doc)); // without its file record: a task with no path, which then fails
    QCOMPARE(make_doc_task(doc)->local_path, QString());
    doc->nasFile = file;
    doc->fileName = QStringLiteral("合同");
    doc->fileSuffix = "pdf";
    QCOMPARE(make_doc_task(doc)->local_path, root() + QStringLiteral("9/合同.pdf"));
    doc->fileType = "0";
    doc->fileContent = "http://h/docs/manual.pdf";
    QCOMPARE(make_doc_task(doc)->kind, 0);
    QCOMPARE(make_doc_task(doc)->local_path, root() + QStringLiteral("manual/合同.pdf"));
    doc->fileType = "5";
    QVERIFY(!make_doc_task(doc));
}

void test_cache_manager::script_links_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<int>("kind"); // -1: no task
    QTest::addColumn<QString>("remote");
    QTest::newRow("file store")
        << "http://filestore.quorvel/download?tovk_fileId=8&amp;tovk_name=a&amp;tovk_suffix=pdf"
        << 1 << "8";
    QTest::newRow("file store with an extra key")
        << "http://filestore.quorvel/download?tovk_fileId=8&tovk_name=a&tovk_suffix=pdf&x=1" << -1
        << "";
    QTest::newRow("address") << "http://h/public/3?tovk_name=a&tovk_suffix=txt" << 0
                             << "http://h/public/3";
    QTest::newRow("w3c") << "http://www.w3.org/files/spec.pdf" << -1 << "";
    QTest::newRow("upper-case html") << "http://h/page.HTML" << -1 << "";
    QTest::newRow("exe") << "https://h/setup.exe" << -1 << "";
    QTest::newRow("mixed-case pdf") << "https://h/Guide.PdF" << 0 << "https://h/Guide.PdF";
    QTest::newRow("no suffix") << "https://h/path/" << -1 << "";
}

void test_cache_manager::script_links() {
    QFETCH(QString, link);
    QFETCH(int, kind);
    QFETCH(QString, remote);
    const auto tasks = make_script_tasks(script_with("<p><a href=\"" + link + "\">f</a></p>"));
    if (kind < 0) {
        QVERIFY2(tasks.isEmpty(), qPrintable(tasks.isEmpty() ? QString() : tasks.first()->remote));
        return;
    }
    QVERIFY(!tasks.isEmpty());
    QCOMPARE(tasks.first()->kind, kind);
    QCOMPARE(tasks.first()->remote, remote);
}

void test_cache_manager::copy_file_cases() {
    QTemporaryDir tmp;
    const QString source = tmp.filePath("src.bin");
    const QString target = tmp.filePath("deep/er/dst.bin");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Source file does not exist:"));
    QVERIFY(!copy_file(source, target));
    QVERIFY(!QFile::exists(target));

    QFile in(source);
    QVERIFY(in.open(QIODevice::WriteOnly));
    const QByteArray content = QByteArray(3 << 20, 'q') + "tail"; // several blocks
    in.write(content);
    in.close();
    QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadGroup | QFile::ReadOther);
    QVERIFY(copy_file(source, target));
    QFile out(target);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), content);
    QVERIFY(QFile::permissions(target) & QFile::ExeOwner);
    // A copy in the data folder is the owner's alone, whatever the source allowed.
    QVERIFY(!(QFile::permissions(target) & (QFile::ReadGroup | QFile::ReadOther)));

    // An existing destination is replaced only by a whole copy.
    const QString dir_source = tmp.filePath("a-directory");
    QDir().mkpath(dir_source);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Failed to open source file:"));
    QVERIFY(!copy_file(dir_source, target));
    QVERIFY(out.seek(0));
    QCOMPARE(out.readAll(), content);
}

void test_cache_manager::image_loader_reports_each_file_and_stops() {
    QTemporaryDir tmp;
    QImage image(10, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(tmp.filePath("ok.png")));
    QFile bad(tmp.filePath("bad.png"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not an image");
    bad.close();

    QObject user_data;
    auto* task = new load_image_task(QSize(80, 80),
                                     {tmp.filePath("ok.png"), tmp.filePath("bad.png")}, &user_data);
    auto* thread = new QThread;
    task->moveToThread(thread);
    QStringList events;
    QSize got;
    connect(task, &load_image_task::task_finished, this,
            [&](QString path, QPixmap pixmap, QObject* data) {
                events << "finished " + QFileInfo(path).fileName();
                got = pixmap.size();
                QCOMPARE(data, &user_data);
            });
    connect(task, &load_image_task::task_failed, this,
            [&](QString path, QObject*) { events << "failed " + QFileInfo(path).fileName(); });
    connect(task, &load_image_task::all_task_finished, this, [&] { events << "all"; });
    connect(task, &load_image_task::finished, this, [&] { events << "end"; });
    connect(thread, &QThread::started, task, &load_image_task::start);
    connect(task, &load_image_task::finished, thread, &QThread::quit);
    connect(thread, &QThread::finished, task, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    QTRY_COMPARE(events, (QStringList{"finished ok.png", "failed bad.png", "all", "end"}));
    QCOMPARE(got, QSize(80, 80));

    // Stopped during a batch: the rest stays, no all_task_finished.
    QVERIFY(image.save(tmp.filePath("ok2.png")));
    load_image_task stopped(QSize(8, 8), {tmp.filePath("ok.png"), tmp.filePath("ok2.png")},
                            nullptr);
    QStringList seen;
    connect(
        &stopped, &load_image_task::task_finished, this,
        [&] {
            seen << "image";
            stopped.stop();
        },
        Qt::DirectConnection);
    connect(
        &stopped, &load_image_task::all_task_finished, this, [&] { seen << "all"; },
        Qt::DirectConnection);
    connect(
        &stopped, &load_image_task::finished, this, [&] { seen << "end"; }, Qt::DirectConnection);
    stopped.start();
    QCOMPARE(seen, (QStringList{"image", "end"}));
    QCOMPARE(stopped.remaining(), QStringList{tmp.filePath("ok2.png")});
}

QTEST_MAIN(test_cache_manager)
#include "test_cache_manager.moc"
