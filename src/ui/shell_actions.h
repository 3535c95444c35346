#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace quorvel {

// What the update does outside this process: read the clock of the
// reminders, start the installer and end the application. Process-wide, so
// tests can put recorders in their place.
struct shell_actions_t {
    std::function<qint64()> now_seconds; // since 1970-01-01 UTC
    std::function<bool(const QString& program, const QStringList& args)> start_detached;
    std::function<void()> quit_application;
};

shell_actions_t& shell_actions();
// Puts the real actions back.
void reset_shell_actions();

} // namespace quorvel
