#include "FlashModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QThreadPool>
#include <utility>
#include <vector>

#include <dlfcn.h>

namespace corvane::flashmodule {
namespace {

QtMessageHandler previousHandler = nullptr;

// What the GUI thread knows of the load; touched on that thread only.
struct Waiting {
    bool loaded = false;
    CreateFlashEngine factory = nullptr;
    std::vector<std::function<void(CreateFlashEngine)>> callers;
};
Waiting& waiting()
{
    static Waiting w;
    return w;
}

// Loaded after the application started, the web engine remarks that it did
// not share OpenGL contexts from the start. That is by design here: the
// view then composes in software, which suits a 289 x 209 display well.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("initialized from a plugin")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

QStringList candidates()
{
    const QString name = QStringLiteral(CORVANE_FLASH_MODULE_NAME);
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList paths;
    // Installed: <prefix>/bin/corvane and <prefix>/<libdir>/corvane/<module>.
    paths << QDir(appDir).filePath(QStringLiteral("../" CORVANE_FLASH_MODULE_LIBDIR "/corvane/") + name);
    // In the build tree, for the program, the tests and the benchmarks.
    const QString buildDir = QStringLiteral(CORVANE_FLASH_BUILD_DIR);
    const QString buildModule = QStringLiteral(CORVANE_FLASH_MODULE_BUILD_PATH);
    const QString app = QDir::cleanPath(appDir);
    const QString build = QDir::cleanPath(buildDir);
    if (app == build || app.startsWith(build + QLatin1Char('/')))
        paths << buildModule;
    return paths;
}

CreateFlashEngine load()
{
    for (const QString& path : candidates()) {
        if (!QFileInfo::exists(path))
            continue;
        static QLibrary library;  // never unloaded: the web engine cannot be
        library.setFileName(path);
        previousHandler = qInstallMessageHandler(quietHandler);
        const bool ok = library.load();
        qInstallMessageHandler(previousHandler);
        if (!ok)
            continue;
        if (auto f = reinterpret_cast<CreateFlashEngine>(library.resolve(CreateFlashEngineSymbol)))
            return f;
    }
    return nullptr;
}

// The web engine's start makes an OpenGL context to try (FlashWebEngine
// does it in a step of its own), and Mesa then loads its driver, LLVM with
// it: the larger part of that step. Loaded here on the worker, the driver is
// found loaded then. Debian's Mesa drivers are one file under many names,
// so whichever the display asks for, this is it.
void preloadGraphicsDriver()
{
    QString dir = qEnvironmentVariable("LIBGL_DRIVERS_PATH").section(QLatin1Char(':'), 0, 0);
    if (dir.isEmpty())
        dir = QStringLiteral(CORVANE_DRI_DIR);
    const QByteArray path = QFile::encodeName(dir + QStringLiteral("/swrast_dri.so"));
    if (QFileInfo::exists(QFile::decodeName(path)))
        ::dlopen(path.constData(), RTLD_NOW | RTLD_GLOBAL);  // as Mesa opens it; never closed, as by Mesa
}

}  // namespace

CreateFlashEngine factory()
{
    static const CreateFlashEngine f = load();  // one load, whichever thread comes first
    return f;
}

void preload()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    QThreadPool::globalInstance()->start([] {
        const CreateFlashEngine f = factory();
        if (f)
            preloadGraphicsDriver();
        // The application outlives every worker of the global pool.
        QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [f] {
                    Waiting& w = waiting();
                    w.loaded = true;
                    w.factory = f;
                    for (const auto& done : std::exchange(w.callers, {}))
                        done(f);
                },
                Qt::QueuedConnection);
    });
}

void whenLoaded(std::function<void(CreateFlashEngine)> done)
{
    Waiting& w = waiting();
    if (w.loaded) {
        done(w.factory);
        return;
    }
    w.callers.push_back(std::move(done));
    preload();
}

}  // namespace corvane::flashmodule
