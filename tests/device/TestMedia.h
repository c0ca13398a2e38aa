#pragma once
// Test media made on the spot (ffmpeg for the sampled kinds, bytes for MIDI),
// and a real media device with null outputs driven through the dispatch
// interface as the program drives it; it logs each completion as
// (position, length) at that moment.
#include "DispatchIds.h"
#include "media/MediaDevice.h"

#include <memory>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTest>

namespace corvane::test {

// ffmpeg with the given input and output arguments; the absolute path of the
// file made in dir, or an empty string.
QString makeMedia(const QString& dir, const QString& name, const QStringList& args);
QString makeWav(const QString& dir, const QString& name = QStringLiteral("tone.wav"), double seconds = 1.0);
// An ffmpeg input of a lavfi source ("sine=frequency=440") that many seconds long.
QStringList lavfi(const QString& source, double seconds);
// A MIDI file, 480 ticks a beat, 120 bpm for the first beat and 60 after:
// 500 + 1000 * (beats - 1) ms long.
QByteArray midiBytes(int beats = 2);
QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes);

struct DeviceHarness {
    explicit DeviceHarness(MediaDeviceOptions options = {QStringLiteral("null"), QStringLiteral("null")});
    void open(const QString& type, const QString& path);
    void command(const char* verb) { device->put(dispid::mci::Command, QString::fromLatin1(verb)); }
    int length() { return device->get(dispid::mci::Length).toInt(); }
    int position() { return device->get(dispid::mci::Position).toInt(); }
    bool waitForCompletions(int n, int ms)
    {
        return QTest::qWaitFor([&] { return completions.size() >= n; }, ms);
    }

    std::unique_ptr<MediaDevice> device;
    QList<QPair<int, int>> completions;
    int statusUpdates = 0;
};

}  // namespace corvane::test
