// corvane-flash-host: the Flash display's web engine in a process of its
// own, started by the display area (FlashHostProcess), which hands it its
// descriptors. It draws off screen and ends when the area lets it go.
#include "EnginePriority.h"
#include "FlashHost.h"
#include "wire/FlashProtocol.h"

#include <cstdio>
#include <QApplication>

#include <fcntl.h>
#include <unistd.h>

namespace {
using corvane::flashwire::FramesFd;
using corvane::flashwire::SocketFd;
using corvane::flashwire::SpillFd;
// Once the area is gone, the engine has this long to close down.
constexpr unsigned ClosingSeconds = 5;
}  // namespace

int main(int argc, char** argv)
{
    for (const int fd : {SocketFd, FramesFd, SpillFd}) {
        if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
            std::fprintf(stderr, "corvane-flash-host: started by the player only\n");
            return 2;
        }
    }
    // The movie's engine, its processes and threads yield to the player's
    // window, as the other engines do.
    corvane::EnginePriority::lowerThisThread();
    // Set before the application, as the web engine asks; how Qt Quick
    // draws is chosen with the engine (FlashWebModule).
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvane"));
    QApplication::setQuitOnLastWindowClosed(false);
    corvane::FlashHost host(SocketFd, FramesFd, SpillFd);
    QObject::connect(&host, &corvane::FlashHost::ended, &app, [] {
        ::alarm(ClosingSeconds);
        QCoreApplication::quit();
    });
    return QApplication::exec();
}
