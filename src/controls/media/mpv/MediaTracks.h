#pragma once
// The tracks of one open media: a single file, or the playable files of a
// playlist in order. Each track keeps its probed length and where it starts
// on the media's time line, so that a position on the whole media maps to a
// track and a time inside it.
#include "MediaProbe.h"

#include <chrono>
#include <QList>
#include <QString>
#include <QStringList>

namespace corvane {

struct MediaTrack {
    QString path;
    MediaInfo info;
    bool video = false;  // shows a picture (a video device type and a video stream)
    qint64 startMs = 0;  // start on the media's time line
};

class MediaTracks {
public:
    // Probing all the tracks of a list holds the caller no longer than one
    // file may: tracks not probed within this budget are dropped.
    static constexpr std::chrono::milliseconds kListProbeBudget = MediaProbe::kLimit;

    // A track for one probed file; unplayable info gives no track.
    void append(const QString& path, const MediaInfo& info, bool allowVideo);

    // The playable files among `paths`, in order. Files without sound are
    // unplayable when allowVideo is false. A path named more than once is
    // probed once. The files are probed on a few threads at once, the
    // caller's among them; it returns when all are probed. Files not probed
    // when the budget is spent are dropped, with all after them.
    static MediaTracks probeAll(const QStringList& paths, bool allowVideo,
                                std::chrono::milliseconds budget = kListProbeBudget);

    int count() const { return int(tracks_.size()); }
    bool isEmpty() const { return tracks_.isEmpty(); }
    const MediaTrack& at(int i) const { return tracks_.at(i); }
    qint64 lengthMs() const { return lengthMs_; }
    // The track that plays at `ms` (the last one at or past the end).
    int indexAt(qint64 ms) const;
    bool anyVideo() const;
    QStringList paths() const;

private:
    QList<MediaTrack> tracks_;
    qint64 lengthMs_ = 0;
};

}  // namespace corvane
