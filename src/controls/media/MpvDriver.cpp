#include "MpvDriver.h"

#include "VideoWindow.h"

#include "EngineQuiet.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <mpv/client.h>
#include <vector>

// Design notes
// - "open" must return with the length known, yet the GUI thread is also
//   mpv's render thread and may not wait on any other libmpv call (render.h,
//   "Threading"). So the length is probed synchronously with libavformat,
//   bounded by an interrupt callback, while mpv loads the same file
//   asynchronously; the device's length is the probed one, and the device
//   forces position == length at the end, since mpv's time-pos can stop
//   short of its duration. A dedicated render thread would have allowed
//   synchronous waits, at the price of a second GL context and locking
//   around every frame; the probe is cheaper and keeps one thread.
// - mpv refuses to initialise unless LC_NUMERIC is "C". QApplication sets
//   the locale from the environment, so the core is created lazily, on the
//   first open, after the locale is put back to "C" for numbers.
// - End of media: with keep-open, eof-reached turns on while the last audio
//   is still playing, and pause turns on once it has played. The end is
//   therefore eof-reached and pause together while we asked to play.
// - pause carries over into the next file, so every open sets it.
// - mpv reports time-pos some tens of milliseconds apart while playing
//   audio. Between two reports the position runs on by the wall clock (at
//   most kMaxRunOnMs past the last report), so the slider moves smoothly and
//   the first advance shows as soon as playing has begun.

namespace corvane {

namespace {

enum : uint64_t { TagNone = 0, TagLoad = 1, TagSeek = 2 };
constexpr qint64 kMaxRunOnMs = 200;
enum : uint64_t { PropTimePos = 1, PropEof, PropPause, PropMute };

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
    {"keep-open", "yes"},
    {"hwdec", "no"},
    {"gpu-hwdec-interop", "no"},
    {"pause", "yes"},
};

} // namespace

MpvDriver::MpvDriver(QString audioOutput, QString videoOutput, QObject* parent)
    : MediaDriver(parent), audioOutput_(std::move(audioOutput)), videoOutput_(std::move(videoOutput))
{
}

MpvDriver::~MpvDriver()
{
    if (!mpv_)
        return;
    mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
    // The render context must go before the core, with its GL context current.
    delete window_.data();
    mpv_terminate_destroy(mpv_);
}

