#pragma once
// What the desktop may know of the player and ask of it. The window that
// hosts the player answers; every request goes the way a click of the
// matching control goes, so a request for a control that cannot be used
// does what a click on it does: nothing.
#include <QString>

namespace corvane {

enum class PlaybackStatus { Stopped, Paused, Playing };

// The player as the window shows it now.
struct PlayerSnapshot {
    PlaybackStatus status = PlaybackStatus::Stopped;
    QString file;           // the open media's path; empty when nothing is open
    qint64 lengthMs = -1;   // -1: the media has no length (a Flash movie)
    qint64 positionMs = 0;  // the slider's
    bool canPlay = false;   // the transport buttons that can be clicked
    bool canPause = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool muted = false;

    // Everything but the position, which moves all the time.
    bool sameShown(const PlayerSnapshot& o) const
    {
        return status == o.status && file == o.file && lengthMs == o.lengthMs && canPlay == o.canPlay
                && canPause == o.canPause && canGoNext == o.canGoNext && canGoPrevious == o.canGoPrevious
                && muted == o.muted;
    }
};

enum class Transport { Play, Pause, Stop, Next, Previous };

class PlayerView {
public:
    virtual ~PlayerView() = default;
    virtual PlayerSnapshot snapshot() const = 0;
    virtual void press(Transport button) = 0;
    virtual void setMuted(bool muted) = 0;
    virtual void raiseWindow() = 0;
    virtual void quit() = 0;
};

}  // namespace corvane
