#pragma once
// A Standard MIDI File read once, leniently, into exactly what is played.
// The reading gives the length in ticks, the tempo map (ticks to
// milliseconds and back) and a clean format-0 file of the events kept, which
// is what the synthesizer is handed; so length and sound come from one
// reading. RIFF RMID files are unwrapped to the plain file they carry.
//
// How lenient:
//  - chunks other than MTrk are skipped by their length;
//  - status bytes F1-F6 and F8-FE inside a track are skipped with the data
//    bytes their kind carries (song position 2, quarter frame and song
//    select 1, the rest none);
//  - running status survives meta events and system exclusive messages;
//  - a track cut short (by its chunk, the file or a malformed event) keeps
//    the events before the cut and ends with the last of them;
//  - format 2 plays its tracks one after another, each from the default
//    tempo.
// A file without a note (only tempo, text or system exclusive events) plays
// as silence for its length. Refused: no MThd at the start, a format above 2,
// time in SMPTE frames, no track, or no event and no time at all.
#include <optional>
#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace corvane {

// Offset and size of each track chunk's data, cut to the bytes there are.
using MidiChunks = std::vector<std::pair<qsizetype, qsizetype>>;

class MidiFile {
public:
    // Parses bytes that hold a Standard MIDI File or an RMID wrap of one.
    // Returns nothing, and says why in problem, when they hold nothing to play.
    static std::optional<MidiFile> parse(const QByteArray& bytes, QString* problem = nullptr);
    // The plain MIDI file inside an RMID wrap (as much of it as is there);
    // other bytes as they are.
    static QByteArray unwrapRmid(const QByteArray& bytes);

    // The clean format-0 file of the events read: one track, every status
    // byte written out, channel messages, tempo changes and system exclusive
    // messages, and its end of track at totalTicks(). Reads the file again,
    // so it takes about as long as parse(); safe on any thread.
    QByteArray writeSmf() const;
    int trackCount() const { return int(chunks_.size()); }
    qint64 eventCount() const { return events_; }
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
    QByteArray bytes_;  // the plain file
    quint32 division_ = 0;
    bool chained_ = false;  // format 2
    MidiChunks chunks_;
    qint64 events_ = 0;
    qint64 totalTicks_ = 0;
    std::vector<TempoPoint> tempo_;
};

}  // namespace corvane
