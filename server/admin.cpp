#include "admin.h"

#include "auth.h"
#include "file_copy.h"
#include "protocol/protocol.h"
#include "signing/update_signature.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>

namespace quorvel::server {

namespace {

std::optional<qint64> insert_one(storage& store, const QString& sql, const QVariantList& binds,
                                 QString* error) {
    transaction tx(store, true);
    const QString id = tx.insert(sql, binds);
    if (id.isEmpty() || !tx.commit()) {
        *error = tx.error();
        return std::nullopt;
    }
    return id.toLongLong();
}

std::optional<qint64> user_id(transaction& tx, const QString& account) {
    const QVariant id =
        tx.scalar(QStringLiteral("SELECT id FROM users WHERE account = ?"), {account});
    if (!id.isValid())
        return std::nullopt;
    return id.toLongLong();
}

std::optional<qint64> role_id(transaction& tx, const QString& key) {
    const QVariant id = tx.scalar(QStringLiteral("SELECT id FROM roles WHERE role_key = ?"), {key});
    if (!id.isValid())
        return std::nullopt;
    return id.toLongLong();
}

} // namespace

std::optional<qint64> add_department(storage& store, const QString& name, qint64 parent,
                                     QString* error) {
    if (name.trimmed().isEmpty()) {
        *error = QStringLiteral("department name is empty");
        return std::nullopt;
    }
    return insert_one(store,
                      QStringLiteral("INSERT INTO departments (parent_id, name) VALUES (?, ?)"),
                      {parent, name.trimmed()}, error);
}

std::optional<qint64> add_role(storage& store, const QString& name, const QString& key,
                               QString* error) {
    if (key.trimmed().isEmpty()) {
        *error = QStringLiteral("role key is empty");
        return std::nullopt;
    }
    return insert_one(store, QStringLiteral("INSERT INTO roles (name, role_key) VALUES (?, ?)"),
                      {name, key.trimmed()}, error);
}

std::optional<qint64> add_user(storage& store, const QString& account, const QString& name,
                               const QString& password, qint64 dept, const QStringList& role_keys,
                               bool admin, QString* error) {
    if (account.trimmed().isEmpty() || password.isEmpty()) {
        *error = QStringLiteral("account and password are required");
        return std::nullopt;
    }
    const QString hash = hash_password(password);
    transaction tx(store, true);
    const QString id = tx.insert(
        QStringLiteral("INSERT INTO users (account, user_name, password_hash, dept_id, admin_type)"
                       " VALUES (?, ?, ?, ?, ?)"),
        {account.trimmed(), name.isEmpty() ? account.trimmed() : name, hash, dept, admin ? 1 : 0});
    for (const QString& key : role_keys) {
        const auto role = role_id(tx, key);
        if (!role) {
            *error = QStringLiteral("unknown role key %1").arg(key);
            return std::nullopt;
        }
        tx.run(QStringLiteral("INSERT INTO user_roles (user_id, role_id) VALUES (?, ?)"),
               {id.toLongLong(), *role});
    }
    if (id.isEmpty() || !tx.commit()) {
        *error = tx.error().isEmpty() ? QStringLiteral("cannot add user") : tx.error();
        return std::nullopt;
    }
    return id.toLongLong();
}

bool set_password(storage& store, const QString& account, const QString& password, QString* error) {
    if (password.isEmpty()) {
        *error = QStringLiteral("password is empty");
        return false;
    }
    const QString hash = hash_password(password);
    transaction tx(store, true);
    const auto id = user_id(tx, account);
    if (!id) {
        *error = QStringLiteral("unknown account %1").arg(account);
        return false;
    }
    tx.run(QStringLiteral("UPDATE users SET password_hash = ? WHERE id = ?"), {hash, *id});
    tx.run(QStringLiteral("DELETE FROM tokens WHERE user_id = ?"), {*id}); // sign out everywhere
    if (!tx.commit()) {
        *error = tx.error();
        return false;
    }
    return true;
}

bool grant_department(storage& store, const QString& account, qint64 dept, const QString& role_key,
                      QString* error) {
    transaction tx(store, true);
    const auto user = user_id(tx, account);
    const auto role = role_id(tx, role_key);
    const bool dept_exists =
        tx.scalar(QStringLiteral("SELECT id FROM departments WHERE id = ?"), {dept}).isValid();
    if (!user || !role || !dept_exists) {
        *error = QStringLiteral("unknown account, department or role key");
        return false;
    }
    tx.run(QStringLiteral(
               "DELETE FROM user_dept_rights WHERE user_id = ? AND dept_id = ? AND role_id = ?"),
           {*user, dept, *role});
    tx.run(
        QStringLiteral("INSERT INTO user_dept_rights (user_id, dept_id, role_id) VALUES (?, ?, ?)"),
        {*user, dept, *role});
    if (!tx.commit()) {
        *error = tx.error();
        return false;
    }
    return true;
}

namespace {

void put_config(transaction& tx, const QString& name, const QString& value) {
    tx.run(QStringLiteral("DELETE FROM config WHERE name = ?"), {name});
    tx.run(QStringLiteral("INSERT INTO config (name, value) VALUES (?, ?)"), {name, value});
}

} // namespace

bool set_config(storage& store, const QString& name, const QString& value, QString* error) {
    transaction tx(store, true);
    put_config(tx, name, value);
    if (!tx.commit()) {
        *error = tx.error();
        return false;
    }
    return true;
}

const QStringList& update_systems() {
    static const QStringList systems = {QLatin1String(protocol::update_os::windows),
                                        QLatin1String(protocol::update_os::linux_os)};
    return systems;
}

QString update_key(const QString& os, const char* field) {
    if (os.isEmpty() || os == update_systems().first())
        return QStringLiteral("update.") + QLatin1String(field);
    return QStringLiteral("update.%1.%2").arg(os, QLatin1String(field));
}

void put_update(transaction& tx, const update_offer_t& offer) {
    put_config(tx, update_key(offer.os, "version"), offer.version);
    put_config(tx, update_key(offer.os, "file_id"), QString::number(offer.file_id));
    put_config(tx, update_key(offer.os, "sha256"), offer.sha256);
    put_config(tx, update_key(offer.os, "force"),
               offer.force ? QStringLiteral("1") : QStringLiteral("0"));
    put_config(tx, update_key(offer.os, "silent"),
               offer.silent ? QStringLiteral("1") : QStringLiteral("0"));
    put_config(tx, update_key(offer.os, "notes"), offer.notes);
    put_config(tx, update_key(offer.os, "signature"), offer.signature);
}

void clear_update(transaction& tx, const QString& os) {
    put_config(tx, update_key(os, "version"), QString());
}

bool valid_update_version(const QString& version) {
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QLatin1String(protocol::update_version_pattern)));
    return pattern.match(version).hasMatch();
}

