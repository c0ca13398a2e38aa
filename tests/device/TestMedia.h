#pragma once
// Test media made on the spot: ffmpeg for the sampled kinds, written bytes for
// MIDI and its RIFF wrap. Nothing is shipped with the tests.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvane::test {

// Runs ffmpeg with a lavfi source and the given output arguments; returns the
// absolute path of the file made in dir, or an empty string.
QString makeMedia(const QString& dir, const QString& name, const QStringList& args);

// One-second media of each kind.
QString makeWav(const QString& dir, const QString& name = QStringLiteral("tone.wav"), double seconds = 1.0);
QString makeAvi(const QString& dir, double seconds = 1.0);
QString makeVideoOnly(const QString& dir, double seconds = 1.0);

// A format-1 MIDI file of two tracks, 480 ticks a beat, 120 bpm for the first
// beat and 60 bpm after, so 500 + 1000 * (beats - 1) ms long.
QByteArray midiBytes(int beats = 2);
// The same wrapped as RIFF RMID.
QByteArray rmidBytes(const QByteArray& smf);

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes);

} // namespace corvane::test
