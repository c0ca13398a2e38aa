// The web module's entry point, found by name when the first movie is set.
#include "FlashProfile.h"
#include "FlashWebEngine.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QOpenGLContext>
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

// Qt Quick draws the view with OpenGL where the host has it (on X, see
// FlashHostProcess), and the page gets WebGL through it: Ruffle's WebGL
// renderer draws what its canvas one cannot (filters, blend modes, focal
// gradients). On a software rasteriser too, which the engine would refuse
// by its list of drivers. Without OpenGL the view draws in software, and
// Ruffle on a canvas.
corvane::FlashRenderer chooseGraphics()
{
    const QOpenGLContext* shared = QOpenGLContext::globalShareContext();
    const bool gl = QGuiApplication::platformName() == QLatin1String("xcb") && shared && shared->isValid();
    QQuickWindow::setGraphicsApi(gl ? QSGRendererInterface::OpenGL : QSGRendererInterface::Software);
    if (gl) {
        const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--ignore-gpu-blocklist"))
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --ignore-gpu-blocklist").trimmed());
    }
    return gl ? corvane::FlashRenderer::WebGl : corvane::FlashRenderer::Canvas;
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
    static const corvane::FlashRenderer renderer = chooseGraphics();
    corvane::flashweb::registerScheme();  // before the first profile
    return new corvane::FlashWebEngine(area, renderer);
}
