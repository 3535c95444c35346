#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace quorvel {

class data_center;

// What a save writes, taken from the store on the store's thread. Records
// are copied by value (their strings stay shared), which is cheap; the
// snapshot can then be written from any thread while the store changes on.
class library_snapshot {
public:
    static library_snapshot of(const data_center& store);

private:
    friend class library_file;
    struct data_t;
    std::shared_ptr<const data_t> data_;
};

// The account's library kept on disk between runs, so that the client can
// start from it when the server cannot be reached: one SQLite file per
// account under the data root with every record kind, the category trees,
// the profile with its rights and departments, the adsorption list and the
// password hash of the last online login. A save replaces the whole library
// in one transaction, so a crash in the middle leaves the previous one.
class library_file {
public:
    explicit library_file(QString path);

    // The file of an account below a data root (the process-wide one when
    // empty). The name is a hash of the account: accounts may hold any text.
    static QString path_for(const QString& account, const QString& root = QString());

    const QString& path() const { return path_; }
    bool exists() const;

    // Called with a growing step number while a save writes; tests stop the
    // writer there. Step 0 follows BEGIN, step last_step precedes COMMIT.
    using step_hook_t = std::function<void(int step, int last_step)>;
    bool save(const data_center& store, const step_hook_t& hook = {});
    bool save(const library_snapshot& snapshot, const step_hook_t& hook = {});
    // Fills an empty store; false (store untouched) when the file holds no
    // complete library.
    bool load_into(data_center& store) const;
    bool has_library() const;
    // When the library was last saved, local ISO text; empty when never.
    QString saved_at() const;

    // The account whose library the file holds; empty when never saved.
    QString account() const;
    QString password_hash() const;
    bool set_password_hash(const QString& hash);

    const QString& last_error() const { return error_; }

private:
    QString meta(const QString& key) const;

    QString path_;
    mutable QString error_;
};

} // namespace quorvel
