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
    p.start(QStringLiteral("ffmpeg"),
            QStringList{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"} + args + QStringList{out});
    if (p.waitForFinished(60000) && p.exitCode() == 0)
        return out;
    qWarning("ffmpeg failed for %s: %s", qPrintable(name), p.readAll().constData());
    return {};
}

QString makeWav(const QString& dir, const QString& name, double seconds)
{
    return makeMedia(dir, name,
                     {"-f", "lavfi", "-i", QStringLiteral("sine=frequency=440:duration=%1").arg(seconds), "-ac", "1"});
}

QString makeAvi(const QString& dir, double seconds)
{
    const QString d = QString::number(seconds);
    return makeMedia(dir, QStringLiteral("clip.avi"),
                     {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=" + d, "-f", "lavfi", "-i",
                      "sine=frequency=330:duration=" + d, "-c:v", "mpeg4", "-c:a", "pcm_s16le", "-shortest"});
}

QString makeVideoOnly(const QString& dir, double seconds)
{
    return makeMedia(dir, QStringLiteral("silent.avi"),
                     {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=" + QString::number(seconds),
                      "-c:v", "mpeg4"});
}

static void put32(QByteArray& b, quint32 v, bool bigEndian)
{
    for (int i = 0; i < 4; ++i)
        b.append(char(v >> (bigEndian ? 24 - 8 * i : 8 * i)));
}

static void chunk(QByteArray& out, const char* id, const QByteArray& body)
{
    out.append(id, 4);
    put32(out, quint32(body.size()), true);
    out.append(body);
}

QByteArray midiBytes(int beats)
{
    // Track 1: tempo 500000 us/beat at 0, 1000000 us/beat at tick 480 (delta 83 60).
    const QByteArray t1("\x00\xff\x51\x03\x07\xa1\x20\x83\x60\xff\x51\x03\x0f\x42\x40\x00\xff\x2f\x00", 19);
    // Track 2: a program change, then a note a beat, its note-off in running status.
    QByteArray t2("\x00\xc0\x00", 3);
    for (int i = 0; i < beats; ++i)
        t2.append("\x00\x90\x3c\x60\x83\x60\x3c\x00", 8);
    t2.append("\x00\xff\x2f\x00", 4);
    QByteArray out;
    chunk(out, "MThd", QByteArray("\x00\x01\x00\x02\x01\xe0", 6));  // format 1, 2 tracks, 480 ticks a beat
    chunk(out, "MTrk", t1);
    chunk(out, "MTrk", t2);
    return out;
}

QByteArray rmidBytes(const QByteArray& smf)
{
    QByteArray data("RMIDdata", 8);
    put32(data, quint32(smf.size()), false);
    data.append(smf).append(smf.size() % 2 ? 1 : 0, '\0');
    QByteArray out("RIFF", 4);
    put32(out, quint32(data.size()), false);
    return out.append(data);
}

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(dir).absoluteFilePath(name);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString();
}

} // namespace corvane::test
