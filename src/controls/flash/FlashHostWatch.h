#pragma once
// How long the display area gives its host process, and how often it may
// start one. A host must say it runs within StartMs of its start, and then
// answer the area's heartbeat: one that is silent for SilenceMs is taken
// for hung and ended. Each call that waits for an answer has a deadline of
// its own; at its end the answer is "none". Starts that no person asked
// for (a movie taken up again by a new host) are limited, so that a movie
// that brings its host down again and again never keeps a core busy.
#include <QtGlobal>

#include <deque>

namespace corvane::flashwatch {

inline constexpr int HeartbeatMs = 1000;
inline constexpr int SilenceMs = 5000;
inline constexpr int StartMs = 30000;
// More messages than this in a heartbeat is no page drawing: a flood. So
// is a host that outruns the area's reading, turn after turn, for longer
// than this many turns (of a few milliseconds each) in a heartbeat.
inline constexpr int MostMessagesPerBeat = 20000;
inline constexpr int MostOverrunTurnsPerBeat = 20;
// Deadlines of the calls that answer.
inline constexpr int MenuMs = 3000;
inline constexpr int EvaluateMs = 20000;
inline constexpr int MovieTakenMs = 20000;
// At the program's end, what the movies saved is waited for this long.
inline constexpr int KeepSavedMs = 1200;
// Starts of hosts that no person asked for: this many in this long.
inline constexpr int AutomaticStarts = 3;
inline constexpr qint64 StartWindowMs = 60000;

// Counts the hosts started; a start a person asked for (a Flash opening)
// is always allowed.
class StartLimit {
public:
    bool allow(bool byPerson, qint64 nowMs)
    {
        while (!starts_.empty() && nowMs - starts_.front() >= StartWindowMs)
            starts_.pop_front();
        if (!byPerson && starts_.size() >= size_t(AutomaticStarts))
            return false;
        starts_.push_back(nowMs);
        return true;
    }

private:
    std::deque<qint64> starts_;
};

}  // namespace corvane::flashwatch
