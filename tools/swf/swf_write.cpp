// swf_write OUT.swf: writes the tests' moving-square movie, for the script
// tests that open a Flash movie through the window as a person does.
#include "SwfWriter.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: swf_write OUT.swf\n", stderr);
        return 2;
    }
    constexpr int Frames = 48;  // two seconds at 24 frames a second
    corvane::test::SwfMovie movie;
    movie.frames = Frames;
    QFile out(QString::fromLocal8Bit(argv[1]));
    const QByteArray swf = corvane::test::writeSwf(movie);
    return out.open(QIODevice::WriteOnly) && out.write(swf) == swf.size() ? 0 : 1;
}
