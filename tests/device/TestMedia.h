#pragma once
// Test media made on the spot (ffmpeg; MIDI as bytes), and a real media device
// with null outputs driven as the program drives it, logging each completion
// as (position, length) at that moment.
#include "DispatchIds.h"
#include "media/MediaDevice.h"
#include "TestFiles.h"

#include <memory>
#include <QTest>

namespace corvane::test {

// ffmpeg with these arguments, writing dir/name; its absolute path, or "".
QString makeMedia(const QString& dir, const QString& name, const QStringList& args);
QStringList lavfi(const QString& source, double seconds);  // an input of a lavfi source
QString makeWav(const QString& dir, const QString& name = QStringLiteral("tone.wav"), double seconds = 1.0);
// 480 ticks a beat, 120 bpm for the first beat, 60 after: 500 + 1000 * (beats - 1) ms.
QByteArray midiBytes(int beats = 2);

struct DeviceHarness {
    explicit DeviceHarness(MediaDeviceOptions outputs = {QStringLiteral("null"), QStringLiteral("null")});
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
