// Ed25519 signatures of installers: what the client accepts, and the
// publisher's steps with quorvel-sign (key pair, signature, check).
#include "signing/update_signature.h"
#include "test_files.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvel;

namespace {

using test_support::read_file;
using test_support::write_file;

struct run_t {
    int code = -1;
    QByteArray out;
};

run_t quorvel_sign(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(QUORVEL_SIGN_PATH), args);
    if (!p.waitForFinished(30000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput()};
}

} // namespace

class test_update_signature : public QObject {
    Q_OBJECT
private slots:
    void signature_forms_data();
    void signature_forms();
    void key_text_data();
    void key_text();
    void private_key_is_never_a_public_key();
    void file_signature_data();
    void file_signature();
    void publisher_steps();
    void keygen_keeps_an_existing_key();
};

void test_update_signature::signature_forms_data() {
    const QByteArray bytes(update_signature_size, '\x5a');
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("base64") << bytes.toBase64() << true;
    QTest::newRow("base64 with newline") << bytes.toBase64() + "\n" << true;
    QTest::newRow("raw bytes") << bytes << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("too short") << bytes.left(63).toBase64() << false;
    QTest::newRow("too long") << (bytes + 'x').toBase64() << false;
    QTest::newRow("not base64") << QByteArray(88, '!') << false;
    QTest::newRow("hex") << bytes.toHex() << false;
}

void test_update_signature::signature_forms() {
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    const QByteArray parsed = parse_update_signature(text);
    QCOMPARE(!parsed.isEmpty(), accepted);
    if (accepted)
        QCOMPARE(parsed, QByteArray(update_signature_size, '\x5a'));
}

void test_update_signature::key_text_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");
    const QByteArray hex = QByteArray(update_public_key_size, '\x11').toHex();
    QTest::newRow("hex") << hex << true;
    QTest::newRow("upper case, newline") << hex.toUpper() + "\n" << true;
    QTest::newRow("short") << hex.left(62) << false;
    QTest::newRow("not hex") << QByteArray(64, 'g') << false;
    QTest::newRow("base64") << QByteArray(update_public_key_size, '\x11').toBase64() << false;
}

void test_update_signature::key_text() {
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QCOMPARE(!parse_update_key(text, update_public_key_size).isEmpty(), accepted);
}

void test_update_signature::private_key_is_never_a_public_key() {
    const update_key_pair_t pair = make_update_key_pair();
    const QByteArray text = private_key_text(pair.seed);
    QCOMPARE(parse_private_key(text), pair.seed);
    QVERIFY(parse_private_key(pair.public_key.toHex()).isEmpty());
    QVERIFY(parse_private_key(pair.seed.toHex()).isEmpty());
    QVERIFY(parse_update_key(text, update_public_key_size).isEmpty());
    // Halves that do not belong together.
    const QByteArray other = make_update_key_pair().public_key;
    QVERIFY(parse_private_key((pair.seed + other).toHex()).isEmpty());
}

void test_update_signature::file_signature_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("signed_content");
    QTest::addColumn<bool>("other_key");
    QTest::addColumn<bool>("valid");
    const QByteArray installer("#!/bin/sh\n\0exit 0\n", 18);
    QTest::newRow("signed") << installer << installer << false << true;
    QTest::newRow("empty file, signed") << QByteArray() << QByteArray() << false << true;
    QTest::newRow("one byte changed")
        << QByteArray(installer).replace("0", "1") << installer << false << false;
    QTest::newRow("longer") << installer + "x" << installer << false << false;
    QTest::newRow("another key") << installer << installer << true << false;
}

void test_update_signature::file_signature() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, signed_content);
    QFETCH(bool, other_key);
    QFETCH(bool, valid);
    const update_key_pair_t pair = make_update_key_pair();
    const update_key_pair_t other = make_update_key_pair();
    QCOMPARE(pair.public_key.size(), update_public_key_size);
    QCOMPARE(public_key_of(pair.seed), pair.public_key);
    QTemporaryDir dir;
    const QString path = dir.filePath("installer");
    QVERIFY(write_file(path, content));
    const QByteArray signature = sign_update(signed_content, (other_key ? other : pair).seed);
    QCOMPARE(signature.size(), update_signature_size);
    QCOMPARE(file_signature_valid(path, signature, pair.public_key), valid);
    QCOMPARE(sign_file(path, pair.seed) == signature, valid);
    QVERIFY(!file_signature_valid(dir.filePath("missing"), signature, pair.public_key));
    QVERIFY(!file_signature_valid(path, QByteArray(), pair.public_key));
    QVERIFY(!file_signature_valid(path, signature, QByteArray()));
}

// Key pair, signature, check: as the README tells the publisher.
void test_update_signature::publisher_steps() {
    QTemporaryDir dir;
    const QString private_key = dir.filePath("update-private.key");
    const QString public_key = dir.filePath("update-public.key");
    const run_t made = quorvel_sign({"keygen", private_key, public_key});
    QCOMPARE(made.code, 0);
    QCOMPARE(made.out.trimmed(), read_file(public_key).trimmed());
    QCOMPARE(QFile::permissions(private_key) &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
             QFile::Permissions());

    const QString installer = dir.filePath("quorvel-2.0.sh");
    QVERIFY(write_file(installer, "#!/bin/sh\nexit 0\n"));
    QCOMPARE(quorvel_sign({"sign", private_key, installer}).code, 0);
    const QByteArray signature = parse_update_signature(read_file(installer + ".sig"));
    const QByteArray key = parse_update_key(read_file(public_key), update_public_key_size);
    QVERIFY(file_signature_valid(installer, signature, key));
    QCOMPARE(quorvel_sign({"verify", public_key, installer, installer + ".sig"}).code, 0);
    QCOMPARE(
        quorvel_sign({"verify", QString::fromLatin1(key.toHex()), installer, installer + ".sig"})
            .code,
        0);

    QVERIFY(write_file(installer, "#!/bin/sh\nexit 1\n"));
    QVERIFY(quorvel_sign({"verify", public_key, installer, installer + ".sig"}).code != 0);
    QVERIFY(quorvel_sign({"sign", public_key, installer}).code != 0); // not a private key
    QVERIFY(quorvel_sign({"sign"}).code != 0);
}

void test_update_signature::keygen_keeps_an_existing_key() {
    QTemporaryDir dir;
    const QString private_key = dir.filePath("update-private.key");
    const QString public_key = dir.filePath("update-public.key");
    QCOMPARE(quorvel_sign({"keygen", private_key, public_key}).code, 0);
    const QByteArray kept = read_file(private_key);
    QVERIFY(quorvel_sign({"keygen", private_key, public_key}).code != 0);
    QCOMPARE(read_file(private_key), kept);
}

QTEST_GUILESS_MAIN(test_update_signature)
#include "test_update_signature.moc"