bool MpvDriver::ensureCore()
{
    if (mpv_)
        return true;
    if (coreFailed_)
        return false;
    std::setlocale(LC_NUMERIC, "C");
    EngineQuiet::silenceAlsa();
    mpv_handle* h = mpv_create();
    if (!h) {
        coreFailed_ = true;
        std::fprintf(stderr, "corvane: media device: the mpv engine could not be created\n");
        return false;
    }
    for (const auto& opt : kCoreOptions)
        mpv_set_option_string(h, opt[0], opt[1]);
    const QByteArray vo = videoOutput_.isEmpty() ? QByteArray("libmpv") : videoOutput_.toUtf8();
    mpv_set_option_string(h, "vo", vo.constData());
    if (!audioOutput_.isEmpty())
        mpv_set_option_string(h, "ao", audioOutput_.toUtf8().constData());
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        coreFailed_ = true;
        std::fprintf(stderr, "corvane: media device: the mpv engine could not be started\n");
        return false;
    }
    mpv_observe_property(h, PropTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, PropEof, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(h, PropPause, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(h, PropMute, "mute", MPV_FORMAT_FLAG);
    mpv_ = h;
    mpv_set_wakeup_callback(mpv_, &MpvDriver::onWakeup, this);
    return true;
}

void MpvDriver::onWakeup(void* self)
{
    // Runs on an engine thread: it may not call mpv, only post.
    auto* d = static_cast<MpvDriver*>(self);
    if (!d->wakeupPosted_.exchange(true))
        QMetaObject::invokeMethod(d, [d] { d->drainEvents(); }, Qt::QueuedConnection);
}

bool MpvDriver::open(const QString& absolutePath, bool allowVideo)
{
    close();
    if (!ensureCore())
        return false;
    // The core exists before probing, so libav's messages go to its log.
    info_ = MediaProbe::probe(absolutePath);
    if (info_.playable && !allowVideo && !info_.hasAudio)
        info_ = MediaInfo{false, 0, false, false, {}, QStringLiteral("no sound to play")};
    if (!info_.playable) {
        std::fprintf(stderr, "corvane: media device: cannot play %s: %s\n",
                     QFile::encodeName(absolutePath).constData(), info_.problem.toUtf8().constData());
        return false;
    }
    const bool video = allowVideo && info_.hasVideo;
    showsVideo_ = video;
    if (video && videoOutput_.isEmpty()) {
        if (VideoWindow::displayHasOpenGL()) {
            if (!window_)
                window_ = new VideoWindow(mpv_);
            window_->showFor(QFileInfo(absolutePath).fileName(), info_.videoSize);
        } else if (!noPictureOutput_) {
            // Nowhere to draw: the video is still decoded, in time, unseen.
            noPictureOutput_ = true;
            setText("vo", "null");
        }
    }
    setText("vid", video ? "auto" : "no");
    setFlag("pause", true);
    loaded_ = true;
    wantPlay_ = false;
    endReported_ = false;
    positionMs_ = 0;
    eof_ = false;
    paused_ = true;
    seeking_ = false;
    restarted_ = false;
    fileLoaded_ = false;
    pendingSeekTarget_.clear();
    loadLocalFiles({absolutePath});
    return true;
}

void MpvDriver::loadLocalFiles(const QStringList& absolutePaths)
{
    bool first = true;
    for (const QString& path : absolutePaths) {
        if (!QFileInfo(path).isAbsolute() || !path.startsWith(QLatin1Char('/')))
            continue;
        const QByteArray p = QFile::encodeName(path);
        command(TagLoad, {"loadfile", p.constData(), first ? "replace" : "append"});
        if (first)
            ++startsPending_;
        first = false;
    }
}

void MpvDriver::close()
{
    if (!loaded_)
        return;
    loaded_ = false;
    current_ = false;
    fileLoaded_ = false;
    pendingSeekTarget_.clear();
    wantPlay_ = false;
    positionMs_ = 0;
    command(TagNone, {"stop"});
    if (window_)
        window_->hide();
}

qint64 MpvDriver::positionMs() const
{
    if (!loaded_)
        return 0;
    const bool running = current_ && wantPlay_ && !paused_ && !seeking_ && !eof_ && restarted_;
    if (!running || !sinceTimePos_.isValid())
        return positionMs_;
    return positionMs_ + std::min(sinceTimePos_.elapsed(), kMaxRunOnMs);
}

void MpvDriver::play()
{
    if (!loaded_)
        return;
    wantPlay_ = true;
    endReported_ = false;
    paused_ = false;
    setFlag("pause", false);
}

void MpvDriver::pause()
{
    if (!loaded_)
        return;
    positionMs_ = positionMs();
    wantPlay_ = false;
    setFlag("pause", true);
}

void MpvDriver::seek(qint64 ms)
{
    if (!loaded_)
        return;
    seekTo(QByteArray::number(double(ms) / 1000.0, 'f', 3), "absolute+exact");
    positionMs_ = ms;
    seeking_ = true;
    restarted_ = false;
    eof_ = false;
    endReported_ = false;
}

void MpvDriver::seekToEnd()
{
    if (!loaded_)
        return;
    wantPlay_ = false;
    setFlag("pause", true);
    seekTo("100", "absolute-percent+exact");
    positionMs_ = info_.lengthMs;
    seeking_ = true;
    restarted_ = false;
}

void MpvDriver::seekTo(const QByteArray& target, const char* flags)
{
    if (fileLoaded_) {
        command(TagSeek, {"seek", target.constData(), flags});
        return;
    }
    pendingSeekTarget_ = target;
    pendingSeekFlags_ = flags;
}

void MpvDriver::frameStep(int direction)
{
    if (!loaded_ || !showsVideo_ || !fileLoaded_)
        return;
    positionMs_ = positionMs();
    wantPlay_ = false;  // the engine pauses after a frame step
    command(TagNone, {direction < 0 ? "frame-back-step" : "frame-step"});
}

void MpvDriver::setMuted(bool muted)
{
    if (ensureCore())
        setFlag("mute", muted);
}

void MpvDriver::command(uint64_t tag, std::initializer_list<const char*> args)
{
    std::vector<const char*> argv(args);
    argv.push_back(nullptr);
    mpv_command_async(mpv_, tag, argv.data());
}

void MpvDriver::setFlag(const char* name, bool on)
{
    int flag = on ? 1 : 0;
    mpv_set_property_async(mpv_, TagNone, name, MPV_FORMAT_FLAG, &flag);
}

void MpvDriver::setText(const char* name, const char* value)
{
    mpv_set_property_async(mpv_, TagNone, name, MPV_FORMAT_STRING, &value);
}

void MpvDriver::drainEvents()
{
    wakeupPosted_ = false;
    if (!mpv_)
        return;
    for (int i = 0; i < 10000; ++i) {
        mpv_event* ev = mpv_wait_event(mpv_, 0);
        if (ev->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*ev);
    }
}

void MpvDriver::handleEvent(const mpv_event& ev)
{
    switch (ev.event_id) {
    case MPV_EVENT_START_FILE:
        if (startsPending_ > 0 && --startsPending_ == 0)
            current_ = loaded_;
        break;
    case MPV_EVENT_FILE_LOADED:
        if (current_ && startsPending_ == 0) {
            fileLoaded_ = true;
            if (!pendingSeekTarget_.isEmpty()) {
                command(TagSeek, {"seek", pendingSeekTarget_.constData(), pendingSeekFlags_});
                pendingSeekTarget_.clear();
            }
        }
        break;
    case MPV_EVENT_END_FILE: {
        if (startsPending_ > 0 || !current_)
            break;  // a file we replaced or closed
        const auto* end = static_cast<const mpv_event_end_file*>(ev.data);
        current_ = false;
        if (end->reason == MPV_END_FILE_REASON_ERROR) {
            emit failed();
        } else if (end->reason == MPV_END_FILE_REASON_EOF && wantPlay_ && !endReported_) {
            endReported_ = true;
            wantPlay_ = false;
            emit ended();
        }
        break;
    }
    case MPV_EVENT_COMMAND_REPLY:
        if (ev.error < 0 && ev.reply_userdata == TagLoad && startsPending_ > 0) {
            if (--startsPending_ == 0 && loaded_)
                emit failed();
        } else if (ev.reply_userdata == TagSeek && ev.error < 0) {
            seeking_ = false;
        }
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (current_ && startsPending_ == 0) {
            seeking_ = false;
            restarted_ = true;
            sinceTimePos_.restart();
        }
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* p = static_cast<const mpv_event_property*>(ev.data);
        if (ev.reply_userdata == PropMute) {
            if (p->format == MPV_FORMAT_FLAG)
                engineMuted_ = *static_cast<int*>(p->data) != 0;
            break;
        }
        if (!current_ || startsPending_ > 0)
            break;
        if (ev.reply_userdata == PropTimePos) {
            if (p->format == MPV_FORMAT_DOUBLE && !seeking_) {
                const double t = *static_cast<double*>(p->data);
                if (std::isfinite(t)) {
                    positionMs_ = qint64(std::llround(std::max(0.0, t) * 1000.0));
                    sinceTimePos_.restart();
                }
            }
        } else if (ev.reply_userdata == PropEof) {
            eof_ = p->format == MPV_FORMAT_FLAG && *static_cast<int*>(p->data) != 0;
            checkEnd();
        } else if (ev.reply_userdata == PropPause) {
            paused_ = p->format == MPV_FORMAT_FLAG && *static_cast<int*>(p->data) != 0;
            checkEnd();
        }
        break;
    }
    default:
        break;
    }
}

void MpvDriver::checkEnd()
{
    if (current_ && wantPlay_ && eof_ && paused_ && !endReported_ && !seeking_) {
        endReported_ = true;
        wantPlay_ = false;
        emit ended();
    }
}

} // namespace corvane
