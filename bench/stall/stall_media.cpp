// Writes the stall benchmark's written-byte media into DIR:
//   a.swf, b.swf  the two timed movies of the Flash benchmarks (b.swf on green)
// Prints the two movies' background colours as "a=RRGGBB b=RRGGBB".
#include "TimedMovies.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const TimedMovies movies;
    if (movies.write(dir).isEmpty())
        return 1;
    const auto hex = [](const QColor& c) { return c.name().mid(1).toUtf8(); };
    std::printf("a=%s b=%s\n", hex(movies.a.background).constData(), hex(movies.b.background).constData());
    return 0;
}
