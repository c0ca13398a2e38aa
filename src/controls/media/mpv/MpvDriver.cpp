#include "MpvDriver.h"
#include "MpvRequests.h"

#include "VideoWindow.h"

#include <algorithm>
#include <cstdio>
#include <mpv/client.h>
#include <QFile>
#include <QFileInfo>
#include <vector>

// Design notes
// - "open" must return with the length known, yet the GUI thread may not
//   wait on the engine's core, which can take long over a load. So the
//   length is probed synchronously with libavformat,
//   bounded by an interrupt callback, while mpv loads the same file
//   asynchronously; the device's length is the probed one, and the device
//   holds the position at the length at the end, since mpv's time-pos can
//   stop short of its duration or run past it.
// - The video window renders on a thread of its own: drawing a frame waits
//   on the GL driver's rasteriser and on the window system, which held the
//   GUI thread for tens of milliseconds a frame.
// - End of a track: the engine's own end-file event of that track's playlist
//   entry, with reason "eof" or "error". Without keep-open every entry ends
//   that way, the last one too, however short, long or damaged the file is;
//   the engine then goes idle with its playlist kept, so playing a track
//   again is "playlist-play-index". A seek that the end-file overtakes is
//   made again on a fresh start of the track.
// - pause carries over into the next file, so every open sets it.
// - A playlist plays as mpv's own playlist of its tracks: the first loaded
//   with "replace", the others appended; mpv runs from one track into the
//   next by itself. Each load's reply names its playlist entry id (the load
//   queue keeps them); start and end events carry the id, which tells which
//   track they are about. Seeking to another track is
//   "playlist-play-index" followed by a seek once that track has loaded.
// - mpv reports time-pos some tens of milliseconds apart while playing
//   audio. Between two reports the position runs on by the wall clock (at
//   most the gap between the last two reports, and never more than
//   kMaxRunOnMs), so the slider moves smoothly and the first advance shows
//   as soon as playing has begun.

