#pragma once

#include <QString>
#include <string>

namespace quorvel {

// Sets up the process-wide file logger "file_logger" in the log folder, file
// "<pid>_<tid>.log", and makes it spdlog's default logger. Returns the file
// path, or an empty string when the logger could not be created (logging then
// stays with spdlog's own default).
QString init_logger();
QString init_logger(const QString& log_dir);

// Sends Qt's own messages (qDebug, qInfo, qWarning, qCritical, qFatal) to
// the default logger at the matching level instead of the terminal. Messages
// of a named category carry its name ("qt.qpa.xcb: ..."). Install once, after
// init_logger.
void route_qt_messages();

// A text as a log argument: the loggers write UTF-8.
inline std::string utf8(const QString& text) {
    return text.toStdString();
}

// Drops every registered logger, which flushes and closes the file.
void shutdown_logging();

} // namespace quorvel
