#include "TestMedia.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace corvane::test {

QString makeMedia(const QString& dir, const QString& name, const QStringList& args)
{
    const QString out = QDir(dir).absoluteFilePath(name);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("ffmpeg", QStringList{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"} + args + QStringList{out});
    const bool made = p.waitForFinished(60000) && p.exitCode() == 0;
    if (!made)
        qWarning("ffmpeg failed for %s: %s", qPrintable(name), p.readAll().constData());
    return made ? out : QString();
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
    // Format 0: tempo 500000 us a beat, a program change, a note a beat;
    // after the first, tempo 1000000 us a beat.
    QByteArray t("\x00\xff\x51\x03\x07\xa1\x20\x00\xc0\x00", 10);
    for (int i = 0; i < beats; ++i) {
        t.append("\x00\x90\x3c\x60\x83\x60\x80\x3c\x00", 9);
        if (i == 0)
            t.append("\x00\xff\x51\x03\x0f\x42\x40", 7);
    }
    t.append("\x00\xff\x2f\x00", 4);
    QByteArray size(4, '\0');
    for (int i = 0; i < 4; ++i)
        size[i] = char(t.size() >> (24 - 8 * i));
    return QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xe0MTrk", 18) + size + t;
}

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(dir).absoluteFilePath(name);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString();
}

DeviceHarness::DeviceHarness(MediaDeviceOptions options)
    : device(std::make_unique<MediaDevice>(nullptr, std::move(options)))
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
