#pragma once
// Test media made on the spot: ffmpeg for the sampled kinds, written bytes for
// MIDI and its RIFF wrap. Nothing is shipped with the tests.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace corvane::test {

// ffmpeg with the given input and output arguments; the absolute path of the
// file made in dir, or an empty string. The others make media of each kind.
QString makeMedia(const QString& dir, const QString& name, const QStringList& args);
QString makeWav(const QString& dir, const QString& name = QStringLiteral("tone.wav"), double seconds = 1.0);
QString makeAvi(const QString& dir, double seconds = 1.0);
QString makeVideoOnly(const QString& dir, double seconds = 1.0);

// A format-1 MIDI file of two tracks, 480 ticks a beat, 120 bpm for the first
// beat and 60 bpm after, so 500 + 1000 * (beats - 1) ms long; and its RIFF RMID wrap.
QByteArray midiBytes(int beats = 2);
QByteArray rmidBytes(const QByteArray& smf);

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes);

}  // namespace corvane::test
