// The event side of the mpv driver: engine events, drained on the GUI
// thread, turned into the followed track's phase and the driver's reports.
#include "MpvDriver.h"
#include "MpvRequests.h"
#include "VideoWindow.h"

#include <cmath>

namespace corvane {

using namespace mpvreq;

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
        lastStarted_ = static_cast<const mpv_event_start_file*>(ev.data)->playlist_entry_id;
        onStartFile(lastStarted_);
        break;
    case MPV_EVENT_FILE_LOADED: onFileLoaded(); break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(ev.data);
        onEndFile(end->playlist_entry_id, end->reason);
        break;
    }
    case MPV_EVENT_COMMAND_REPLY: onReply(ev); break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (track_.phase == Phase::Loaded) {
            track_.seeking = false;
            track_.pendingSeek.clear();
            track_.restarted = true;
            track_.reportGapMs = -1;
            track_.sinceReport.restart();
        }
        break;
    case MPV_EVENT_PROPERTY_CHANGE: onProperty(ev); break;
    default: break;
    }
}

void MpvDriver::onStartFile(int64_t entryId)
{
    const int k = loads_.trackOf(entryId);
    if (!loaded_ || k < 0)
        return;
    // While a jump is under way, only the start it asked for counts: the
    // engine may still start a track by itself before it takes the jump.
    const bool jumped = track_.phase == Phase::Jumping && k == track_.index && !jumpQueued_ && jumpsInFlight_ == 0;
    // Or the engine went on to the next track by itself.
    const bool wentOn = track_.phase == Phase::Ended && k == track_.index + 1;
    if (!jumped && !wentOn)
        return;
    const TrackState asked = track_;
    follow(k, Phase::Starting);
    if (jumped) {
        track_.positionMs = asked.positionMs;
        track_.pendingSeek = asked.pendingSeek;
        track_.pendingFlags = asked.pendingFlags;
    }
    if (k != shownTrack_)
        showTrack(k);
}

void MpvDriver::onFileLoaded()
{
    if (track_.phase != Phase::Starting)
        return;
    track_.phase = Phase::Loaded;
    if (!track_.pendingSeek.isEmpty()) {
        command(TagSeek, {"seek", track_.pendingSeek.constData(), track_.pendingFlags});
        track_.seeking = true;
    }
}

void MpvDriver::onEndFile(int64_t entryId, int reason)
{
    const bool ours = loaded_ && loads_.trackOf(entryId) == track_.index
            && (track_.phase == Phase::Starting || track_.phase == Phase::Loaded);
    if (!ours || (reason != MPV_END_FILE_REASON_EOF && reason != MPV_END_FILE_REASON_ERROR))
        return;  // a track we left, media replaced or closed
    if (track_.seeking) {
        // The engine ran out of the track before our seek reached it: the
        // seek is played from a fresh start of the track instead.
        const TrackState asked = track_;
        jumpTo(asked.index, asked.pendingSeek, asked.pendingFlags);
        track_.positionMs = asked.positionMs;
        return;
    }
    follow(track_.index, Phase::Ended);
    emit trackEnded(track_.index);
}

void MpvDriver::onReply(const mpv_event& ev)
{
    if (ev.reply_userdata & kLoadTag) {
        onLoadReply(ev.reply_userdata, ev.error, ev);
    } else if (ev.reply_userdata == TagSeek && ev.error < 0) {
        track_.seeking = false;
        track_.pendingSeek.clear();
    } else if (ev.reply_userdata == TagJump) {
        jumpsInFlight_ = qMax(0, jumpsInFlight_ - 1);
        if (ev.error < 0 && loaded_ && track_.phase == Phase::Jumping)
            emit failed();
    }
}

void MpvDriver::onLoadReply(uint64_t tag, int error, const mpv_event& ev)
{
    const int track = loadTrack(tag);
    const int64_t id = error < 0 ? -1 : entryIdOf(static_cast<const mpv_event_command*>(ev.data)->result);
    if (!loaded_ || !loads_.answered(loadGeneration(tag), track, id))
        return;
    feedLoads();
    if (error < 0 && track == 0)
        emit failed();
    else if (id >= 0 && id == lastStarted_)
        onStartFile(id);  // the start came before the reply
}

void MpvDriver::onProperty(const mpv_event& ev)
{
    const auto* p = static_cast<const mpv_event_property*>(ev.data);
    if (ev.reply_userdata == PropMute && p->format == MPV_FORMAT_FLAG)
        engineMuted_ = *static_cast<int*>(p->data) != 0;
    else if (ev.reply_userdata == PropTimePos && p->format == MPV_FORMAT_DOUBLE)
        onTimePos(*static_cast<double*>(p->data));
}

void MpvDriver::onTimePos(double seconds)
{
    if (track_.phase != Phase::Loaded || track_.seeking || !std::isfinite(seconds))
        return;
    if (track_.sinceReport.isValid())
        track_.reportGapMs = track_.sinceReport.elapsed();
    track_.positionMs = qint64(std::llround(std::max(0.0, seconds) * 1000.0));
    track_.sinceReport.restart();
}

}  // namespace corvane
