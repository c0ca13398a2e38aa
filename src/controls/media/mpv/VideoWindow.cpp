#include "VideoWindow.h"

#include <atomic>
#include <cstdio>
#include <future>
#include <mpv/render_gl.h>
#include <QApplication>
#include <QCloseEvent>
#include <QExposeEvent>
#include <QKeyEvent>
#include <QMutex>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QScreen>
#include <QThread>
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

// What the GUI thread tells the render thread of the window, and the frame
// counts. The lock makes "hidden" final: once the GUI thread has marked the
// window off screen, no frame is counted as drawn.
struct SurfaceState {
    mutable QMutex lock;
    bool onScreen = false;
    QSize pixels;  // the window's size in device pixels
    quint64 taken = 0;
    quint64 drawn = 0;

    quint64 read(const quint64 SurfaceState::*count) const
    {
        QMutexLocker locked(&lock);
        return this->*count;
    }
};

// The GL and render contexts, on the render thread. Drawing a frame waits
// for the GL driver's rasteriser and for the window system to take the
// picture, which must not hold the GUI thread.
class VideoRenderer : public QObject {
public:
    VideoRenderer(mpv_handle* mpv, QOpenGLContext* gl, QWindow* window, QOffscreenSurface* offscreen,
                  SurfaceState* state)
        : mpv_(mpv), gl_(gl), window_(window), offscreen_(offscreen), state_(state)
    {}

    bool init();
    void release();
    void redraw() { drawIfOnScreen(); }

private:
    static void onUpdateCallback(void* self);
    void onEngineUpdate();
    bool drawIfOnScreen();
    void skip();

    mpv_handle* mpv_;
    QOpenGLContext* gl_;  // moved to the render thread; deleted there
    QWindow* window_;
    QOffscreenSurface* offscreen_;
    SurfaceState* state_;
    mpv_render_context* render_ = nullptr;
    std::atomic_bool updatePosted_{false};
};

bool VideoRenderer::init()
{
    if (!gl_->makeCurrent(offscreen_))
        return false;
    mpv_opengl_init_params glInit{&glProcAddress, nullptr};
    const char* apiType = MPV_RENDER_API_TYPE_OPENGL;
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(apiType)},
            {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
            {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, mpv_, params) < 0) {
        render_ = nullptr;
        return false;
    }
    mpv_render_context_set_update_callback(render_, &VideoRenderer::onUpdateCallback, this);
    return true;
}

void VideoRenderer::release()
{
    if (render_) {
        // After this returns the engine calls back no more; an update
        // already posted goes with this object.
        mpv_render_context_set_update_callback(render_, nullptr, nullptr);
        gl_->makeCurrent(offscreen_);
        mpv_render_context_free(render_);
        render_ = nullptr;
        gl_->doneCurrent();
    }
    delete gl_;
    gl_ = nullptr;
}

void VideoRenderer::onUpdateCallback(void* self)
{
    // Engine thread: only post to the render thread.
    auto* r = static_cast<VideoRenderer*>(self);
    if (!r->updatePosted_.exchange(true))
        QMetaObject::invokeMethod(
                r, [r] { r->onEngineUpdate(); }, Qt::QueuedConnection);
}

void VideoRenderer::onEngineUpdate()
{
    updatePosted_ = false;
    if (!render_ || !(mpv_render_context_update(render_) & MPV_RENDER_UPDATE_FRAME))
        return;
    {
        QMutexLocker locked(&state_->lock);
        ++state_->taken;
    }
    if (!drawIfOnScreen())
        skip();  // hidden: take the frame so the engine is not held up
}

