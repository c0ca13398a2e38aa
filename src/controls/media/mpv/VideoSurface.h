#pragma once
// The native OpenGL window inside the video window, and its render thread.
#include "VideoRenderer.h"

#include <QWindow>

class QExposeEvent;
class QResizeEvent;
class QThread;

namespace corvane {

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

}  // namespace corvane
