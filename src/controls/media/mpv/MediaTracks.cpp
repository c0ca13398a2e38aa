#include "MediaTracks.h"

#include <algorithm>
#include <QHash>

namespace corvane {

void MediaTracks::append(const QString& path, const MediaInfo& info, bool allowVideo)
{
    if (!info.playable || info.lengthMs <= 0 || (!allowVideo && !info.hasAudio))
        return;
    tracks_.append(MediaTrack{path, info, allowVideo && info.hasVideo, lengthMs_});
    lengthMs_ += info.lengthMs;
}

MediaTracks MediaTracks::probeAll(const QStringList& paths, bool allowVideo, std::chrono::milliseconds budget)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + budget;
    MediaTracks out;
    QHash<QString, MediaInfo> seen;
    for (const QString& path : paths) {
        auto it = seen.constFind(path);
        if (it == seen.constEnd()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                break;  // the rest is dropped
            it = seen.insert(path, MediaProbe::probe(path, std::min(left, MediaProbe::kLimit)));
        }
        out.append(path, *it, allowVideo);
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
