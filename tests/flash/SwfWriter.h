#pragma once
// Writes small uncompressed Flash movies for the tests: a background colour
// and one square that PlaceObject2 moves across the stage over the frames,
// with actions in the first frame that ask for URLs.
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QStringList>
#include <utility>

namespace corvane::test {

struct SwfMovie {
    QColor background = QColor(0x20, 0x40, 0x80);
    QColor square = QColor(0xE0, 0x30, 0x30);
    int frameRate = 24;
    int frames = 16;
    int padding = 0;                             // bytes of unused binary data, to make a large movie
    QList<std::pair<QString, QString>> getUrls;  // getURL(url, target)
    QStringList loadMovies;                      // loadMovie(url, "_level2")
    QByteArray firstFrameActions;                // more AVM1 actions for the first frame (SwfActions.h)
};

QByteArray writeSwf(const SwfMovie& movie);

}  // namespace corvane::test
