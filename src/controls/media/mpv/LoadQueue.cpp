#include "LoadQueue.h"

namespace corvane {

void LoadQueue::reset(int trackCount)
{
    count_ = trackCount;
    next_ = 0;
    inFlight_ = 0;
    generation_ = (generation_ + 1) & 0x7fffffffu;  // 31 bits travel in a request tag
    entries_.clear();
}

int LoadQueue::takeNext()
{
    if (next_ >= count_ || inFlight_ >= kMaxInFlight)
        return -1;
    ++inFlight_;
    return next_++;
}

bool LoadQueue::answered(quint32 generation, int track, int64_t entryId)
{
    if (generation != generation_ || track < 0 || track >= next_)
        return false;
    --inFlight_;
    if (entryId >= 0)
        entries_.insert(entryId, track);
    return true;
}

}  // namespace corvane
