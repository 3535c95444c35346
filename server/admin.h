#pragma once

#include "file_store.h"
#include "storage.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvel::server {

// Organisation set-up without SQL. Each returns the new row's id, or nullopt
// with the reason in *error.
std::optional<qint64> add_department(storage& store, const QString& name, qint64 parent,
                                     QString* error);
std::optional<qint64> add_role(storage& store, const QString& name, const QString& key,
                               QString* error);
std::optional<qint64> add_user(storage& store, const QString& account, const QString& name,
                               const QString& password, qint64 dept, const QStringList& role_keys,
                               bool admin, QString* error);
bool set_password(storage& store, const QString& account, const QString& password, QString* error);
// Data rights in a department, through a role held there.
bool grant_department(storage& store, const QString& account, qint64 dept, const QString& role_key,
                      QString* error);
bool set_config(storage& store, const QString& name, const QString& value, QString* error);

// The update offered to the clients of one operating system ("windows", the
// default, or "linux").
struct update_offer_t {
    QString os;
    QString version;
    qint64 file_id = 0;
    QString sha256;
    bool force = false;
    bool silent = false;
    QString notes;
    QString signature; // base64 of the publisher's signature; empty: unsigned
};
const QStringList& update_systems();
// The config name of an offer's field; Windows keeps the names it always had.
QString update_key(const QString& os, const char* field);
void put_update(transaction& tx, const update_offer_t& offer);
void clear_update(transaction& tx, const QString& os);

// Whether a version may be offered: dotted numbers, as clients require.
bool valid_update_version(const QString& version);
// A signature file's content (base64 of the 64 signature bytes, or the bytes
// themselves) as the offer carries it, base64; empty when it is neither.
QString update_signature_text(const QByteArray& file_content);

// The update offered to clients: the installer goes into the file store,
// with the signature made by quorvel-sign (signature_file empty: unsigned,
// which clients refuse).
bool set_update(storage& store, file_store& files, update_offer_t offer, const QString& installer,
                const QString& signature_file, QString* error);

// Runs an admin subcommand (args after the global options); returns the exit code.
int run_admin_command(storage& store, file_store& files, const QString& data_dir,
                      const QStringList& args);

} // namespace quorvel::server
