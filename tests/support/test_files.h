#pragma once

#include <QByteArray>
#include <QString>

namespace quorvel::test_support {

// Whole-file writes and reads for fixtures; false / empty on any failure.
bool write_file(const QString& path, const QByteArray& bytes);
QByteArray read_file(const QString& path);

} // namespace quorvel::test_support
