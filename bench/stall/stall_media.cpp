// Writes the stall benchmark's written-byte media into DIR:
//   a.swf, b.swf  the two timed movies of the Flash benchmarks (b.swf on green)
//   song.mid      3 s: six notes of a beat each at 120 beats a minute
//   big.mid       600,000 notes of 1/60 s in running status (over 1.2 MB)
// Prints the two movies' background colours as "a=RRGGBB b=RRGGBB".
#include "TimedMovies.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

// Format 0, 480 ticks a beat, 120 beats a minute (the default tempo).
QByteArray midi(int notes)
{
    QByteArray ev("\x00\xc0\x00", 3);  // piano
    if (notes == 0) {
        for (char key : {char(60), char(62), char(64), char(65), char(67), char(72)}) {
            ev.append("\x00\x90", 2).append(key).append(char(0x60));
            ev.append("\x83\x60", 2).append(key).append(char(0));  // a beat later, off
        }
    } else {
        ev.append("\x00\x90", 2);
        for (int i = 0; i < notes; ++i) {
            const char key = char(48 + i % 36);
            if (i > 0)
                ev.append(char(0));
            ev.append(key).append(char(0x50)).append(char(16)).append(key).append(char(0));
        }
    }
    ev.append("\x00\xff\x2f\x00", 4);
    QByteArray out("MThd\0\0\0\x06\0\0\0\x01\x01\xe0MTrk", 18);
    for (int s = 24; s >= 0; s -= 8)
        out.append(char((ev.size() >> s) & 0xff));
    return out + ev;
}

bool write(const QDir& dir, const char* name, const QByteArray& bytes)
{
    QFile f(dir.filePath(QLatin1String(name)));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const TimedMovies movies;
    if (movies.write(dir).isEmpty() || !write(dir, "song.mid", midi(0)) || !write(dir, "big.mid", midi(600000)))
        return 1;
    const auto hex = [](const QColor& c) { return c.name().mid(1).toUtf8(); };
    std::printf("a=%s b=%s\n", hex(movies.a.background).constData(), hex(movies.b.background).constData());
    return 0;
}
