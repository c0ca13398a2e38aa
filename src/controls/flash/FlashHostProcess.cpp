#include "FlashHostProcess.h"

#include "wire/FlashFrames.h"
#include "wire/FlashProtocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace corvane {
namespace {

using flashwire::FramesFd;
using flashwire::SocketFd;
using flashwire::SpillFd;

QString& standIn()
{
    static QString path;
    return path;
}

// Asks for Ruffle's canvas renderer even where OpenGL is there ("canvas"),
// to compare the two; anything else leaves the choice to the host.
constexpr char RendererVariable[] = "CORVANE_FLASH_RENDERER";

// The host's windowing system. With an X display it is X, through which it
// gets OpenGL (a GPU's, or Mesa's software one) and the page WebGL; its
// window is never shown. Without one (Wayland alone), or when X cannot be
// reached, it draws off screen with no OpenGL, and the page on a canvas.
QByteArray hostPlatform()
{
    const bool canvas = qgetenv(RendererVariable) == "canvas";
    return !canvas && !qgetenv("DISPLAY").isEmpty() ? "xcb;offscreen" : "offscreen";
}

// The program's environment with what the host needs on top: its windowing
// system, no OpenGL when off screen, and the area's scale.
std::vector<QByteArray> hostEnvironment(qreal devicePixelRatio)
{
    const QList<QByteArray> own = {"QT_QPA_PLATFORM=", "QT_QPA_OFFSCREEN_NO_GLX=", "QT_SCALE_FACTOR="};
    std::vector<QByteArray> env;
    for (char** e = environ; *e; ++e) {
        const QByteArray entry(*e);
        if (std::none_of(own.begin(), own.end(), [&](const QByteArray& o) { return entry.startsWith(o); }))
            env.push_back(entry);
    }
    env.push_back("QT_QPA_PLATFORM=" + hostPlatform());
    env.push_back("QT_QPA_OFFSCREEN_NO_GLX=1");
    if (devicePixelRatio > 0 && !qFuzzyCompare(devicePixelRatio, 1.0))
        env.push_back("QT_SCALE_FACTOR=" + QByteArray::number(devicePixelRatio));
    return env;
}

// Out of the way of the host's own descriptors, so that the spawn's moves
// overwrite none of them.
int above(int fd)
{
    constexpr int Lowest = 10;
    if (fd < 0 || fd >= Lowest)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, Lowest);
    ::close(fd);
    return moved;
}

void closeAll(std::initializer_list<int> fds)
{
    for (int fd : fds)
        if (fd >= 0)
            ::close(fd);
}

}  // namespace

void FlashHostProcess::useProgram(const QString& path) { standIn() = path; }

QString FlashHostProcess::program()
{
    if (!standIn().isEmpty())
        return standIn();
    const QString appDir = QDir::cleanPath(QCoreApplication::applicationDirPath());
    // Installed: <prefix>/bin/corvane and <prefix>/<libdir>/corvane/<host>.
    const QString installed =
            QDir(appDir).filePath(QStringLiteral("../" CORVANE_FLASH_HOST_LIBDIR "/corvane/" CORVANE_FLASH_HOST_NAME));
    if (QFileInfo(installed).isExecutable())
        return QDir::cleanPath(installed);
    // In the build tree, for the program, the tests and the benchmarks.
    const QString build = QDir::cleanPath(QStringLiteral(CORVANE_FLASH_HOST_BUILD_DIR));
    if ((appDir == build || appDir.startsWith(build + QLatin1Char('/')))
        && QFileInfo(QStringLiteral(CORVANE_FLASH_HOST_BUILD_PATH)).isExecutable())
        return QStringLiteral(CORVANE_FLASH_HOST_BUILD_PATH);
    return {};
}

bool FlashHostProcess::start(qreal devicePixelRatio)
{
    const QByteArray path = QFile::encodeName(program());
    if (path.isEmpty())
        return false;
    int pair[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    pair[1] = above(pair[1]);
    const int frames = above(FlashFrames::create());
    const int spill = above(::memfd_create("corvane-flash-spill", MFD_CLOEXEC));
    if (pair[1] < 0 || frames < 0 || spill < 0) {
        closeAll({pair[0], pair[1], frames, spill});
        return false;
    }
    const std::vector<QByteArray> env = hostEnvironment(devicePixelRatio);
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (const QByteArray& e : env)
        envp.push_back(const_cast<char*>(e.constData()));
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(path.constData()), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], SocketFd);
    posix_spawn_file_actions_adddup2(&actions, frames, FramesFd);
    posix_spawn_file_actions_adddup2(&actions, spill, SpillFd);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, path.constData(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (failed != 0) {
        closeAll({pair[0], frames, spill});
        return false;
    }
    socket_ = pair[0], frames_ = frames, spill_ = spill, pid_ = pid;
    return true;
}

void FlashHostProcess::reapWhenEnded(qint64 pid)
{
    if (pid <= 0)
        return;
    const int pidfd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (pidfd < 0) {
        ::waitpid(pid_t(pid), nullptr, WNOHANG);
        return;
    }
    // Readable once the process has ended; the application outlives it.
    auto* notifier = new QSocketNotifier(pidfd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, pidfd, pid] {
        ::waitpid(pid_t(pid), nullptr, WNOHANG);
        notifier->setEnabled(false);
        notifier->deleteLater();
        ::close(pidfd);
    });
}

}  // namespace corvane
