#include "app/logger.h"

#include "app/app_paths.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <spdlog/details/os.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>

namespace quorvel {

QString init_logger() {
    return init_logger(app_paths::instance().log_dir());
}

QString init_logger(const QString& log_dir) {
    const QString path =
        log_dir + QStringLiteral("%1_%2.log")
                      .arg(QCoreApplication::applicationPid())
                      .arg(static_cast<qulonglong>(spdlog::details::os::thread_id()));
    try {
        auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(
            QFile::encodeName(path).toStdString(), false);
        auto logger = std::make_shared<spdlog::logger>("file_logger", std::move(sink));
        spdlog::register_logger(logger);
        logger->set_level(spdlog::level::debug);
        logger->flush_on(spdlog::level::warn);
        logger->set_formatter(std::make_unique<spdlog::pattern_formatter>(
            "[%Y-%m-%d %H:%M:%S] [%l] %v", spdlog::pattern_time_type::local, "\r\n"));
        spdlog::set_default_logger(std::move(logger));
    } catch (const spdlog::spdlog_ex&) {
        return {};
    }
    return path;
}

namespace {

spdlog::level::level_enum level_of(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return spdlog::level::debug;
    case QtInfoMsg:
        return spdlog::level::info;
    case QtWarningMsg:
        return spdlog::level::warn;
    case QtCriticalMsg:
        return spdlog::level::err;
    case QtFatalMsg:
        return spdlog::level::critical;
    }
    return spdlog::level::info;
}

void log_qt_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const bool named = context.category && std::strcmp(context.category, "default") != 0;
    auto logger = spdlog::default_logger();
    if (named)
        logger->log(level_of(type), "{}: {}", context.category, utf8.constData());
    else
        logger->log(level_of(type), "{}", utf8.constData());
    if (type == QtFatalMsg) {
        // Qt aborts right after this: keep the reason on disk and on screen.
        logger->flush();
        std::fprintf(stderr, "%s\n", utf8.constData());
    }
}

} // namespace

void route_qt_messages() {
    qInstallMessageHandler(log_qt_message);
}

void shutdown_logging() {
    spdlog::drop_all();
    // Objects destroyed after this point may still log; give them a logger
    // that discards instead of a null default logger.
    spdlog::set_default_logger(std::make_shared<spdlog::logger>(
        "discard", std::make_shared<spdlog::sinks::null_sink_mt>()));
}

} // namespace quorvel
