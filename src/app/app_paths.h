#pragma once

#include <QString>

namespace quorvel {

// The per-user data root and the files and folders below it. The root ends
// in "/" and every path is the root followed by a relative text.
class app_paths {
public:
    // The process-wide object; its root is computed on first use, before the
    // application object exists, and created on disk.
    static const app_paths& instance();

    // A tree below any root, for tools and tests; creates the root.
    explicit app_paths(const QString& root);

    const QString& root() const { return root_; }

    QString cache_dir() const;     // created when missing
    QString crash_dir() const;     // created by the dump writer
    QString log_dir() const;       // created by the file logger
    QString update_dir() const;    // created when missing
    QString settings_file() const; // "config/" created when missing
    QString update_state_file() const;
    QString search_history_file() const;

    // "quorvel_<version>_installer" with the system's installer extension;
    // empty unless the version is dotted numbers and the path lies inside the
    // update folder.
    QString installer_path(const QString& version) const;
    // Where a download goes when a file of the first name exists but is not
    // the offered installer: "<version>" with the extension; empty likewise.
    QString fallback_installer_path(const QString& version) const;
    // True when the installer of that version exists and the lower-case hex
    // SHA-256 of its content equals sha256_hex exactly (case-sensitive).
    bool installer_matches(const QString& version, const QString& sha256_hex) const;

    // Leaves the root and everything below it to the owner alone: folders
    // rwx------, files rw------- (an owner's execute bit stays). Links are
    // neither followed nor changed. For trees made before new files were
    // private; false when some entry could not be changed.
    bool make_private() const;

private:
    QString ensure_dir(const QString& relative) const;
    QString update_file(const QString& name, const QString& version) const;

    QString root_;
};

// The lower-case hex SHA-256 of a file's content, empty when unreadable.
QString file_sha256(const QString& path);

// The data root of this platform: the user's application-data folder + "/quorvel/".
QString default_data_root();

} // namespace quorvel
