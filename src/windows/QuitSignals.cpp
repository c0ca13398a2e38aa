#include "QuitSignals.h"

#include <cerrno>
#include <csignal>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

namespace corvane {
namespace {

// The write end, for the handler; the read end is watched by the event loop.
int wakeFd = -1;

void onSignal(int)
{
    const char byte = 1;
    const int saved = errno;
    (void)!::write(wakeFd, &byte, 1);
    errno = saved;
}

}  // namespace

void quitOnSignals()
{
    int pair[2];
    if (wakeFd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0)
        return;
    wakeFd = pair[1];
    auto* notifier = new QSocketNotifier(pair[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd = pair[0]] {
        char bytes[16];
        while (::read(fd, bytes, sizeof bytes) > 0) {}
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

}  // namespace corvane