QString update_signature_text(const QByteArray& file_content) {
    const QByteArray signature = parse_update_signature(file_content);
    return signature.isEmpty() ? QString() : QString::fromLatin1(signature.toBase64());
}

bool set_update(storage& store, file_store& files, update_offer_t offer, const QString& installer,
                const QString& signature_file, QString* error) {
    if (!update_systems().contains(offer.os)) {
        *error = QStringLiteral("unknown operating system %1 (%2)")
                     .arg(offer.os, update_systems().join(QStringLiteral(", ")));
        return false;
    }
    if (!valid_update_version(offer.version)) {
        *error = QStringLiteral("version %1 is not dotted numbers (1.2.0.3)").arg(offer.version);
        return false;
    }
    if (!signature_file.isEmpty()) {
        QFile file(signature_file);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read %1").arg(signature_file);
            return false;
        }
        offer.signature = update_signature_text(file.read(4096));
        if (offer.signature.isEmpty()) {
            *error =
                QStringLiteral("%1 is not a signature made by quorvel-sign").arg(signature_file);
            return false;
        }
    }
    QFile file(installer);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(installer);
        return false;
    }
    if (file.size() == 0 || file.size() > protocol::max_installer_bytes) {
        *error = QStringLiteral("%1 is empty or larger than clients accept (%2 bytes)")
                     .arg(installer)
                     .arg(protocol::max_installer_bytes);
        return false;
    }
    auto sink = files.begin_upload();
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 20);
        if (!sink->write(chunk.constData(), static_cast<size_t>(chunk.size()))) {
            *error = QStringLiteral("cannot store the installer");
            return false;
        }
    }
    transaction tx(store, true);
    file_meta_t meta;
    meta.account = QStringLiteral("admin");
    meta.kind = file_kind::shared;
    meta.client_path = QFileInfo(installer).fileName();
    const auto id = files.commit_upload(tx, *sink, meta);
    if (!id) {
        *error = QStringLiteral("cannot store the installer");
        return false;
    }
    offer.file_id = *id;
    offer.sha256 = sink->sha256_hex();
    put_update(tx, offer);
    if (!tx.commit()) {
        *error = tx.error();
        return false;
    }
    if (offer.signature.isEmpty())
        std::fputs("quorvel-server: warning: no --signature; clients refuse an unsigned update\n",
                   stderr);
    return true;
}

