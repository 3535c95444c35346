// Signs update installers for the clients that hold the matching public key.
//   quorvel-sign keygen PRIVATE_KEY_FILE PUBLIC_KEY_FILE
//   quorvel-sign sign PRIVATE_KEY_FILE INSTALLER [SIGNATURE_FILE]   (default INSTALLER.sig)
//   quorvel-sign verify PUBLIC_KEY INSTALLER SIGNATURE_FILE         (the key's hex or its file)
// Keys are hexadecimal text (the private file holds the 32-byte seed and the
// public key after it); a signature file is the base64 of the 64 signature
// bytes.
#include "signing/update_signature.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

using namespace quorvel;

namespace {

const char usage[] = "usage:\n"
                     "  quorvel-sign keygen PRIVATE_KEY_FILE PUBLIC_KEY_FILE\n"
                     "  quorvel-sign sign PRIVATE_KEY_FILE INSTALLER [SIGNATURE_FILE]\n"
                     "  quorvel-sign verify PUBLIC_KEY INSTALLER SIGNATURE_FILE\n";

int fail(const QString& message) {
    std::fprintf(stderr, "quorvel-sign: %s\n", qPrintable(message));
    return 1;
}

bool read_file(const QString& path, QByteArray* bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return true;
}

bool write_file(const QString& path, const QByteArray& bytes, QFile::Permissions permissions) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !file.setPermissions(permissions))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

int keygen(const QString& private_path, const QString& public_path) {
    // A key that signs what every client runs is never overwritten by accident.
    if (QFileInfo::exists(private_path))
        return fail(
            QStringLiteral("%1 exists; remove it first to make a new key").arg(private_path));
    const update_key_pair_t pair = make_update_key_pair();
    if (pair.seed.isEmpty())
        return fail(QStringLiteral("no key pair: the random source failed"));
    if (!write_file(private_path, private_key_text(pair.seed), QFile::ReadOwner | QFile::WriteOwner))
        return fail(QStringLiteral("cannot write %1").arg(private_path));
    if (!write_file(public_path, pair.public_key.toHex() + '\n',
                    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther))
        return fail(QStringLiteral("cannot write %1").arg(public_path));
    std::printf("%s\n", pair.public_key.toHex().constData());
    return 0;
}

int sign(const QString& private_path, const QString& installer, const QString& signature_path) {
    QByteArray text;
    if (!read_file(private_path, &text))
        return fail(QStringLiteral("cannot read %1").arg(private_path));
    const QByteArray seed = parse_private_key(text);
    if (seed.isEmpty())
        return fail(QStringLiteral("%1 is not a private key file").arg(private_path));
    const QByteArray signature = sign_file(installer, seed);
    if (signature.isEmpty())
        return fail(QStringLiteral("cannot read %1").arg(installer));
    if (!write_file(signature_path, signature.toBase64() + '\n',
                    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther))
        return fail(QStringLiteral("cannot write %1").arg(signature_path));
    std::printf("%s\n", qPrintable(signature_path));
    return 0;
}

int verify(const QString& key, const QString& installer, const QString& signature_path) {
    QByteArray key_text = key.toLatin1();
    if (QFileInfo::exists(key) && !read_file(key, &key_text))
        return fail(QStringLiteral("cannot read %1").arg(key));
    const QByteArray public_key = parse_update_key(key_text, update_public_key_size);
    if (public_key.isEmpty())
        return fail(QStringLiteral("%1 is not a public key").arg(key));
    QByteArray text;
    if (!read_file(signature_path, &text))
        return fail(QStringLiteral("cannot read %1").arg(signature_path));
    const QByteArray signature = parse_update_signature(text);
    if (signature.isEmpty())
        return fail(QStringLiteral("%1 is not a signature file").arg(signature_path));
    if (!file_signature_valid(installer, signature, public_key))
        return fail(QStringLiteral("the signature of %1 does not verify").arg(installer));
    std::puts("signature valid");
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    if (command == QLatin1String("keygen") && args.size() == 3)
        return keygen(args[1], args[2]);
    if (command == QLatin1String("sign") && (args.size() == 3 || args.size() == 4))
        return sign(args[1], args[2], args.value(3, args[2] + QStringLiteral(".sig")));
    if (command == QLatin1String("verify") && args.size() == 4)
        return verify(args[1], args[2], args[3]);
    std::fputs(usage, stderr);
    return 2;
}
