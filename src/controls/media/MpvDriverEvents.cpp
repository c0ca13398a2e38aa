// The event side of the mpv driver: engine events, drained on the GUI
// thread, turned into the driver's state and signals.
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
        lastStartedEntry_ = static_cast<const mpv_event_start_file*>(ev.data)->playlist_entry_id;
        onStartFile(lastStartedEntry_);
        break;
    case MPV_EVENT_FILE_LOADED:
        if (current_) {
            fileLoaded_ = true;
            if (!pendingSeekTarget_.isEmpty()) {
                command(TagSeek, {"seek", pendingSeekTarget_.constData(), pendingSeekFlags_});
                pendingSeekTarget_.clear();
            }
        }
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(ev.data);
        const int k = entryTrack_.value(end->playlist_entry_id, -1);
        if (!current_ || k != index_)
            break;  // a track we left, or media replaced or closed
        current_ = false;
        trackEnded_ = true;
        fileLoaded_ = false;
        if (end->reason == MPV_END_FILE_REASON_ERROR && tracks_.count() == 1) {
            emit failed();
            break;
        }
        if (end->reason != MPV_END_FILE_REASON_EOF && end->reason != MPV_END_FILE_REASON_ERROR)
            break;
        if (k + 1 < tracks_.count()) {
            positionMs_ = tracks_.at(k).info.lengthMs;  // the engine goes on with the next track
        } else if (wantPlay_ && !endReported_) {
            endReported_ = true;
            wantPlay_ = false;
            emit ended();
        }
        break;
    }
    case MPV_EVENT_COMMAND_REPLY:
        if (ev.reply_userdata & kLoadTag) {
            const int track = loadTrack(ev.reply_userdata);
            if (!loaded_ || loadGeneration(ev.reply_userdata) != loadGeneration(loadTag(generation_, 0)))
                break;
            --loadsInFlight_;
            feedLoads();
            if (ev.error < 0) {
                if (track == 0)
                    emit failed();
                break;
            }
            const int64_t id = entryIdOf(static_cast<const mpv_event_command*>(ev.data)->result);
            if (id >= 0)
                entryTrack_.insert(id, track);
            if (id >= 0 && id == lastStartedEntry_)
                onStartFile(id);  // the start came before the reply
        } else if (ev.reply_userdata == TagSeek && ev.error < 0) {
            seeking_ = false;
        } else if (ev.reply_userdata == TagJump) {
            jumpsInFlight_ = qMax(0, jumpsInFlight_ - 1);
            if (ev.error < 0 && loaded_ && jumpTo_ >= 0)
                emit failed();
        }
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (current_) {
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
        if (ev.reply_userdata == PropPause) {
            // The pause flag is the engine's, not a file's.
            paused_ = p->format == MPV_FORMAT_FLAG && *static_cast<int*>(p->data) != 0;
            checkEnd();
            break;
        }
        if (!current_)
            break;
        if (ev.reply_userdata == PropTimePos) {
            if (p->format == MPV_FORMAT_DOUBLE && fileLoaded_ && !seeking_) {
                const double t = *static_cast<double*>(p->data);
                if (std::isfinite(t)) {
                    positionMs_ = qint64(std::llround(std::max(0.0, t) * 1000.0));
                    sinceTimePos_.restart();
                }
            }
        } else if (ev.reply_userdata == PropEof) {
            eof_ = p->format == MPV_FORMAT_FLAG && *static_cast<int*>(p->data) != 0;
            checkEnd();
        }
        break;
    }
    default: break;
    }
}

void MpvDriver::onStartFile(int64_t entryId)
{
    const int k = entryTrack_.value(entryId, -1);
    // While a jump is under way, only the start it asked for counts: the
    // engine may still start a track by itself before it takes the jump.
    if (!loaded_ || k < 0 || (jumpTo_ >= 0 && (k != jumpTo_ || jumpsInFlight_ > 0 || jumpQueued_))) {
        current_ = false;
        return;
    }
    if (jumpTo_ < 0 && k != index_) {
        // The engine went on to the next track by itself.
        positionMs_ = 0;
        seeking_ = false;
        pendingSeekTarget_.clear();
    }
    jumpTo_ = -1;
    index_ = k;
    current_ = true;
    trackEnded_ = false;
    fileLoaded_ = false;
    restarted_ = false;
    eof_ = false;
    if (k != shownTrack_)
        showTrack(k);
}

void MpvDriver::checkEnd()
{
    if (current_ && index_ == tracks_.count() - 1 && wantPlay_ && eof_ && paused_ && !endReported_ && !seeking_) {
        endReported_ = true;
        wantPlay_ = false;
        emit ended();
    }
}

}  // namespace corvane
