// The reply cache stays within its bytes, keys included, and drops the least
// recently used entries first.
#include "reply_cache.h"

#include <QtTest>

using quorvel::server::reply_cache;

namespace {

reply_cache::bytes_t bytes(size_t size) {
    return std::make_shared<const std::string>(size, 'r');
}

} // namespace

class test_reply_cache : public QObject {
    Q_OBJECT
private slots:
    void least_recently_used_goes_first();
    void keys_count_against_the_capacity();
    void entries_of_an_older_generation_are_misses();
};

void test_reply_cache::least_recently_used_goes_first() {
    reply_cache cache(1000);
    cache.store("a", 1, bytes(200));
    cache.store("b", 1, bytes(200));
    cache.store("c", 1, bytes(200));
    cache.store("d", 1, bytes(200));
    QVERIFY(cache.find("a", 1)); // now b is the least recently used
    cache.store("e", 1, bytes(200));
    QVERIFY(!cache.find("b", 1));
    for (const char* kept : {"a", "c", "d", "e"})
        QVERIFY2(cache.find(kept, 1), kept);
    QVERIFY(cache.used() <= 1000);
}

void test_reply_cache::keys_count_against_the_capacity() {
    reply_cache cache(1000);
    cache.store(QByteArray(200, 'k'), 1, bytes(10));
    cache.store(QByteArray(200, 'l'), 1, bytes(10));
    cache.store(QByteArray(200, 'm'), 1, bytes(10));
    cache.store(QByteArray(200, 'n'), 1, bytes(10));
    cache.store(QByteArray(200, 'o'), 1, bytes(10));
    QVERIFY(!cache.find(QByteArray(200, 'k'), 1));
    QVERIFY(cache.find(QByteArray(200, 'o'), 1));
    QCOMPARE(cache.used(), size_t(4 * 210));
    // An entry larger than a quarter of the cache is not kept at all.
    cache.store(QByteArray(300, 'p'), 1, bytes(1));
    QVERIFY(!cache.find(QByteArray(300, 'p'), 1));
}

void test_reply_cache::entries_of_an_older_generation_are_misses() {
    reply_cache cache(1000);
    cache.store("a", 1, bytes(100));
    QVERIFY(!cache.find("a", 2));
    QCOMPARE(cache.used(), size_t(0)); // a dead entry is dropped when met
    cache.store("a", 2, bytes(100));
    QVERIFY(cache.find("a", 2));
}

QTEST_GUILESS_MAIN(test_reply_cache)
#include "test_reply_cache.moc"
