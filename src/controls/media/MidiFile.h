#pragma once
// A Standard MIDI File, read far enough to check it and to time it: the
// total length in ticks (the longest track, its end-of-track event included)
// and the tempo map, which convert ticks to milliseconds and back. RIFF RMID
// files are unwrapped to the plain file they carry.
#include <optional>
#include <QByteArray>
#include <QString>
#include <vector>

namespace corvane {

class MidiFile {
public:
    // Parses bytes that hold a Standard MIDI File or an RMID wrap of one.
    // Returns nothing, and says why in problem, when they are not a whole,
    // well-formed file with at least one track.
    static std::optional<MidiFile> parse(const QByteArray& bytes, QString* problem = nullptr);
    // The plain MIDI file inside an RMID wrap; other bytes as they are.
    static QByteArray unwrapRmid(const QByteArray& bytes);

    const QByteArray& smf() const { return smf_; }
    int trackCount() const { return tracks_; }
    qint64 totalTicks() const { return totalTicks_; }
    qint64 lengthMs() const { return qint64(tickToMs(totalTicks_)); }
    double tickToMs(qint64 tick) const;
    qint64 msToTick(double ms) const;

private:
    struct TempoPoint {
        qint64 tick;
        double ms;         // time at this tick
        double msPerTick;  // from this tick on
    };
    QByteArray smf_;
    int tracks_ = 0;
    qint64 totalTicks_ = 0;
    std::vector<TempoPoint> tempo_;
};

}  // namespace corvane
