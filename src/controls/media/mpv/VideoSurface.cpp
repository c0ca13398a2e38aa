#include "VideoSurface.h"

#include <cstdio>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QThread>

namespace corvane {

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

}  // namespace corvane
