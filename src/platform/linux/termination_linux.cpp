#include "platform/termination.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quorvel::platform {

namespace {

// The handler only writes to a pipe; the event loop reads it.
int wake_pipe[2] = {-1, -1};

void on_signal(int sig) {
    const int saved_errno = errno;
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(wake_pipe[1], &byte, 1);
    errno = saved_errno;
}

} // namespace

void install_termination_handler(std::function<void()> on_request) {
    if (wake_pipe[0] >= 0 || ::pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(wake_pipe[0], QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [on_request = std::move(on_request)] {
                         char bytes[16];
                         while (::read(wake_pipe[0], bytes, sizeof bytes) > 0) {
                         }
                         on_request();
                     });
    struct sigaction action {};
    action.sa_handler = on_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

} // namespace quorvel::platform