bool VideoRenderer::drawIfOnScreen()
{
    QSize pixels;
    {
        QMutexLocker locked(&state_->lock);
        if (!render_ || !state_->onScreen)
            return false;
        pixels = state_->pixels;
        ++state_->drawn;
    }
    if (!gl_->makeCurrent(window_))
        return true;
    // The window's own framebuffer, whose rows run bottom to top.
    mpv_opengl_fbo fbo{0, pixels.width(), pixels.height(), 0};
    int flipY = 1;
    mpv_render_param params[] = {
            {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
            {MPV_RENDER_PARAM_FLIP_Y, &flipY},
            {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(render_, params);
    gl_->swapBuffers(window_);
    mpv_render_context_report_swap(render_);
    return true;
}

void VideoRenderer::skip()
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

// The native OpenGL window mpv draws into, on the GUI thread, and the render
// thread that draws. The GUI thread tells that thread the window's size and
// whether it is on screen, and asks it to redraw when the window system
// wants the picture again. While the window is not exposed (hidden, not yet
// shown, minimised) the context is made current on an offscreen surface
// instead, to take frames without drawing them.
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
        // Hiding is known at once; the end of exposure comes later from the
        // window system.
        connect(this, &QWindow::visibleChanged, this, [this] { noteScreen(); });
    }
    ~VideoSurface() override { release(); }

    bool ensureRenderContext();
    void release();
    bool hasRenderContext() const { return renderer_ != nullptr; }
    quint64 taken() const { return state_.read(&SurfaceState::taken); }
    quint64 drawn() const { return state_.read(&SurfaceState::drawn); }

protected:
    void exposeEvent(QExposeEvent*) override
    {
        // The window system wants the picture again: redraw the frame shown.
        noteScreen();
        if (renderer_ && isVisible() && isExposed())
            QMetaObject::invokeMethod(
                    renderer_, [r = renderer_] { r->redraw(); }, Qt::QueuedConnection);
    }
    void resizeEvent(QResizeEvent*) override { noteScreen(); }

private:
    void noteScreen()
    {
        const qreal dpr = devicePixelRatio();
        QMutexLocker locked(&state_.lock);
        state_.onScreen = isVisible() && isExposed();
        state_.pixels = QSize(qRound(width() * dpr), qRound(height() * dpr));
    }
    void stopThread();

    mpv_handle* mpv_;
    SurfaceState state_;
    QThread* thread_ = nullptr;
    QOffscreenSurface* offscreen_ = nullptr;
    VideoRenderer* renderer_ = nullptr;  // lives on thread_
    bool failed_ = false;
};

// The GL context is made here, next to the offscreen surface of its format,
// then handed to the render thread, which makes the render context; the
// caller waits for that, a few milliseconds.
bool VideoSurface::ensureRenderContext()
{
    if (renderer_ || failed_)
        return renderer_ != nullptr;
    failed_ = true;
    create();  // the native window, for the render thread to draw into
    auto* gl = new QOpenGLContext;
    gl->setFormat(requestedFormat());
    offscreen_ = new QOffscreenSurface(screen(), this);
    if (gl->create()) {
        offscreen_->setFormat(gl->format());
        offscreen_->create();
    }
    if (!offscreen_->isValid()) {
        delete gl;
        std::fprintf(stderr, "corvane: media device: no OpenGL context for video\n");
        return false;
    }
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("video render"));
    auto* renderer = new VideoRenderer(mpv_, gl, this, offscreen_, &state_);
    gl->moveToThread(thread_);
    renderer->moveToThread(thread_);
    thread_->start();
    bool ready = false;
    QMetaObject::invokeMethod(
            renderer, [&] { ready = renderer->init(); }, Qt::BlockingQueuedConnection);
    renderer_ = renderer;
    if (!ready) {
        stopThread();
        std::fprintf(stderr, "corvane: media device: no video rendering on this display\n");
        return false;
    }
    failed_ = false;
    noteScreen();
    return true;
}

void VideoSurface::stopThread()
{
    if (!thread_)
        return;
    QMetaObject::invokeMethod(
            renderer_, [r = renderer_] { r->release(); }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete renderer_;  // its thread has ended; updates still posted to it go too
    renderer_ = nullptr;
    delete thread_;
    thread_ = nullptr;
}

void VideoSurface::release() { stopThread(); }

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

// A context made and dropped on another thread leaves the driver loaded for
// the GUI thread's. Whether contexts may be used on other threads Qt finds
// out once, with a context of its own; that is asked there too.
bool probeOpenGL()
{
    QOpenGLContext probe;
    return probe.create() && QOpenGLContext::supportsThreadedOpenGL();
}

// The display's driver being loaded aside; once per program.
std::shared_future<bool>& driverLoading()
{
    static std::shared_future<bool> loading;
    return loading;
}

}  // namespace

bool VideoWindow::displayHasOpenGL()
{
    static const bool available = [] {
        if (memoryOnlyPlatform())
            return false;
        if (driverLoading().valid())
            return driverLoading().get();  // never two first probes at once
        return probeOpenGL();
    }();
    return available;
}

void VideoWindow::loadDisplayDriver(QObject* context, std::function<void()> then)
{
    std::shared_future<bool>& loading = driverLoading();
    if (!loading.valid() && !memoryOnlyPlatform())
        loading = std::async(std::launch::async, &probeOpenGL).share();
    auto* look = new QTimer(context);
    look->setInterval(kDriverLookMs);
    QObject::connect(look, &QTimer::timeout, context, [look, loading, then = std::move(then)] {
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
