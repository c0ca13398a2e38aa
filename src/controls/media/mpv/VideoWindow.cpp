#include "VideoWindow.h"

#include <atomic>
#include <cstdio>
#include <future>
#include <mpv/render_gl.h>
#include <QApplication>
#include <QCloseEvent>
#include <QExposeEvent>
#include <QKeyEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace corvane {

namespace {

void* glProcAddress(void*, const char* name)
{
    QOpenGLContext* ctx = QOpenGLContext::currentContext();
    return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}

}  // namespace

// The native OpenGL window mpv draws into, and the GL and render contexts.
// While the window is not exposed (hidden, not yet shown, minimised) the
// context is made current on an offscreen surface instead, to take frames
// without drawing them.
class VideoSurface : public QWindow {
public:
    explicit VideoSurface(mpv_handle* mpv) : mpv_(mpv)
    {
        setSurfaceType(QSurface::OpenGLSurface);
        QSurfaceFormat f = QSurfaceFormat::defaultFormat();
        f.setDepthBufferSize(0);
        f.setStencilBufferSize(0);
        f.setAlphaBufferSize(0);
        setFormat(f);
    }
    ~VideoSurface() override { release(); }

    bool ensureRenderContext();
    void release();
    bool hasRenderContext() const { return render_ != nullptr; }
    quint64 taken() const { return taken_; }
    quint64 drawn() const { return drawn_; }

protected:
    void exposeEvent(QExposeEvent*) override
    {
        // The window system wants the picture again: redraw the frame shown.
        if (render_ && onScreen())
            draw();
    }

private:
    // Hiding is known at once; the end of exposure comes later from the
    // window system.
    bool onScreen() const { return isVisible() && isExposed(); }
    static void onUpdateCallback(void* self);
    void onEngineUpdate();
    void draw();
    void skip();

    mpv_handle* mpv_;
    QOpenGLContext* gl_ = nullptr;
    QOffscreenSurface* offscreen_ = nullptr;
    mpv_render_context* render_ = nullptr;
    bool failed_ = false;
    std::atomic_bool updatePosted_{false};
    quint64 taken_ = 0;
    quint64 drawn_ = 0;
};

bool VideoSurface::ensureRenderContext()
{
    if (render_ || failed_)
        return render_ != nullptr;
    failed_ = true;
    gl_ = new QOpenGLContext(this);
    gl_->setFormat(requestedFormat());
    offscreen_ = new QOffscreenSurface(screen(), this);
    if (gl_->create()) {
        offscreen_->setFormat(gl_->format());
        offscreen_->create();
    }
    if (!offscreen_->isValid() || !gl_->makeCurrent(offscreen_)) {
        std::fprintf(stderr, "corvane: media device: no OpenGL context for video\n");
        return false;
    }
    mpv_opengl_init_params glInit{&glProcAddress, nullptr};
    const char* apiType = MPV_RENDER_API_TYPE_OPENGL;
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(apiType)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
            {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, mpv_, params) < 0) {
        render_ = nullptr;
        std::fprintf(stderr, "corvane: media device: no video rendering on this display\n");
        return false;
    }
    failed_ = false;
    mpv_render_context_set_update_callback(render_, &VideoSurface::onUpdateCallback, this);
    return true;
}

void VideoSurface::release()
{
    if (!render_)
        return;
    // After this returns the engine calls back no more; an update already
    // posted goes with this object.
    mpv_render_context_set_update_callback(render_, nullptr, nullptr);
    gl_->makeCurrent(offscreen_);
    mpv_render_context_free(render_);
    render_ = nullptr;
    gl_->doneCurrent();
}

void VideoSurface::onUpdateCallback(void* self)
{
    // Engine thread: only post to the GUI thread.
    auto* s = static_cast<VideoSurface*>(self);
    if (!s->updatePosted_.exchange(true))
        QMetaObject::invokeMethod(
                s, [s] { s->onEngineUpdate(); }, Qt::QueuedConnection);
}

void VideoSurface::onEngineUpdate()
{
    updatePosted_ = false;
    if (!render_ || !(mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME))
        return;
    ++taken_;
    if (onScreen())
        draw();
    else
        skip();  // hidden: take the frame so the engine is not held up
}

