// The reference for bench/search_bench.sh: the script search as one SQL
// LIKE over keywords and raw content, run directly on the server's SQLite
// file with the same search texts as the wrk script sends, on as many
// threads as wrk uses. Prints "queries_per_second p99_ms".
//   search_like_bench DB_FILE SECONDS THREADS chinese|pinyin
#include "protocol/protocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

// As the wrk script: a fresh text per request, so nothing is answered twice.
QString search_text(bool pinyin, qint64 n) {
    if (!pinyin)
        return QStringLiteral("批量话术%1").arg(n);
    QString letters;
    for (qint64 v = n; v > 0; v /= 26)
        letters += QChar('a' + int(v % 26));
    return QStringLiteral("dingdan") + letters;
}

// The server's query for the public part, with the search moved into SQL.
QString query_text() {
    return QStringLiteral(
               "SELECT s.id, s.keywords, s.content, c.dept_id, s.classify_id, c.classify_type,"
               " s.custom_shortcuts, s.sort, s.creator, s.updater, s.created, s.updated"
               " FROM scripts s JOIN categories c ON c.id = s.classify_id"
               " WHERE c.business_type = '%1' AND (c.classify_type = '%2')"
               " AND (s.keywords LIKE ? OR s.content LIKE ?)"
               " ORDER BY s.classify_id, s.sort, s.id")
        .arg(QLatin1String(quorvel::protocol::business::scripts),
             QLatin1String(quorvel::protocol::part_pub));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: search_like_bench DB_FILE SECONDS THREADS chinese|pinyin\n");
        return 2;
    }
    const QString db_file = QString::fromLocal8Bit(argv[1]);
    const qint64 limit_ms = QByteArray(argv[2]).toLongLong() * 1000;
    const int threads = QByteArray(argv[3]).toInt();
    const bool pinyin = QByteArray(argv[4]) == "pinyin";
    std::mutex mutex;
    std::vector<double> latencies_ms;
    std::atomic<qint64> rows{0};
    std::vector<QThread*> workers;
    for (int t = 0; t < threads; ++t) {
        workers.push_back(QThread::create([&, t] {
            const QString name = QStringLiteral("bench%1").arg(t);
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(db_file);
                db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
                if (!db.open())
                    return;
                qint64 n = 1000 + t; // as the wrk script: thread t, every threads-th text
                std::vector<double> mine;
                QElapsedTimer total;
                total.start();
                while (total.elapsed() < limit_ms) {
                    QElapsedTimer one;
                    one.start();
                    const QString pattern =
                        QLatin1Char('%') + search_text(pinyin, n += threads) + QLatin1Char('%');
                    QSqlQuery q(db);
                    q.prepare(query_text());
                    q.addBindValue(pattern);
                    q.addBindValue(pattern);
                    q.exec();
                    while (q.next())
                        rows += q.value(2).toString().size() > 0;
                    mine.push_back(one.nsecsElapsed() / 1e6);
                }
                std::lock_guard<std::mutex> lock(mutex);
                latencies_ms.insert(latencies_ms.end(), mine.begin(), mine.end());
            }
            QSqlDatabase::removeDatabase(name);
        }));
        workers.back()->start();
    }
    for (QThread* w : workers) {
        w->wait();
        delete w;
    }
    if (latencies_ms.empty())
        return 1;
    std::sort(latencies_ms.begin(), latencies_ms.end());
    const double p99 = latencies_ms[size_t(latencies_ms.size() * 0.99)];
    std::printf("%.1f %.2fms\n", latencies_ms.size() / (limit_ms / 1000.0), p99);
    return 0;
}