namespace corvane {

using namespace mpvreq;

MpvDriver::MpvDriver(QString audioOutput, QString videoOutput, QObject* parent)
    : MediaDriver(parent), audioOutput_(std::move(audioOutput)), videoOutput_(std::move(videoOutput))
{}

MpvDriver::~MpvDriver()
{
    if (!mpv_ && coreJob_.valid())
        mpv_ = coreJob_.get();  // waits for a start under way
    if (!mpv_)
        return;
    mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
    // The render context must go before the core, with its GL context current.
    delete window_.data();
    mpv_terminate_destroy(mpv_);
}

bool MpvDriver::open(const QString& absolutePath, bool allowVideo)
{
    close();
    if (!ensureCore())
        return false;
    // The core exists before probing, so libav's messages go to its log.
    MediaInfo info = MediaProbe::probe(absolutePath);
    if (info.playable && !allowVideo && !info.hasAudio) {
        info = MediaInfo{};
        info.problem = QStringLiteral("no sound to play");
    }
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
    loads_.reset(tracks_.count());
    lastStarted_ = -1;
    shownTrack_ = -1;
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
    jumpQueued_ = false;
    jumpsInFlight_ = 0;
    follow(0, Phase::Jumping);  // the first load starts track 0
    feedLoads();
    return true;
}

void MpvDriver::follow(int k, Phase phase)
{
    track_ = TrackState{};
    track_.index = k;
    track_.phase = phase;
}

void MpvDriver::feedLoads()
{
    for (int track = loads_.takeNext(); loaded_ && track >= 0; track = loads_.takeNext()) {
        if (!loadLocalFile(tracks_.at(track).path, track))
            loads_.answered(loads_.generation(), track, -1);
        if (jumpQueued_ && track == track_.index) {
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
    const char* how = track == 0 ? "replace" : "append";
    const QByteArray& container = tracks_.at(track).info.container;
    if (container.isEmpty())
        command(loadTag(loads_.generation(), track), {"loadfile", p.constData(), how});
    else  // the engine's own guess would miss this container
        command(loadTag(loads_.generation(), track),
                {"loadfile", p.constData(), how, ("demuxer-lavf-format=" + container).constData()});
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
    tracks_ = MediaTracks();
    loads_.reset(0);  // what the engine still says of the old media is stale
    follow(0, Phase::Ended);
    jumpQueued_ = false;
    jumpsInFlight_ = 0;
    wantPlay_ = false;
    command(TagNone, {"stop"});
    if (window_)
        window_->hide();
}

qint64 MpvDriver::positionMs() const
{
    if (!loaded_)
        return 0;
    const MediaTrack& t = tracks_.at(track_.index);
    return t.startMs + qBound<qint64>(0, trackPositionMs(), t.info.lengthMs);
}

QWidget* MpvDriver::videoWindow() const { return window_; }

qint64 MpvDriver::trackStartMs(int track) const
{
    return loaded_ && track >= 0 && track < tracks_.count() ? tracks_.at(track).startMs : 0;
}

qint64 MpvDriver::trackPositionMs() const
{
    const TrackState& t = track_;
    if (t.phase == Phase::Ended)
        return tracks_.at(t.index).info.lengthMs;
    const bool running = t.phase == Phase::Loaded && wantPlay_ && t.restarted && !t.seeking;
    if (!running || !t.sinceReport.isValid())
        return t.positionMs;
    const qint64 cap = t.reportGapMs >= 0 ? std::min(t.reportGapMs, kMaxRunOnMs) : kMaxRunOnMs;
    return t.positionMs + std::min(t.sinceReport.elapsed(), cap);
}

void MpvDriver::play()
{
    if (!loaded_)
        return;
    wantPlay_ = true;
    track_.sinceReport.restart();  // the run-on counts from here
    setFlag("pause", false);
}

void MpvDriver::pause()
{
    if (!loaded_)
        return;
    if (track_.phase != Phase::Ended)
        track_.positionMs = trackPositionMs();
    track_.sinceReport.invalidate();
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
    if (k == track_.index && track_.phase != Phase::Ended)
        seekTo(target, "absolute+exact");
    else
        jumpTo(k, inTrack > 0 ? target : QByteArray(), "absolute+exact");
    track_.positionMs = inTrack;
    track_.restarted = false;
}

// The device holds the end itself; the engine only halts where it is.
void MpvDriver::seekToEnd()
{
    if (!loaded_)
        return;
    pause();
}

void MpvDriver::jumpTo(int k, const QByteArray& target, const char* flags)
{
    follow(k, Phase::Jumping);
    track_.pendingSeek = target;
    track_.pendingFlags = flags;
    // A track not yet handed to the engine is jumped to once it is.
    jumpQueued_ = !loads_.handedOver(k);
    if (!jumpQueued_)
        sendJump(k);
}

void MpvDriver::sendJump(int k)
{
    ++jumpsInFlight_;
    command(TagJump, {"playlist-play-index", QByteArray::number(k).constData()});
}

// Seeks before the engine has loaded the track wait for it.
void MpvDriver::seekTo(const QByteArray& target, const char* flags)
{
    track_.pendingSeek = target;
    track_.pendingFlags = flags;
    if (track_.phase != Phase::Loaded)
        return;
    command(TagSeek, {"seek", target.constData(), flags});
    track_.seeking = true;
}

void MpvDriver::frameStep(int direction)
{
    if (!hasVideo() || track_.phase != Phase::Loaded)
        return;
    track_.positionMs = trackPositionMs();
    track_.sinceReport.invalidate();
    wantPlay_ = false;  // the engine pauses after a frame step
    command(TagNone, {direction < 0 ? "frame-back-step" : "frame-step"});
}

void MpvDriver::setMuted(bool muted)
{
    muted_ = muted;
    if (takeCore(false))
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
