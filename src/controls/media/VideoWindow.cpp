#include "VideoWindow.h"

#include <cstdio>
#include <mpv/render_gl.h>
#include <QApplication>
#include <QCloseEvent>
#include <QOpenGLContext>
#include <QScreen>

namespace corvane {

namespace {

void* glProcAddress(void*, const char* name)
{
    QOpenGLContext* ctx = QOpenGLContext::currentContext();
    return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}

}  // namespace

bool VideoWindow::displayHasOpenGL()
{
    static const bool available = [] {
        // Platforms that only paint widgets into memory cannot compose a GL
        // widget, whatever OpenGL the machine has.
        static const char* const memoryOnly[] = {"offscreen", "minimal", "minimalegl", "vnc", "linuxfb"};
        for (const char* name : memoryOnly)
            if (QGuiApplication::platformName() == QLatin1String(name))
                return false;
        QOpenGLContext probe;
        return probe.create();
    }();
    return available;
}

VideoWindow::VideoWindow(mpv_handle* mpv) : QOpenGLWidget(nullptr), mpv_(mpv)
{
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(QApplication::windowIcon());
    resize(320, 240);
}

VideoWindow::~VideoWindow() { freeRenderContext(); }

void VideoWindow::freeRenderContext()
{
    if (!render_)
        return;
    makeCurrent();
    mpv_render_context_set_update_callback(render_, nullptr, nullptr);
    mpv_render_context_free(render_);
    render_ = nullptr;
    doneCurrent();
}

void VideoWindow::showFor(const QString& fileName, QSize videoSize)
{
    setWindowTitle(fileName);
    setWindowIcon(QApplication::windowIcon());
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const qreal dpr = screen ? screen->devicePixelRatio() : 1.0;
    QSize size = videoSize.isValid() && !videoSize.isEmpty() ? videoSize : QSize(320, 240);
    size = QSize(qMax(1, qRound(size.width() / dpr)), qMax(1, qRound(size.height() / dpr)));
    if (screen) {
        const QSize room = screen->availableGeometry().size() * 9 / 10;
        if (size.width() > room.width() || size.height() > room.height())
            size = size.scaled(room, Qt::KeepAspectRatio);
    }
    resize(size.expandedTo(QSize(16, 16)));
    if (!isVisible())
        show();
    raise();
}

void VideoWindow::prepare()
{
    if (render_ || isVisible())
        return;
    // Shown off the screen, the widget gets its GL context (and with it the
    // render context) at once; nothing appears.
    setAttribute(Qt::WA_DontShowOnScreen, true);
    show();
    hide();
    setAttribute(Qt::WA_DontShowOnScreen, false);
}

void VideoWindow::initializeGL()
{
    if (render_)
        return;
    mpv_opengl_init_params gl{&glProcAddress, nullptr};
    const char* apiType = MPV_RENDER_API_TYPE_OPENGL;
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(apiType)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
            {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, mpv_, params) < 0) {
        render_ = nullptr;
        std::fprintf(stderr, "corvane: media device: no video rendering on this display\n");
        return;
    }
    mpv_render_context_set_update_callback(render_, &VideoWindow::onUpdateCallback, this);
}

void VideoWindow::onUpdateCallback(void* self)
{
    // Engine thread: only post to the GUI thread.
    auto* w = static_cast<VideoWindow*>(self);
    if (!w->updatePosted_.exchange(true))
        QMetaObject::invokeMethod(
                w, [w] { w->onEngineUpdate(); }, Qt::QueuedConnection);
}

void VideoWindow::onEngineUpdate()
{
    updatePosted_ = false;
    if (!render_)
        return;
    if (!(mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME))
        return;
    if (isVisible()) {
        update();
        return;
    }
    // Hidden: take the frame without drawing it, so the engine is not held up.
    makeCurrent();
    int skip = 1;
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
            {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
    ++framesTaken_;
    doneCurrent();
}

void VideoWindow::paintGL()
{
    if (!render_)
        return;
    const qreal dpr = devicePixelRatioF();
    mpv_opengl_fbo fbo{int(defaultFramebufferObject()), qRound(width() * dpr), qRound(height() * dpr), 0};
    int flipY = 1;
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
            {MPV_RENDER_PARAM_FLIP_Y, &flipY},
            {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
    ++framesTaken_;
}

void VideoWindow::closeEvent(QCloseEvent* event)
{
    // The close box hides the window; playing goes on.
    event->ignore();
    hide();
}

}  // namespace corvane
