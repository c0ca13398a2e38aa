#include "VideoWindow.h"

#include "VideoSurface.h"

#include "media/EnginePriority.h"

#include <future>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace corvane {

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
        loading = std::async(std::launch::async, [] {
                      // A software driver makes its drawing threads as it
                      // loads, from this thread: they run as low as it.
                      EnginePriority::lowerThisThread();
                      return probeOpenGL();
                  }).share();
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
