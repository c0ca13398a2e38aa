#pragma once
// The top-level window the video picture is drawn into. mpv renders through
// its render API (vo=libmpv) into this widget's framebuffer on the GUI thread.
// Closing it by its close box only hides it; while hidden, frames are still
// taken from the engine (without drawing) so playing goes on at its pace.
#include <atomic>
#include <QOpenGLWidget>
#include <QSize>

struct mpv_handle;
struct mpv_render_context;

namespace corvane {

class VideoWindow : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit VideoWindow(mpv_handle* mpv);
    ~VideoWindow() override;

    // Whether this display gives OpenGL at all. Without it no window is
    // made (showing a GL widget there brings the toolkit down).
    static bool displayHasOpenGL();

    // Titles the window with the file's name, sizes it to the video (in
    // video pixels, one per device pixel), clamped to the screen, and shows
    // it. The render context exists when this returns.
    void showFor(const QString& fileName, QSize videoSize);
    // Makes the render context without showing the window, for media whose
    // picture comes later (a playlist that starts with sound only).
    void prepare();
    bool hasRenderContext() const { return render_ != nullptr; }
    // Frames the engine handed over since the window was made.
    quint64 framesTaken() const { return framesTaken_; }

protected:
    void initializeGL() override;
    void paintGL() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onEngineUpdate();
    void freeRenderContext();
    static void onUpdateCallback(void* self);

    mpv_handle* mpv_;
    mpv_render_context* render_ = nullptr;
    std::atomic_bool updatePosted_{false};
    quint64 framesTaken_ = 0;
};

}  // namespace corvane
