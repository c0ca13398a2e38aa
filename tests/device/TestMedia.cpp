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

static QStringList lavfi(const char* source, double seconds)
{
    return {"-f", "lavfi", "-i", QString::fromLatin1(source) + ":duration=" + QString::number(seconds)};
}

QString makeWav(const QString& dir, const QString& name, double seconds)
{
    return makeMedia(dir, name, lavfi("sine=frequency=440", seconds));
}

QString makeAvi(const QString& dir, double seconds)
{
    return makeMedia(dir, "clip.avi",
                     lavfi("testsrc=size=160x120:rate=25", seconds) + lavfi("sine=frequency=330", seconds)
                             + QStringList{"-c:v", "mpeg4", "-c:a", "pcm_s16le", "-shortest"});
}

QString makeVideoOnly(const QString& dir, double seconds)
{
    return makeMedia(dir, "silent.avi", lavfi("testsrc=size=160x120:rate=25", seconds) + QStringList{"-c:v", "mpeg4"});
}

// A 32-bit number, big- or little-endian.
static QByteArray u32(quint32 v, bool bigEndian)
{
    QByteArray b;
    for (int i = 0; i < 4; ++i)
        b.append(char(v >> (bigEndian ? 24 - 8 * i : 8 * i)));
    return b;
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
    // Format 1, 2 tracks, 480 ticks a beat.
    return "MThd" + u32(6, true) + QByteArray("\x00\x01\x00\x02\x01\xe0", 6) + "MTrk" + u32(quint32(t1.size()), true)
            + t1 + "MTrk" + u32(quint32(t2.size()), true) + t2;
}

QByteArray rmidBytes(const QByteArray& smf)
{
    const QByteArray data = "RMIDdata" + u32(quint32(smf.size()), false) + smf + QByteArray(smf.size() % 2, '\0');
    return "RIFF" + u32(quint32(data.size()), false) + data;
}

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = QDir(dir).absoluteFilePath(name);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString();
}

}  // namespace corvane::test