namespace {

const char usage[] =
    "admin commands:\n"
    "  dept add NAME [PARENT_ID]\n"
    "  role add NAME KEY                      (a key ending in \"zz\" is a manager key)\n"
    "  user add ACCOUNT NAME PASSWORD [DEPT_ID] [--admin] [--role KEY]...\n"
    "  user passwd ACCOUNT PASSWORD           (PASSWORD \"-\" reads it from standard input)\n"
    "  user grant ACCOUNT DEPT_ID ROLE_KEY    (data rights in a department)\n"
    "  update set VERSION INSTALLER [--os windows|linux] [--force] [--silent] [--notes TEXT]\n"
    "             [--signature FILE]          (made by quorvel-sign sign; VERSION: dotted "
    "numbers)\n"
    "  update clear [--os windows|linux]\n"
    "  apps set \"NAME=ID,ID;NAME=ID\"          (the supported chat applications)\n"
    "  files copy-to-database                 (the directory store's files into the database)\n"
    "  files copy-to-directory                (the database's files into the directory store)\n";

// The value after an option, or fallback when the option is absent.
QString option_value(const QStringList& args, const char* option, const QString& fallback) {
    const int at = args.indexOf(QLatin1String(option));
    return at >= 0 ? args.value(at + 1) : fallback;
}

QString password_arg(const QString& arg) {
    if (arg != QLatin1String("-"))
        return arg;
    QTextStream in(stdin);
    return in.readLine();
}

} // namespace

int run_admin_command(storage& store, file_store& files, const QString& data_dir,
                      const QStringList& args) {
    QString error;
    bool ok = false;
    const QString what = args.value(0) + QLatin1Char(' ') + args.value(1);
    const QStringList rest = args.mid(2);
    if (what == QLatin1String("dept add") && !rest.isEmpty()) {
        const auto id =
            add_department(store, rest[0], rest.value(1, QStringLiteral("0")).toLongLong(), &error);
        if (id)
            std::printf("%lld\n", static_cast<long long>(*id));
        ok = id.has_value();
    } else if (what == QLatin1String("role add") && rest.size() >= 2) {
        const auto id = add_role(store, rest[0], rest[1], &error);
        if (id)
            std::printf("%lld\n", static_cast<long long>(*id));
        ok = id.has_value();
    } else if (what == QLatin1String("user add") && rest.size() >= 3) {
        QStringList roles;
        bool admin = false;
        qint64 dept = 0;
        for (int i = 3; i < rest.size(); ++i) {
            if (rest[i] == QLatin1String("--admin"))
                admin = true;
            else if (rest[i] == QLatin1String("--role") && i + 1 < rest.size())
                roles << rest[++i];
            else
                dept = rest[i].toLongLong();
        }
        const auto id =
            add_user(store, rest[0], rest[1], password_arg(rest[2]), dept, roles, admin, &error);
        if (id)
            std::printf("%lld\n", static_cast<long long>(*id));
        ok = id.has_value();
    } else if (what == QLatin1String("user passwd") && rest.size() == 2) {
        ok = set_password(store, rest[0], password_arg(rest[1]), &error);
    } else if (what == QLatin1String("user grant") && rest.size() == 3) {
        ok = grant_department(store, rest[0], rest[1].toLongLong(), rest[2], &error);
    } else if (what == QLatin1String("update set") && rest.size() >= 2) {
        update_offer_t offer;
        offer.os = option_value(rest, "--os", update_systems().first());
        offer.version = rest[0];
        offer.force = rest.contains(QStringLiteral("--force"));
        offer.silent = rest.contains(QStringLiteral("--silent"));
        offer.notes = option_value(rest, "--notes", QString());
        const QString signature = option_value(rest, "--signature", QString());
        if (rest.contains(QStringLiteral("--signature")) && signature.isEmpty())
            error = QStringLiteral("--signature needs a file");
        else
            ok = set_update(store, files, offer, rest[1], signature, &error);
    } else if (what == QLatin1String("update clear")) {
        const QString os = option_value(rest, "--os", update_systems().first());
        transaction tx(store, true);
        clear_update(tx, os);
        ok = update_systems().contains(os) && tx.commit();
        error = ok ? QString() : QStringLiteral("cannot clear the update for %1").arg(os);
    } else if (what == QLatin1String("apps set") && rest.size() == 1) {
        ok = set_config(store, QStringLiteral("adsorption"), rest[0], &error);
    } else if (what == QLatin1String("files copy-to-database") ||
               what == QLatin1String("files copy-to-directory")) {
        const copy_report_t report = copy_file_store(
            store, data_dir,
            args.value(1).endsWith(QLatin1String("database")) ? copy_direction::to_database
                                                              : copy_direction::to_directory);
        std::printf("copied %d, already there %d, failed %d\n", report.copied, report.skipped,
                    report.failed);
        ok = report.failed == 0;
        error = QStringLiteral("%1 files were not copied").arg(report.failed);
    } else {
        std::fputs(usage, stderr);
        return 2;
    }
    if (!ok) {
        std::fprintf(stderr, "quorvel-server: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

} // namespace quorvel::server
