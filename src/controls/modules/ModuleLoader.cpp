#include "ModuleLoader.h"

#include "FileCache.h"

#include <cstdio>
#include <mutex>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <vector>

namespace corvane {

struct ModuleLoaderState {
    std::once_flag once;
    QLibrary library;
    mutable std::mutex mutex;
    bool started = false;
    bool settled = false;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> waiting;
};

namespace {

// Messages dropped while a module loads; the handler is process-wide, so
// only one load at a time installs it.
std::mutex quietMutex;
QStringList quietList;
QtMessageHandler previousHandler = nullptr;

void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    for (const QString& q : std::as_const(quietList))
        if (message.contains(q))
            return;
    if (previousHandler)
        previousHandler(type, context, message);
}

bool loadQuietly(QLibrary& library, const QStringList& quiet)
{
    if (quiet.isEmpty())
        return library.load();
    const std::lock_guard lock(quietMutex);
    quietList = quiet;
    previousHandler = qInstallMessageHandler(quietHandler);
    const bool ok = library.load();
    qInstallMessageHandler(previousHandler);
    return ok;
}

}  // namespace

ModuleLoader::ModuleLoader(QString fileName, QString buildPath, QStringList quietMessages,
                           std::function<void()> afterLoad)
    : fileName_(std::move(fileName)), buildPath_(std::move(buildPath)), quietMessages_(std::move(quietMessages)),
      afterLoad_(std::move(afterLoad)), state_(std::make_unique<ModuleLoaderState>())
{}

ModuleLoader::~ModuleLoader() = default;

QStringList ModuleLoader::candidates() const
{
    const QString appDir = QDir::cleanPath(QCoreApplication::applicationDirPath());
    QStringList paths;
    // Installed: <prefix>/bin/corvane and <prefix>/<libdir>/corvane/<module>.
    paths << QDir(appDir).filePath(QStringLiteral("../" CORVANE_MODULE_LIBDIR "/corvane/") + fileName_);
    // In the build tree, for the program, the tests and the benchmarks.
    const QString build = QDir::cleanPath(QStringLiteral(CORVANE_MODULE_BUILD_DIR));
    if (appDir == build || appDir.startsWith(build + QLatin1Char('/')))
        paths << buildPath_;
    return paths;
}

void ModuleLoader::load()
{
    QString why = QStringLiteral("not found");
    for (const QString& path : candidates()) {
        if (!QFileInfo::exists(path))
            continue;
        state_->library.setFileName(path);
        if (loadQuietly(state_->library, quietMessages_)) {
            if (afterLoad_)
                afterLoad_();
            // What was mapped is read in now, here, rather than a page at a
            // time when the GUI thread first runs it.
            filecache::fillMapped();
            return;
        }
        why = state_->library.errorString();
    }
    std::fprintf(stderr, "corvane: cannot load %s: %s\n", qPrintable(fileName_), qPrintable(why));
}

void ModuleLoader::settle()
{
    std::call_once(state_->once, [this] { load(); });
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> waiting;
    {
        const std::lock_guard lock(state_->mutex);
        state_->settled = true;
        waiting.swap(state_->waiting);
    }
    // The contexts live on the GUI thread: they are looked at there.
    for (auto& entry : waiting)
        QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [entry = std::move(entry)] {
                    if (entry.first)
                        entry.second();
                },
                Qt::QueuedConnection);
}

QFunctionPointer ModuleLoader::resolve(const char* symbol)
{
    settle();
    return state_->library.isLoaded() ? state_->library.resolve(symbol) : nullptr;
}

void ModuleLoader::preload()
{
    {
        const std::lock_guard lock(state_->mutex);
        if (state_->started)
            return;
        state_->started = true;
    }
    QThreadPool::globalInstance()->start([this] { settle(); });
}

void ModuleLoader::whenSettled(QObject* context, std::function<void()> ready, int delayMs)
{
    {
        const std::lock_guard lock(state_->mutex);
        if (!state_->settled) {
            state_->waiting.emplace_back(context, std::move(ready));
            ready = nullptr;
        }
    }
    if (ready)
        ready();
    else if (delayMs > 0)
        QTimer::singleShot(delayMs, QCoreApplication::instance(), [this] { preload(); });
    else
        preload();
}

}  // namespace corvane
