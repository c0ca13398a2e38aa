#include "VideoRenderer.h"

#include "media/EnginePriority.h"

#include <mpv/render_gl.h>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QWindow>

namespace corvane {

namespace {

void* glProcAddress(void*, const char* name)
{
    QOpenGLContext* ctx = QOpenGLContext::currentContext();
    return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}

}  // namespace

bool VideoRenderer::init()
{
    EnginePriority::lowerThisThread();  // the render thread's first call
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

}  // namespace corvane
