// The mpv driver's engine core and video window: made ahead of the first
// open, off the GUI thread where they take long.
#include "MpvDriver.h"
#include "MpvRequests.h"

#include "VideoWindow.h"

#include "media/EnginePriority.h"
#include "media/EngineQuiet.h"

#include <chrono>
#include <clocale>
#include <cstdio>
#include <mpv/client.h>
#include <QTimer>

// Design notes
// - mpv refuses to initialise unless LC_NUMERIC is "C". QApplication sets
//   the locale from the environment, so the core is created lazily, when an
//   mpv type is first chosen (or at the first open), after the locale is put
//   back to "C" for numbers. It is started on a thread of its own, which
//   the first open waits for if it comes that soon.
// - The first video window costs the GUI thread far more than a frame: the
//   display's OpenGL driver is loaded, then the window and the GL and render
//   contexts are made. When a video type is chosen (before the file dialog),
//   the driver is loaded on a thread of its own, and the window and its
//   render context are made in separate turns of the event loop after it.

namespace corvane {

using namespace mpvreq;

namespace {

constexpr int kCoreLookMs = 5;

constexpr const char* kCoreOptions[][2] = {
        {"config", "no"},
        {"terminal", "no"},
        {"idle", "yes"},
        {"ytdl", "no"},
        {"load-scripts", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"input-builtin-bindings", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"resume-playback", "no"},
        {"sub-auto", "no"},
        {"audio-file-auto", "no"},
        {"cover-art-auto", "no"},
        {"osd-level", "0"},
        {"access-references", "no"},
        {"audio-fallback-to-null", "yes"},
        {"keep-open", "no"},
        {"hwdec", "no"},
        {"gpu-hwdec-interop", "no"},
        {"pause", "yes"},
        // Frames are handed to the renderer when due, rather than up to 50 ms
        // early with the render call waiting out the rest: that call runs on
        // the GUI thread.
        {"video-timing-offset", "0"},
};

constexpr char kDefaultAudioOutputs[] = "pulse,alsa";

}  // namespace

// Any thread. The core's start takes the caller some tens of milliseconds of
// CPU, and longer on a busy machine.
mpv_handle* MpvDriver::makeCore(const QString& audioOutput, const QString& videoOutput)
{
    mpv_handle* h = mpv_create();
    if (!h) {
        std::fprintf(stderr, "corvane: media device: the mpv engine could not be created\n");
        return nullptr;
    }
    for (const auto& opt : kCoreOptions)
        mpv_set_option_string(h, opt[0], opt[1]);
    const QByteArray vo = videoOutput.isEmpty() ? QByteArray("libmpv") : videoOutput.toUtf8();
    mpv_set_option_string(h, "vo", vo.constData());
    // Unless told otherwise, PulseAudio first (PipeWire desktops serve it
    // too), then ALSA: the engine's own order tries PipeWire's library first,
    // whose start and unload without a PipeWire server have crashed the
    // engine's thread.
    const QByteArray ao = audioOutput.isEmpty() ? QByteArray(kDefaultAudioOutputs) : audioOutput.toUtf8();
    mpv_set_option_string(h, "ao", ao.constData());
    // The null output counts what it holds as played: with its default
    // buffers a file would end some 0.4 s before its sound did. Small buffers
    // keep its end within a few tens of milliseconds of the length. The
    // first option is the null output's own; the second, which a sound card
    // would also feel, only where the null output was asked for.
    mpv_set_option_string(h, "ao-null-buffer", "0.02");
    if (audioOutput == QLatin1String("null"))
        mpv_set_option_string(h, "audio-buffer", "0.02");
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        std::fprintf(stderr, "corvane: media device: the mpv engine could not be started\n");
        return nullptr;
    }
    mpv_observe_property(h, PropTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, PropMute, "mute", MPV_FORMAT_FLAG);
    return h;
}

void MpvDriver::startCore()
{
    if (mpv_ || coreFailed_ || coreJob_.valid())
        return;
    std::setlocale(LC_NUMERIC, "C");
    EngineQuiet::silenceAlsa();
    // The core's threads (playing, demuxing, decoding, sound) are made by
    // this one, and run as low as it.
    coreJob_ = std::async(std::launch::async, [ao = audioOutput_, vo = videoOutput_] {
        EnginePriority::lowerThisThread();
        return makeCore(ao, vo);
    });
}

// Takes up the core started aside; waits for it only when `wait`.
bool MpvDriver::takeCore(bool wait)
{
    if (mpv_)
        return true;
    startCore();
    if (!coreJob_.valid() || (!wait && coreJob_.wait_for(std::chrono::seconds(0)) != std::future_status::ready))
        return false;
    mpv_ = coreJob_.get();
    coreFailed_ = !mpv_;
    if (!mpv_)
        return false;
    mpv_set_wakeup_callback(mpv_, &MpvDriver::onWakeup, this);
    onWakeup(this);  // what the engine said before the callback was there
    setFlag("mute", muted_);
    return true;
}

bool MpvDriver::ensureCore() { return takeCore(true); }

void MpvDriver::prepare(bool allowVideo)
{
    startCore();
    if (coreFailed_ || !allowVideo || !videoOutput_.isEmpty() || window_ || preparingVideo_)
        return;
    preparingVideo_ = true;
    VideoWindow::loadDisplayDriver(this, [this] { prepareVideoWindow(); });
}

// In the turn after the display's driver is loaded: the window, hidden;
// in the next turn its native window; in the one after, its render context.
// An open in between makes what is missing itself.
void MpvDriver::prepareVideoWindow()
{
    if (!takeCore(false) && !coreFailed_) {
        QTimer::singleShot(kCoreLookMs, this, [this] { prepareVideoWindow(); });
        return;
    }
    preparingVideo_ = false;
    if (!mpv_ || window_ || !VideoWindow::displayHasOpenGL())
        return;
    window_ = new VideoWindow(mpv_);
    QTimer::singleShot(0, this, [this] {
        if (window_)
            window_->winId();
        QTimer::singleShot(0, this, [this] {
            if (window_)
                window_->prepare();
        });
    });
}

void MpvDriver::onWakeup(void* self)
{
    // Runs on an engine thread: it may not call mpv, only post.
    auto* d = static_cast<MpvDriver*>(self);
    if (!d->wakeupPosted_.exchange(true))
        QMetaObject::invokeMethod(
                d, [d] { d->drainEvents(); }, Qt::QueuedConnection);
}

}  // namespace corvane
