#pragma once
// Reads back what a Qt Quick window has just drawn into the texture it draws
// to, in the same frame, without drawing the scene a second time as a grab
// does. At the screen's size on a software rasteriser, that second drawing
// cost most of each frame.
#include <QImage>

#include <functional>
#include <memory>

class QQuickWindow;
struct QRhiReadbackResult;

namespace corvane {

class FlashFrameReadback {
public:
    using Done = std::function<void(QImage)>;

    FlashFrameReadback();
    ~FlashFrameReadback();
    FlashFrameReadback(const FlashFrameReadback&) = delete;
    FlashFrameReadback& operator=(const FlashFrameReadback&) = delete;

    // Call while `window` ends a frame (its afterRendering): `done` gets the
    // frame once read, on this thread, upright and in ARGB32_Premultiplied.
    // False when nothing was asked: the window draws without a texture of
    // its own (software drawing), or the last frame asked is not read yet.
    bool request(QQuickWindow* window, Done done);

private:
    std::unique_ptr<QRhiReadbackResult> result_;
    bool pending_ = false;
};

}  // namespace corvane
