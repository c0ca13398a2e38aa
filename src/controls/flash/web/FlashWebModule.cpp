// The web module's entry point, found by name when the first movie is set.
#include "FlashProfile.h"
#include "FlashWebEngine.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QQuickWindow>

static void initFlashResources() { Q_INIT_RESOURCE(flashweb); }

namespace {

QLoggingCategory::CategoryFilter previousFilter = nullptr;

// The web engine describes its OpenGL set-up at start; the program keeps
// quiet about it.
void quietCategories(QLoggingCategory* category)
{
    if (previousFilter)
        previousFilter(category);
    if (qstrcmp(category->categoryName(), "qt.webenginecontext") == 0)
        category->setEnabled(QtInfoMsg, false);
}

// Chromium logs to the standard error; only its fatal errors may show there.
void quietChromium()
{
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--log-level"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --log-level=3").trimmed());
}

}  // namespace

extern "C" Q_DECL_EXPORT corvane::FlashEngine* corvane_create_flash_engine(QWidget* area)
{
    initFlashResources();
    if (!previousFilter)
        previousFilter = QLoggingCategory::installFilter(quietCategories);
    quietChromium();
    // The view draws through Qt Quick, which would keep compiled shaders in
    // the person's cache folder; the program writes nothing.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    // Qt Quick draws the view in software, like any other widget: with
    // OpenGL, the main window would have to compose through it, and Qt
    // would replace the window's native window by a new one to get there,
    // under the person's eyes. Software also spares loading the OpenGL
    // driver for a 289 x 209 area.
    static const bool software = [] {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return true;
    }();
    Q_UNUSED(software);
    corvane::flashweb::registerScheme();  // before the first profile
    return new corvane::FlashWebEngine(area);
}
