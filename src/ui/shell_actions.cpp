#include "ui/shell_actions.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>

namespace quorvel {

namespace {

shell_actions_t real_actions() {
    return {[] { return QDateTime::currentSecsSinceEpoch(); },
            [](const QString& program, const QStringList& args) {
                return QProcess::startDetached(program, args);
            },
            [] { QCoreApplication::quit(); }};
}

} // namespace

shell_actions_t& shell_actions() {
    static shell_actions_t actions = real_actions();
    return actions;
}

void reset_shell_actions() {
    shell_actions() = real_actions();
}

} // namespace quorvel
