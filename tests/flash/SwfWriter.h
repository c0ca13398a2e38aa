#pragma once
// Writes small uncompressed Flash movies for the tests: a background colour,
// one square moved across the stage by PlaceObject2 over a number of frames,
// and optionally frame actions that ask for URLs.
#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>

namespace corvane::test {

struct SwfMovie {
    int width = 200;   // stage, pixels
    int height = 150;
    int frameRate = 12;
    int frames = 24;
    QColor background = QColor(0x20, 0x40, 0x80);
    QColor square = QColor(0xE0, 0x30, 0x30);
    int squareSize = 40;
    // Bytes of unused binary data, to make a large movie.
    int padding = 0;
    // Actions of the first frame: each is getURL(url, target).
    struct Request {
        QString url;
        QString target;
    };
    QList<Request> getUrls;
    // Actions of the first frame: each is loadMovie(url, "_level2") by way of
    // a GetURL2 action with the target taken from the stack.
    QStringList loadMovies;
};

QByteArray writeSwf(const SwfMovie& movie);

} // namespace corvane::test
