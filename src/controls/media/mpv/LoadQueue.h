#pragma once
// Which tracks of an open media have been handed to the engine, and which
// engine playlist entry each became. The engine refuses asynchronous requests
// once about a thousand replies are outstanding, so a long list is handed
// over a few loads at a time, as the replies come back. Each media opened
// is a new generation: replies and entries of an earlier one are stale.
// Knows nothing of the engine.
#include <cstdint>
#include <QHash>
#include <QtGlobal>

namespace corvane {

class LoadQueue {
public:
    static constexpr int kMaxInFlight = 64;

    // A new media of trackCount tracks: nothing handed over yet.
    void reset(int trackCount);
    quint32 generation() const { return generation_; }

    // The next track to hand over now, or -1 (all handed over, or too many
    // loads unanswered).
    int takeNext();
    bool handedOver(int track) const { return track < next_; }

    // The answer to the load of `track` sent under `generation`: the entry
    // it became, or -1 when refused. False when it belongs to an earlier
    // media (and was not counted).
    bool answered(quint32 generation, int track, int64_t entryId);
    // Our track that an engine entry plays, or -1.
    int trackOf(int64_t entryId) const { return entries_.value(entryId, -1); }

private:
    int count_ = 0;
    int next_ = 0;
    int inFlight_ = 0;
    quint32 generation_ = 0;
    QHash<int64_t, int> entries_;
};

}  // namespace corvane
