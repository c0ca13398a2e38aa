#pragma once
// Files the tests write for themselves.
#include <QByteArray>
#include <QList>
#include <QString>

namespace corvane::test {

// Writes dir/name (making its folders); its absolute path, or "" on failure.
QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes);

// A channel message or meta event at its tick.
struct MidiEvent {
    int tick;
    QByteArray message;
};
// A format-0 file, 480 ticks a beat at the default 120 bpm, of these events
// in the order of their ticks (in the order given at one tick), its end of
// track after the last.
QByteArray midiFile(QList<MidiEvent> events);

}  // namespace corvane::test
