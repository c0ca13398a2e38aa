#include "FlashModule.h"

#include "modules/FileCache.h"
#include "modules/ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>

#include <dlfcn.h>

namespace corvane::flashmodule {
namespace {

// The web engine's start makes an OpenGL context to try (FlashWebEngine
// does it in a step of its own), and Mesa then loads its driver, LLVM with
// it: the larger part of that step. Loaded on the module's worker, the
// driver is found loaded then. Debian's Mesa drivers are one file under
// many names, so whichever the display asks for, this is it.
void preloadGraphicsDriver()
{
    QString dir = qEnvironmentVariable("LIBGL_DRIVERS_PATH").section(QLatin1Char(':'), 0, 0);
    if (dir.isEmpty())
        dir = QStringLiteral(CORVANE_DRI_DIR);
    const QByteArray path = QFile::encodeName(dir + QStringLiteral("/swrast_dri.so"));
    if (QFileInfo::exists(QFile::decodeName(path)))
        ::dlopen(path.constData(), RTLD_NOW | RTLD_GLOBAL);  // as Mesa opens it; never closed, as by Mesa
}

// The same step loads Qt's OpenGL plug-in for the display, and the engine's
// start maps its resource packs: loaded and read here, they are then found
// in memory rather than on the disk.
void preloadEngineFiles()
{
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    const QByteArray glx = QFile::encodeName(plugins + QStringLiteral("/xcbglintegrations/libqxcb-glx-integration.so"));
    if (QGuiApplication::platformName() == QLatin1String("xcb") && QFileInfo::exists(QFile::decodeName(glx)))
        ::dlopen(glx.constData(), RTLD_NOW | RTLD_LOCAL);  // Qt's own load later finds it in; Qt never unloads it
    const QDir resources(QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources"));
    for (const QString& name : resources.entryList({QStringLiteral("qtwebengine_resources*.pak")}, QDir::Files))
        filecache::fill(resources.filePath(name));
}

void afterLoad()
{
    preloadGraphicsDriver();
    preloadEngineFiles();
}

ModuleLoader& module()
{
    // Loaded after the application started, the web engine remarks that it
    // did not share OpenGL contexts from the start. That is by design here:
    // the view then composes in software, which suits a 289 x 209 display.
    static ModuleLoader m(QStringLiteral(CORVANE_FLASH_MODULE_NAME), QStringLiteral(CORVANE_FLASH_MODULE_BUILD_PATH),
                          {QStringLiteral("initialized from a plugin")}, afterLoad);
    return m;
}

}  // namespace

CreateFlashEngine factory() { return reinterpret_cast<CreateFlashEngine>(module().resolve(CreateFlashEngineSymbol)); }

void whenLoaded(std::function<void(CreateFlashEngine)> done)
{
    module().whenSettled(QCoreApplication::instance(), [done = std::move(done)] { done(factory()); });
}

}  // namespace corvane::flashmodule
