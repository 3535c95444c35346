#pragma once

#include <QString>
#include <memory>

class QSaveFile;
class QTemporaryFile;
class QByteArray;

namespace quorvel {

// Where a download goes until it is complete: a file beside its target,
// which then replaces the target in one step, or is dropped and leaves the
// target as it was. Synced, the file is flushed to disk before it replaces
// the target; unsynced, it is not, which is for files that are checked
// against the server again before they are used after a restart.
class download_file {
public:
    download_file(const QString& target, bool synced);
    ~download_file();

    bool open();
    void write(const QByteArray& data);
    // Replaces the target; false (with error_string) when that failed.
    bool commit();
    void discard();
    QString error_string() const;

private:
    QString target_;
    std::unique_ptr<QSaveFile> saved_;
    std::unique_ptr<QTemporaryFile> temp_;
    QString error_;
};

} // namespace quorvel
