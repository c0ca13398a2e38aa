// The web module's entry point, found by name when the first movie is set.
#include "FlashProfile.h"
#include "FlashWebEngine.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QOpenGLContext>

// Exported by QtGui: the context every later OpenGL context shares with.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

static void initFlashResources() { Q_INIT_RESOURCE(flashweb); }

namespace {

QOpenGLContext* shareContext = nullptr;

void dropShareContext()
{
    qt_gl_set_global_share_context(nullptr);
    delete shareContext;
    shareContext = nullptr;
}

// The web engine composes its frames through a context shared with Qt's.
// Programs that link it get one at start-up, at the price of loading the
// OpenGL driver before the first window; this one makes it here, when the
// first movie needs it.
void shareOpenGLContexts()
{
    if (QOpenGLContext::globalShareContext())
        return;
    shareContext = new QOpenGLContext;
    shareContext->create();
    qt_gl_set_global_share_context(shareContext);
    qAddPostRoutine(dropShareContext);  // runs after the web engine's own
}

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
    shareOpenGLContexts();
    corvane::flashweb::registerScheme();  // before the first profile
    return new corvane::FlashWebEngine(area);
}
