#include "TestFiles.h"

#include <algorithm>
#include <QDir>
#include <QFile>
#include <QtEndian>

namespace corvane::test {

QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(QDir::cleanPath(QDir(dir).absoluteFilePath(name)));
    const bool ok = QDir().mkpath(QFileInfo(f).absolutePath()) && f.open(QIODevice::WriteOnly)
            && f.write(bytes) == bytes.size();
    return ok ? f.fileName() : QString();
}

QByteArray midiFile(QList<MidiEvent> events)
{
    std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) { return a.tick < b.tick; });
    QByteArray t;
    int last = 0;
    for (const MidiEvent& e : events) {
        // The delta time: 7 bits a byte, the most significant first.
        quint32 delta = quint32(e.tick - last);
        QByteArray number(1, char(delta & 0x7f));
        while ((delta >>= 7))
            number.prepend(char(0x80 | (delta & 0x7f)));
        t.append(number).append(e.message);
        last = e.tick;
    }
    t.append("\x00\xff\x2f\x00", 4);
    QByteArray size(4, 0);
    qToBigEndian(quint32(t.size()), size.data());
    return QByteArray("MThd\0\0\0\x06\0\0\0\x01\x01\xe0MTrk", 18) + size + t;
}

}  // namespace corvane::test
