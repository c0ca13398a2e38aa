#pragma once
// Reads a media file's container with libavformat, the same library the
// playing engine demuxes with, to learn its length and streams before the
// engine has loaded it. Only the local file protocol is allowed, so nothing a
// file names (playlists, references, nested URLs) is ever opened, and the
// whole probe is cut off after a time limit. A plain PCM WAVE file is read
// from its header alone, to the same length the library gives. Probes may
// run on several threads at once.
#include <chrono>
#include <QByteArray>
#include <QSize>
#include <QString>

namespace corvane {

struct MediaInfo {
    bool playable = false;
    qint64 lengthMs = 0;
    bool hasAudio = false;
    bool hasVideo = false;  // a moving picture; cover art does not count
    QSize videoSize;        // display size in video pixels
    // The container to name to the engine, for a file whose head alone
    // (a clip of a frame or two) is too little for the engine's own guess.
    QByteArray container;
    QString problem;  // why not playable, for one diagnostic line
};

class MediaProbe {
public:
    // The longest one probe may hold its caller.
    static constexpr std::chrono::milliseconds kLimit{2000};

    static MediaInfo probe(const QString& absolutePath, std::chrono::milliseconds limit = kLimit);
};

}  // namespace corvane
