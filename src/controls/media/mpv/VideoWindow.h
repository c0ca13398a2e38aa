#pragma once
// The top-level window the video picture is shown in. mpv renders through
// its render API (vo=libmpv), on a render thread of the window's own, straight
// into the default framebuffer of a native OpenGL window that fills this one:
// no framebuffer of our own and no composition by the widget toolkit, so each
// frame costs the engine's drawing and one buffer swap, neither of which
// holds the GUI thread. It draws when the engine hands over a new frame, and
// redraws only when the window system asks.
// Closing it by its close box only hides it; while hidden, frames are still
// taken from the engine (without drawing) so playing goes on at its pace.
// A double-click or F fills the screen with it (the engine keeps the
// picture's proportions); F again or Escape gives back its size and place.
// In full screen the pointer hides once it has been still for 2 s.
#include <functional>
#include <QRect>
#include <QSize>
#include <QWidget>

class QTimer;

struct mpv_handle;

namespace corvane {

class VideoSurface;

class VideoWindow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool renderContext READ hasRenderContext)
    Q_PROPERTY(quint64 framesTaken READ framesTaken)
    Q_PROPERTY(quint64 framesDrawn READ framesDrawn)
    Q_PROPERTY(bool fullScreen READ inFullScreen)
public:
    explicit VideoWindow(mpv_handle* mpv);
    ~VideoWindow() override;

    // Whether this display gives OpenGL, to a thread other than the GUI
    // thread. Without it no window is made: there is nowhere to draw.
    static bool displayHasOpenGL();
    // Loads the display's OpenGL driver on a thread of its own (its first
    // context loads it, which takes the GUI thread longer than a frame), then
    // calls `then` in a later turn of the GUI thread's event loop, unless
    // `context` is gone by then.
    static void loadDisplayDriver(QObject* context, std::function<void()> then);

    // Titles the window with the file's name, sizes it to the video (in
    // video pixels, one per device pixel), clamped to the screen, and shows
    // it. The render context exists when this returns.
    void showFor(const QString& fileName, QSize videoSize);
    // Makes the render context without showing the window, for media whose
    // picture comes later (a playlist that starts with sound only).
    void prepare();
    bool hasRenderContext() const;
    // Frames the engine handed over since the window was made, and how many
    // of them were drawn and presented (the others came while it was hidden).
    quint64 framesTaken() const;
    quint64 framesDrawn() const;

    void toggleFullScreen();
    void leaveFullScreen();
    // Kept here: without a window manager the window system reports no
    // full-screen state, though the window fills the screen.
    bool inFullScreen() const { return fullScreen_; }
    static constexpr int kPointerIdleMs = 2000;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    // The picture's surface gets the pointer and keys; they come here too.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool input(QEvent* event);
    void showPointer(bool shown);

    VideoSurface* surface_;
    bool fullScreen_ = false;
    QRect normalGeometry_;  // before full screen
    QTimer* pointerIdle_;
};

}  // namespace corvane
