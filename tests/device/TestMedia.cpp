#include "TestMedia.h"

#include <QDir>
#include <QProcess>

namespace corvane::test {

QString makeMedia(const QString& dir, const QString& name, const QStringList& args)
{
    const QString out = QDir(dir).absoluteFilePath(name);
    QProcess p;
    p.start("ffmpeg", QStringList{"-nostdin", "-loglevel", "error", "-y"} + args + QStringList{out});
    return p.waitForFinished(60000) && p.exitCode() == 0 ? out : QString();
}

QStringList lavfi(const QString& source, double seconds)
{
    return {"-f", "lavfi", "-i", source + ":duration=" + QString::number(seconds)};
}

QString makeWav(const QString& dir, const QString& name, double seconds)
{
    return makeMedia(dir, name, lavfi("sine=frequency=440", seconds));
}

QByteArray midiBytes(int beats)
{
    // One track: tempo, program change, a note a beat; the tempo halves after the first.
    QByteArray t("\x00\xff\x51\x03\x07\xa1\x20\x00\xc0\x00", 10);
    for (int i = 0; i < beats; ++i)
        t.append("\x00\x90\x3c\x60\x83\x60\x80\x3c\x00", 9)
                .append(i ? "" : QByteArray("\x00\xff\x51\x03\x0f\x42\x40", 7));
    t.append("\x00\xff\x2f\x00", 4);
    const char size[] = {0, 0, char(t.size() >> 8), char(t.size())};
    return QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xe0MTrk", 18) + QByteArray(size, 4) + t;
}

DeviceHarness::DeviceHarness(MediaDeviceOptions outputs)
    : device(std::make_unique<MediaDevice>(nullptr, std::move(outputs)))
{
    device->advise([this](DispId ev, const Args&) {
        if (ev == dispid::mci::Done)
            completions.append({position(), length()});
        statusUpdates += ev == dispid::mci::StatusUpdate;
    });
}

void DeviceHarness::open(const QString& type, const QString& path)
{
    device->put(dispid::mci::DeviceType, type);
    device->put(dispid::mci::FileName, path);
    command("open");
}

}  // namespace corvane::test
