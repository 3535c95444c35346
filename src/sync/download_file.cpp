#include "sync/download_file.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>

namespace quorvel {

download_file::download_file(const QString& target, bool synced) : target_(target) {
    if (synced)
        saved_ = std::make_unique<QSaveFile>(target);
    else
        temp_ = std::make_unique<QTemporaryFile>(target + QStringLiteral(".XXXXXX"));
}

download_file::~download_file() = default;

bool download_file::open() {
    if (saved_)
        return saved_->open(QIODevice::WriteOnly);
    return temp_->open();
}

void download_file::write(const QByteArray& data) {
    if (saved_) {
        saved_->write(data);
        return;
    }
    if (error_.isEmpty() && temp_->write(data) != data.size())
        error_ = temp_->errorString();
}

bool download_file::commit() {
    if (saved_) {
        if (saved_->commit())
            return true;
        error_ = saved_->errorString();
        return false;
    }
    temp_->close();
    if (error_.isEmpty() && temp_->error() != QFileDevice::NoError)
        error_ = temp_->errorString();
    if (!error_.isEmpty())
        return false;
    // Renaming never overwrites here; the target, if any, is the stale copy.
    if (QFile::exists(target_) && !QFile::remove(target_)) {
        error_ = QStringLiteral("无法替换文件 ") + target_;
        return false;
    }
    if (!temp_->rename(target_)) {
        error_ = temp_->errorString();
        return false;
    }
    temp_->setAutoRemove(false); // it is the target now
    return true;
}

void download_file::discard() {
    if (saved_)
        saved_->cancelWriting();
    else
        temp_->remove();
}

QString download_file::error_string() const {
    return error_;
}

} // namespace quorvel