void VideoSurface::draw()
{
    if (!gl_->makeCurrent(this))
        return;
    const qreal dpr = devicePixelRatio();
    // The window's own framebuffer, whose rows run bottom to top.
    mpv_opengl_fbo fbo{0, qRound(width() * dpr), qRound(height() * dpr), 0};
    int flipY = 1;
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
            {MPV_RENDER_PARAM_FLIP_Y, &flipY},
            {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
    gl_->swapBuffers(this);
    mpv_render_context_report_swap(render_);
    ++drawn_;
}

void VideoSurface::skip()
{
    if (!gl_->makeCurrent(offscreen_))
        return;
    int skip = 1;
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
            {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
}

namespace {

// Platforms that only paint into memory have no window to draw into,
// whatever OpenGL the machine has.
bool memoryOnlyPlatform()
{
    static const char* const memoryOnly[] = {"offscreen", "minimal", "minimalegl", "vnc", "linuxfb"};
    for (const char* name : memoryOnly)
        if (QGuiApplication::platformName() == QLatin1String(name))
            return true;
    return false;
}

constexpr int kDriverLookMs = 5;

}  // namespace

bool VideoWindow::displayHasOpenGL()
{
    static const bool available = [] {
        if (memoryOnlyPlatform())
            return false;
        QOpenGLContext probe;
        return probe.create();
    }();
    return available;
}

void VideoWindow::loadDisplayDriver(QObject* context, std::function<void()> then)
{
    // Once per program; a context made and dropped on another thread leaves
    // the driver loaded for the GUI thread's.
    static std::shared_future<bool> loading;
    if (!loading.valid() && !memoryOnlyPlatform() && QOpenGLContext::supportsThreadedOpenGL())
        loading = std::async(std::launch::async, [] {
                      QOpenGLContext probe;
                      return probe.create();
                  }).share();
    auto* look = new QTimer(context);
    look->setInterval(kDriverLookMs);
    QObject::connect(look, &QTimer::timeout, context, [look, then = std::move(then)] {
        if (loading.valid() && loading.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        look->deleteLater();
        then();
    });
    look->start();
}

VideoWindow::VideoWindow(mpv_handle* mpv)
    : QWidget(nullptr), surface_(new VideoSurface(mpv)), pointerIdle_(new QTimer(this))
{
    pointerIdle_->setSingleShot(true);
    pointerIdle_->setInterval(kPointerIdleMs);
    connect(pointerIdle_, &QTimer::timeout, this, [this] { showPointer(false); });
    surface_->installEventFilter(this);
    setMouseTracking(true);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(QApplication::windowIcon());
    // The container takes the surface; the surface covers the whole window,
    // so the window itself never paints.
    QWidget* container = QWidget::createWindowContainer(surface_, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container);
    resize(320, 240);
}

VideoWindow::~VideoWindow()
{
    // The render context goes now, while the engine still runs.
    surface_->release();
}

bool VideoWindow::hasRenderContext() const { return surface_->hasRenderContext(); }
quint64 VideoWindow::framesTaken() const { return surface_->taken(); }
quint64 VideoWindow::framesDrawn() const { return surface_->drawn(); }

void VideoWindow::showFor(const QString& fileName, QSize videoSize)
{
    // A new media shows in a window; the next track of one in full screen
    // stays there.
    if (!isVisible())
        leaveFullScreen();
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
    if (fullScreen_)
        normalGeometry_.setSize(size.expandedTo(QSize(16, 16)));
    else
        resize(size.expandedTo(QSize(16, 16)));
    surface_->ensureRenderContext();
    if (!isVisible())
        show();
    raise();
}

void VideoWindow::prepare() { surface_->ensureRenderContext(); }

void VideoWindow::closeEvent(QCloseEvent* event)
{
    // The close box hides the window; playing goes on.
    event->ignore();
    hide();
}

void VideoWindow::toggleFullScreen()
{
    if (fullScreen_) {
        leaveFullScreen();
        return;
    }
    fullScreen_ = true;
    normalGeometry_ = geometry();
    showFullScreen();
    // Without a window manager nobody else makes it fill the screen.
    if (QScreen* screen = this->screen())
        setGeometry(screen->geometry());
    pointerIdle_->start();
}

void VideoWindow::leaveFullScreen()
{
    if (!fullScreen_)
        return;
    fullScreen_ = false;
    pointerIdle_->stop();
    showPointer(true);
    showNormal();
    setGeometry(normalGeometry_);
}

void VideoWindow::showPointer(bool shown)
{
    if (shown) {
        surface_->unsetCursor();
        unsetCursor();
    } else {
        surface_->setCursor(Qt::BlankCursor);
        setCursor(Qt::BlankCursor);
    }
}

bool VideoWindow::input(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonDblClick: toggleFullScreen(); return true;
    case QEvent::MouseMove:
        if (fullScreen_) {
            showPointer(true);
            pointerIdle_->start();
        }
        return false;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F)
            toggleFullScreen();
        else if (key == Qt::Key_Escape)
            leaveFullScreen();
        return key == Qt::Key_F || key == Qt::Key_Escape;
    }
    default: return false;
    }
}

bool VideoWindow::event(QEvent* event) { return input(event) || QWidget::event(event); }

bool VideoWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == surface_ && input(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvane
