// Copying the file store between the data folder and the database keeps every
// byte, and copies nothing that does not match its recorded SHA-256. Runs on
// SQLite, or on the PostgreSQL cluster named by QUORVEL_TEST_DB.
#include "file_copy.h"
#include "file_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvel::server;

class test_file_copy : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void every_byte_survives_directory_to_database_and_back();
    void bytes_not_matching_their_hash_are_not_copied();

private:
    qint64 store(const QByteArray& bytes);
    QByteArray read_all(file_source& source);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<storage> db_;
};

namespace {

db_config_t config_for(const QString& data_dir) {
    QString unused;
    const QString cluster = qEnvironmentVariable("QUORVEL_TEST_DB");
    if (cluster.isEmpty())
        return *parse_db_option(QStringLiteral("sqlite"), data_dir, &unused);
    static int counter = 0;
    const QString name =
        QStringLiteral("copy_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    QUrl url(cluster);
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "copy_admin");
        admin.setHostName(url.host());
        admin.setPort(url.port());
        admin.setUserName(url.userName());
        admin.setDatabaseName(url.path().mid(1));
        if (!admin.open() || !QSqlQuery(admin).exec("CREATE DATABASE " + name))
            qFatal("cannot create a test database");
    }
    QSqlDatabase::removeDatabase("copy_admin");
    url.setPath("/" + name);
    return *parse_db_option(url.toString(), data_dir, &unused);
}

QByteArray random_bytes(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = static_cast<char>(QRandomGenerator::global()->generate());
    return bytes;
}

} // namespace

void test_file_copy::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    db_ = std::make_unique<storage>(config_for(dir_->path()));
    QString error;
    QVERIFY2(db_->open(&error), qPrintable(error));
    QVERIFY(file_store(dir_->path()).init(&error));
}

void test_file_copy::cleanup() {
    db_.reset();
    dir_.reset();
}

qint64 test_file_copy::store(const QByteArray& bytes) {
    file_store directory(dir_->path());
    transaction tx(*db_, true);
    file_meta_t meta;
    meta.client_path = QStringLiteral("f.bin");
    const auto id = directory.store_bytes(tx, bytes, meta);
    return id && tx.commit() ? *id : 0;
}

QByteArray test_file_copy::read_all(file_source& source) {
    QByteArray all;
    while (all.size() < source.size()) {
        const QByteArray piece = source.read(all.size(), 300 * 1024);
        if (piece.isEmpty())
            break;
        all += piece;
    }
    return all;
}

void test_file_copy::every_byte_survives_directory_to_database_and_back() {
    // Sizes around the 1 MiB chunks the database keeps.
    QHash<qint64, QByteArray> files;
    for (int size : {0, 1, (1 << 20) - 1, 1 << 20, (1 << 20) + 1, 3 * (1 << 20) + 7}) {
        const QByteArray bytes = random_bytes(size);
        const qint64 id = store(bytes);
        QVERIFY(id != 0);
        files.insert(id, bytes);
    }
    copy_report_t report = copy_file_store(*db_, dir_->path(), copy_direction::to_database);
    QCOMPARE(report.copied + report.skipped, files.size()); // an empty file has no chunk to copy
    QVERIFY(report.copied >= files.size() - 1);
    QCOMPARE(report.failed, 0);

    // The directory goes; the database alone serves every byte.
    QVERIFY(QDir(dir_->path() + "/files").removeRecursively());
    QString error;
    QVERIFY(file_store(dir_->path()).init(&error));
    const file_store database(dir_->path(), file_store_kind::database);
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        auto source = database.open_file(*db_, it.key());
        QVERIFY(source);
        QCOMPARE(source->size(), qint64(it.value().size()));
        QVERIFY(read_all(*source) == it.value());
    }
    // A second run finds everything there already.
    report = copy_file_store(*db_, dir_->path(), copy_direction::to_database);
    QCOMPARE(report.skipped, files.size());

    report = copy_file_store(*db_, dir_->path(), copy_direction::to_directory);
    QCOMPARE(report.copied, files.size());
    QCOMPARE(report.failed, 0);
    const file_store directory(dir_->path());
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        QFile back(directory.path_of(it.key()));
        QVERIFY(back.open(QIODevice::ReadOnly));
        QVERIFY(back.readAll() == it.value());
    }
    QVERIFY(QDir(dir_->path() + "/files/tmp").isEmpty());
}

void test_file_copy::bytes_not_matching_their_hash_are_not_copied() {
    const qint64 damaged = store(random_bytes(5000));
    const qint64 missing = store(random_bytes(10));
    const qint64 sound = store(random_bytes(20));
    const file_store directory(dir_->path());
    QFile file(directory.path_of(damaged));
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.seek(4000);
    file.write("x");
    file.close();
    QVERIFY(QFile::remove(directory.path_of(missing)));

    const copy_report_t report = copy_file_store(*db_, dir_->path(), copy_direction::to_database);
    QCOMPARE(report.copied, 1);
    QCOMPARE(report.failed, 2);
    transaction tx(*db_, false);
    QVERIFY(!has_file_chunks(tx, damaged));
    QVERIFY(!has_file_chunks(tx, missing));
    QVERIFY(has_file_chunks(tx, sound));
}

QTEST_MAIN(test_file_copy)
#include "test_file_copy.moc"
