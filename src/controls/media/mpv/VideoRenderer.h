#pragma once
// The drawing side of the video window: the frame counts both threads read,
// and the renderer that lives on the window's render thread.
#include <atomic>
#include <QMutex>
#include <QObject>
#include <QSize>

class QOffscreenSurface;
class QOpenGLContext;
class QWindow;
struct mpv_handle;
struct mpv_render_context;

namespace corvane {

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

}  // namespace corvane
