#include "MediaTracks.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <QHash>
#include <QSemaphore>
#include <QThreadPool>

namespace corvane {

void MediaTracks::append(const QString& path, const MediaInfo& info, bool allowVideo)
{
    if (!info.playable || info.lengthMs <= 0 || (!allowVideo && !info.hasAudio))
        return;
    tracks_.append(MediaTrack{path, info, allowVideo && info.hasVideo, lengthMs_});
    lengthMs_ += info.lengthMs;
}

namespace {

using Clock = std::chrono::steady_clock;

// Threads besides the caller's that probe a list. Probing is mostly
// waiting on the file system for small reads, so a few more than the cores.
constexpr int kProbeThreads = 4;

QThreadPool& probePool()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;  // lives as long as the program
        p->setMaxThreadCount(kProbeThreads);
        return p;
    }();
    return *pool;
}

// The distinct paths, each probed once by whichever thread takes it next.
struct ListProbe {
    QStringList distinct;
    std::vector<std::optional<MediaInfo>> infos;
    std::atomic_int next{0};
    Clock::time_point deadline;

    void work()
    {
        for (int i = next++; i < distinct.size(); i = next++) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return;  // this one and the rest stay unprobed
            infos[size_t(i)] = MediaProbe::probe(distinct[i], std::min(left, MediaProbe::kLimit));
        }
    }
};

}  // namespace

MediaTracks MediaTracks::probeAll(const QStringList& paths, bool allowVideo, std::chrono::milliseconds budget)
{
    ListProbe job;
    job.deadline = Clock::now() + budget;
    QHash<QString, int> index;
    for (const QString& path : paths) {
        if (!index.contains(path)) {
            index.insert(path, int(job.distinct.size()));
            job.distinct += path;
        }
    }
    job.infos.resize(size_t(job.distinct.size()));
    // Each helper ends within one probe's bound of the deadline; the caller
    // waits for all of them, so nothing outlives this call.
    const int helpers = std::min(kProbeThreads, int(job.distinct.size()) - 1);
    QSemaphore done;
    for (int h = 0; h < helpers; ++h)
        probePool().start([&job, &done] {
            job.work();
            done.release();
        });
    job.work();
    done.acquire(std::max(0, helpers));
    MediaTracks out;
    for (const QString& path : paths) {
        const std::optional<MediaInfo>& info = job.infos[size_t(index.value(path))];
        if (!info)
            break;  // not probed in time: the rest is dropped
        out.append(path, *info, allowVideo);
    }
    return out;
}

int MediaTracks::indexAt(qint64 ms) const
{
    // The last track that starts at or before ms.
    auto it = std::upper_bound(tracks_.cbegin(), tracks_.cend(), ms,
                               [](qint64 v, const MediaTrack& t) { return v < t.startMs; });
    return std::max(0, int(it - tracks_.cbegin()) - 1);
}

bool MediaTracks::anyVideo() const
{
    return std::any_of(tracks_.cbegin(), tracks_.cend(), [](const MediaTrack& t) { return t.video; });
}

QStringList MediaTracks::paths() const
{
    QStringList out;
    out.reserve(tracks_.size());
    for (const MediaTrack& t : tracks_)
        out += t.path;
    return out;
}

}  // namespace corvane
