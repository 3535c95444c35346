#include "platform/named_mutex.h"

#include <QtTest>

using quorvel::platform::named_mutex;

class test_named_mutex : public QObject {
    Q_OBJECT
private slots:
    // The update's installer mutex: the first holder creates it, a second
    // sees it taken, and closing it frees the name again.
    void held_until_destroyed() {
        const std::string name = "{2CA65185-0D8D-4E7A-928A-865D7A4D8CD4}";
        auto first = std::make_unique<named_mutex>(name);
        QVERIFY(first->valid());
        QVERIFY(!first->already_existed());
        {
            named_mutex second(name);
            QVERIFY(second.valid());
            QVERIFY(second.already_existed());
        }
        named_mutex other("another name");
        QVERIFY(!other.already_existed());
        first.reset();
        named_mutex third(name);
        QVERIFY(!third.already_existed());
    }

    void odd_names_stay_in_the_runtime_folder() {
        named_mutex slashes("../../etc/x");
        QVERIFY(slashes.valid());
        QVERIFY(!slashes.already_existed());
    }
};

QTEST_GUILESS_MAIN(test_named_mutex)
#include "test_named_mutex.moc"
