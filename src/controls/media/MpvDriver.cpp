#include "MpvDriver.h"
#include "MpvRequests.h"

#include "VideoWindow.h"

#include "EngineQuiet.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <mpv/client.h>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
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
// - A playlist plays as mpv's own playlist of its tracks: the first loaded
//   with "replace", the others appended. keep-open only holds at the last
//   entry, so mpv runs from one track into the next by itself. Each load's
//   reply names its playlist entry id; start and end events carry the id,
//   which tells which track they are about. Seeking to another track is
//   "playlist-play-index" followed by a seek once that track has loaded.
// - mpv reports time-pos some tens of milliseconds apart while playing
//   audio. Between two reports the position runs on by the wall clock (at
//   most kMaxRunOnMs past the last report), so the slider moves smoothly and
//   the first advance shows as soon as playing has begun.

namespace corvane {

using namespace mpvreq;

namespace {

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

}  // namespace

MpvDriver::MpvDriver(QString audioOutput, QString videoOutput, QObject* parent)
    : MediaDriver(parent), audioOutput_(std::move(audioOutput)), videoOutput_(std::move(videoOutput))
{}

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
        QMetaObject::invokeMethod(
                d, [d] { d->drainEvents(); }, Qt::QueuedConnection);
}

bool MpvDriver::open(const QString& absolutePath, bool allowVideo)
{
    close();
    if (!ensureCore())
        return false;
    // The core exists before probing, so libav's messages go to its log.
    MediaInfo info = MediaProbe::probe(absolutePath);
    if (info.playable && !allowVideo && !info.hasAudio)
        info = MediaInfo{false, 0, false, false, {}, QStringLiteral("no sound to play")};
    if (!info.playable) {
        std::fprintf(stderr, "corvane: media device: cannot play %s: %s\n", QFile::encodeName(absolutePath).constData(),
                     info.problem.toUtf8().constData());
        return false;
    }
    MediaTracks tracks;
    tracks.append(absolutePath, info, allowVideo);
    return start(std::move(tracks), allowVideo);
}

bool MpvDriver::openList(const QStringList& absolutePaths, bool allowVideo)
{
    close();
    if (!ensureCore())
        return false;
    MediaTracks tracks = MediaTracks::probeAll(absolutePaths, allowVideo);
    if (tracks.count() < absolutePaths.size())
        std::fprintf(stderr, "corvane: media device: %d of %d listed files are playable in time\n", tracks.count(),
                     int(absolutePaths.size()));
    if (tracks.isEmpty())
        return false;
    return start(std::move(tracks), allowVideo);
}

bool MpvDriver::start(MediaTracks tracks, bool allowVideo)
{
    tracks_ = std::move(tracks);
    ++generation_;
    entryTrack_.clear();
    lastStartedEntry_ = -1;
    index_ = 0;
    shownTrack_ = -1;
    jumpTo_ = -1;
    trackEnded_ = false;
    const bool video = allowVideo && tracks_.anyVideo();
    if (video && videoOutput_.isEmpty()) {
        if (VideoWindow::displayHasOpenGL()) {
            if (!window_)
                window_ = new VideoWindow(mpv_);
            // A later video track needs the render context before it starts.
            if (!tracks_.at(0).video)
                window_->prepare();
            showTrack(0);
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
    nextLoad_ = 0;
    loadsInFlight_ = 0;
    jumpQueued_ = false;
    jumpsInFlight_ = 0;
    feedLoads();
    return true;
}

void MpvDriver::feedLoads()
{
    while (loaded_ && loadsInFlight_ < kMaxLoadsInFlight && nextLoad_ < tracks_.count()) {
        const int track = nextLoad_++;
        if (loadLocalFile(tracks_.at(track).path, track))
            ++loadsInFlight_;
        if (jumpQueued_ && track == jumpTo_) {
            jumpQueued_ = false;
            sendJump(track);
        }
    }
}

bool MpvDriver::loadLocalFile(const QString& absolutePath, int track)
{
    if (!QFileInfo(absolutePath).isAbsolute() || !absolutePath.startsWith(QLatin1Char('/')))
        return false;
    const QByteArray p = QFile::encodeName(absolutePath);
    command(loadTag(generation_, track), {"loadfile", p.constData(), track == 0 ? "replace" : "append"});
    return true;
}

void MpvDriver::showTrack(int k)
{
    shownTrack_ = k;
    if (!window_ || !videoOutput_.isEmpty())
        return;
    const MediaTrack& t = tracks_.at(k);
    if (t.video)
        window_->showFor(QFileInfo(t.path).fileName(), t.info.videoSize);
    else
        window_->hide();
}

void MpvDriver::close()
{
    if (!loaded_)
        return;
    loaded_ = false;
    current_ = false;
    tracks_ = MediaTracks();
    index_ = 0;
    jumpTo_ = -1;
    jumpQueued_ = false;
    jumpsInFlight_ = 0;
    trackEnded_ = false;
    entryTrack_.clear();
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
    const MediaTrack& t = tracks_.at(index_);
    return t.startMs + qBound<qint64>(0, trackPositionMs(), t.info.lengthMs);
}

qint64 MpvDriver::trackStartMs(int track) const
{
    return loaded_ && track >= 0 && track < tracks_.count() ? tracks_.at(track).startMs : 0;
}

qint64 MpvDriver::trackPositionMs() const
{
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
    positionMs_ = trackPositionMs();
    wantPlay_ = false;
    setFlag("pause", true);
}

void MpvDriver::seek(qint64 ms)
{
    if (!loaded_)
        return;
    const int k = tracks_.indexAt(ms);
    const MediaTrack& t = tracks_.at(k);
    const qint64 inTrack = qBound<qint64>(0, ms - t.startMs, t.info.lengthMs);
    const QByteArray target = QByteArray::number(double(inTrack) / 1000.0, 'f', 3);
    if (k == index_ && !trackEnded_)
        seekTo(target, "absolute+exact");
    else
        jumpTo(k, inTrack > 0 ? target : QByteArray(), "absolute+exact");
    positionMs_ = inTrack;
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
    const int last = tracks_.count() - 1;
    if (index_ == last && !trackEnded_)
        seekTo("100", "absolute-percent+exact");
    else
        jumpTo(last, "100", "absolute-percent+exact");
    positionMs_ = tracks_.at(last).info.lengthMs;
    seeking_ = true;
    restarted_ = false;
}

void MpvDriver::jumpTo(int k, const QByteArray& target, const char* flags)
{
    jumpTo_ = k;
    index_ = k;
    current_ = false;
    trackEnded_ = false;
    fileLoaded_ = false;
    eof_ = false;
    pendingSeekTarget_ = target;
    pendingSeekFlags_ = flags;
    // A track not yet handed to the engine is jumped to once it is.
    jumpQueued_ = k >= nextLoad_;
    if (!jumpQueued_)
        sendJump(k);
}

void MpvDriver::sendJump(int k)
{
    ++jumpsInFlight_;
    command(TagJump, {"playlist-play-index", QByteArray::number(k).constData()});
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
    if (!hasVideo() || !fileLoaded_)
        return;
    positionMs_ = trackPositionMs();
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

}  // namespace corvane
