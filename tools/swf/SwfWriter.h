#pragma once
// Writes small uncompressed Flash movies for the tests: a background colour
// and one square that PlaceObject2 moves across the stage over the frames,
// with actions in the first frame that ask for URLs and add entries to the
// movie's menu.
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QStringList>
#include <utility>

namespace corvane::test {

// An entry the movie adds to its menu (an AVM1 ContextMenuItem on the root's
// menu): choosing it sets one property of the root to a number.
struct SwfMenuItem {
    QString caption;
    QString property;  // "_x", "_xscale", ...
    int value = 0;
    bool enabled = true;
};

struct SwfMovie {
    // Below 6, a player reads the movie's texts in the system's code page:
    // its URLs are then written in `codePage`.
    int version = 8;
    const char* codePage = "GB18030";
    QColor background = QColor(0x20, 0x40, 0x80);
    QColor square = QColor(0xE0, 0x30, 0x30);
    int frameRate = 24;
    int frames = 16;
    int padding = 0;                             // bytes of unused binary data, to make a large movie
    QList<std::pair<QString, QString>> getUrls;  // getURL(url, target)
    QStringList loadMovies;                      // loadMovie(url, "_level2")
    QByteArray firstFrameActions;                // more AVM1 actions for the first frame (SwfActions.h)
    QList<SwfMenuItem> menuItems;                // the movie's own menu entries, in order
};

QByteArray writeSwf(const SwfMovie& movie);

}  // namespace corvane::test
